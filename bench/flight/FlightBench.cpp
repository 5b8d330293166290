// The flight as a run flies it, timed from inside the process:
//   bench_flight SPEED STEPS
// runs the screensaver's own run (stage, picture, the Sarvane's window cut to
// its sprite and shown modally, the flight with Speed SPEED) until STEPS
// steps after a short warm-up are measured, then stops it with Escape.
// A step is timed from one horizontal move of the craft window to the next,
// seen through the window's own WM_WINDOWPOSCHANGED; steps across the end of
// a pass are left out. Every pass enters at the bare loop's height. Every
// operator new is counted (the array and nothrow forms reach the plain one,
// the aligned ones the aligned one), and the count over the measured steps is
// reported. Prints: mean step ms, 95th percentile ms, steps per second,
// allocations.
#include <windows.h>

#include <cstdlib>
#include <malloc.h>
#include <new>
#include <string>

#include "app/Program.h"
#include "app/Wiring.h"
#include "bench/flight/StepTimes.h"
#include "forms/Application.h"
#include "settings/Settings.h"
#include "vessels/Flight.h"
#include "vessels/UnitScreenSaverForegroundSarvane.h"

namespace {

constexpr int kWarmUpSteps = 30;

long long allocations = 0;

struct Probe {
  bench::StepTimes* times = nullptr;
  WNDPROC original = nullptr;
  int lastLeft = 0;
  long long allocationsAtStart = -1;
  long long allocationsAtEnd = -1;
  bool stopped = false;
} probe;

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (position->x == probe.lastLeft + 1) {
      if (probe.allocationsAtStart < 0 && probe.times->Measuring()) probe.allocationsAtStart = allocations;
      if (probe.times->Step() && !probe.stopped) {
        probe.allocationsAtEnd = allocations;
        probe.stopped = true;
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
      }
    } else if (position->x != probe.lastLeft) {
      // A new pass: its first step follows no step to be timed against.
      probe.times->Restart();
    }
    probe.lastLeft = position->x;
  }
  return CallWindowProcW(probe.original, window, message, wParam, lParam);
}

}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  ++allocations;
  if (void* memory = _aligned_malloc(size ? size : 1, static_cast<std::size_t>(alignment))) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory, std::align_val_t) noexcept {
  _aligned_free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
  _aligned_free(memory);
}

namespace {

int entryIndex = -1;

// The index of the Sarvane's entry at the bare loop's height, which every draw then picks.
int EntryAtBareLoopHeight(int controlWidth) {
  const vessels::EntryTable table =
      vessels::kSarvaneFlight.entries(controlWidth, GetSystemMetrics(SM_CYSCREEN));
  for (int i = 0; i < table.count; ++i)
    if (table.points[static_cast<std::size_t>(i)].y == bench::kEntryTop) return i;
  bench::Fail("the Sarvane has no entry at the bare loop's height");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) bench::Fail("usage: bench_flight SPEED STEPS");
  const int steps = std::atoi(argv[2]);
  settings::Write(settings::Speed, argv[1]);
  settings::Write(settings::VesselIndex, 0);
  settings::Write(settings::PassCount, 10);
  app::CreateStartupWindows();
  entryIndex = EntryAtBareLoopHeight(ScreenSaverForegroundSarvane->imgShuttle.Width());
  app::WireStartupWindows({.entryDraw = [] { return entryIndex; }});

  bench::StepTimes times(kWarmUpSteps, steps);
  probe.times = &times;
  HWND craft = ScreenSaverForegroundSarvane->Handle();
  probe.original =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(craft, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Watch)));
  forms::Application.Run();
  SetWindowLongPtrW(craft, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(probe.original));
  forms::Application.DestroyForms();
  if (probe.allocationsAtStart < 0 || probe.allocationsAtEnd < 0) bench::Fail("the flight was not measured");
  // Start-up allocates plenty: a count of none would mean the counter is not in use.
  if (allocations == 0) bench::Fail("operator new was not counted");
  // The allocations between the first and the last measured step (the first
  // measured step's own before it began are not among them).
  return times.Report(probe.allocationsAtEnd - probe.allocationsAtStart);
}
