// A timer of a window whose ticks call a function from the message loop. Its
// own address names it, so a tick finds it again without any global, and
// several can share one window.
#pragma once

#include <windows.h>

#include <functional>

namespace forms {

class TTimer {
 public:
  explicit TTimer(std::function<void()> tick) : tick_(std::move(tick)) {}
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;
  ~TTimer() { Stop(); }

  // (Re)arms it on `window`: a tick comes with message processing every
  // `milliseconds` (at least 10), the first no sooner than that from now, and
  // only when no other message is waiting, painting included. A tick may stop it.
  void Start(HWND window, UINT milliseconds);
  void Stop();
  // Since Start, and until Stop, even when the system had no timer left.
  bool Started() const { return window_ != nullptr; }

 private:
  static void CALLBACK Tick(HWND window, UINT message, UINT_PTR self, DWORD time);

  std::function<void()> tick_;
  HWND window_ = nullptr;
};

}  // namespace forms
