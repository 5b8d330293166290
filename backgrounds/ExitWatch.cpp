#include "backgrounds/ExitWatch.h"

#include "forms/Application.h"
#include "vessels/Flight.h"

namespace {

constexpr UINT kPollMilliseconds = 20;

}  // namespace

void ExitWatch::Start(HWND window) {
  Stop();
  std::optional<POINT> start = vessels::ReadPointer();
  startKnown_ = start.has_value();
  if (start) start_ = *start;
  window_ = window;
  // The watch's own address names its timer, so the tick finds it again
  // without any global. Should no timer be left, exit keys still end the run.
  SetTimer(window, reinterpret_cast<UINT_PTR>(this), kPollMilliseconds, &ExitWatch::Tick);
}

void ExitWatch::Stop() {
  if (!window_) return;
  KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
  window_ = nullptr;
}

void ExitWatch::EndRun() {
  Stop();
  forms::Application.Terminate();
}

void CALLBACK ExitWatch::Tick(HWND, UINT, UINT_PTR self, DWORD) {
  auto* watch = reinterpret_cast<ExitWatch*>(self);
  if (vessels::PointerMoved(watch->start_, watch->startKnown_, vessels::ReadPointer())) watch->EndRun();
}
