#include "forms/Timer.h"

namespace forms {

void TTimer::Start(HWND window, UINT milliseconds) {
  Stop();
  window_ = window;
  SetTimer(window, reinterpret_cast<UINT_PTR>(this), milliseconds, &TTimer::Tick);
}

void TTimer::Stop() {
  if (!window_) return;
  KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
  window_ = nullptr;
}

void CALLBACK TTimer::Tick(HWND, UINT, UINT_PTR self, DWORD) {
  reinterpret_cast<TTimer*>(self)->tick_();
}

}  // namespace forms
