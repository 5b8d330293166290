#include "backgrounds/ExitWatch.h"

#include "exitinput/ExitInput.h"
#include "forms/Application.h"

namespace {

constexpr UINT kPollMilliseconds = 20;

}  // namespace

void ExitWatch::Start(HWND window) {
  start_ = exitinput::ReadPointer();
  poll_.Start(window, kPollMilliseconds);
}

void ExitWatch::EndRun() {
  Stop();
  forms::Application.Terminate();
}

void ExitWatch::Poll() {
  if (exitinput::PointerMoved(start_, exitinput::ReadPointer())) EndRun();
}
