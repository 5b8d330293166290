// The flight's longest step at a picture change, timed inside the process:
//   bench_coverstep covers|nocovers CHANGES
// runs the screensaver's own run with the Thornax at Speed 0 and, every
// kStepsBetween steps, posts the craft an N key, as a user changing the
// picture would. For each change it keeps the longest step among the
// kStepsAfter that follow (the change itself, and the covers' repaint when
// their scaled picture arrives). With `nocovers` the stage's covers are taken
// away once the flight runs, so both contenders fly in the same display.
// Prints the median over the changes of that longest step, in ms.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/Program.h"
#include "backgrounds/UnitScreenSaver.h"
#include "bench/common/Timing.h"
#include "forms/Application.h"
#include "settings/Settings.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace {

constexpr int kWarmUpSteps = 30;
constexpr int kStepsBetween = 120;
constexpr int kStepsAfter = 100;

struct Probe {
  WNDPROC original = nullptr;
  bool keepCovers = true;
  int wanted = 0;
  int lastLeft = 0;
  bool follows = false;
  double last = 0;
  int steps = 0;
  int sinceChange = -1;
  double longest = 0;
  std::vector<double> longestPerChange;
  bench::Stopwatch watch;
} probe;

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
    const double now = probe.watch.Milliseconds();
    if (position->x == probe.lastLeft + 1) {
      if (!probe.keepCovers && !ScreenSaverBackground->Covers().empty())
        ScreenSaverBackground->CoverMonitors({});
      if (probe.follows && probe.sinceChange >= 0) {
        probe.longest = std::max(probe.longest, now - probe.last);
        if (++probe.sinceChange == kStepsAfter) {
          probe.longestPerChange.push_back(probe.longest);
          probe.sinceChange = -1;
        }
      }
      ++probe.steps;
      if (static_cast<int>(probe.longestPerChange.size()) == probe.wanted) {
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
      } else if (probe.steps > kWarmUpSteps && probe.steps % kStepsBetween == 0 && probe.sinceChange < 0) {
        // Taken in this step's message processing: the next step holds the change.
        PostMessageW(window, WM_KEYDOWN, 'N', 0);
        probe.sinceChange = 0;
        probe.longest = 0;
      }
      probe.follows = true;
    } else if (position->x != probe.lastLeft) {
      // A new pass: its first step follows no step to be timed against.
      probe.follows = false;
    }
    probe.last = now;
    probe.lastLeft = position->x;
  }
  return CallWindowProcW(probe.original, window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "covers") != 0 && std::strcmp(argv[1], "nocovers") != 0))
    bench::Fail("usage: bench_coverstep covers|nocovers CHANGES");
  probe.keepCovers = std::strcmp(argv[1], "covers") == 0;
  probe.wanted = std::atoi(argv[2]);
  settings::Write(settings::Speed, 0);
  settings::Write(settings::VesselIndex, 3);
  settings::Write(settings::PassCount, 1000);
  settings::Write(settings::UseImageFiles, 0);
  app::CreateStartupWindows();

  HWND craft = ScreenSaverForegroundThornax->Handle();
  probe.original =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(craft, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Watch)));
  forms::Application.Run();
  SetWindowLongPtrW(craft, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(probe.original));
  const bool hadCovers = probe.keepCovers && !ScreenSaverBackground->Covers().empty();
  forms::Application.DestroyForms();
  if (static_cast<int>(probe.longestPerChange.size()) < probe.wanted)
    bench::Fail("too few picture changes measured");
  if (probe.keepCovers && !hadCovers) bench::Fail("no monitor was covered: this needs a second monitor");
  std::vector<double>& times = probe.longestPerChange;
  std::sort(times.begin(), times.end());
  return bench::Report(times[times.size() / 2]);
}
