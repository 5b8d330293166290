#include "backgrounds/ExitWatch.h"

#include "exitinput/ExitInput.h"
#include "forms/Application.h"

namespace {

constexpr UINT kPollMilliseconds = 20;

}  // namespace

void ExitWatch::Start(HWND window) {
  Stop();
  start_ = exitinput::ReadPointer();
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
  if (exitinput::PointerMoved(watch->start_, exitinput::ReadPointer())) watch->EndRun();
}
