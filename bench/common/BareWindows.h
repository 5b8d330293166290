// The few calls the bare baselines make their windows with: no framework, a
// class and a pop-up window each, and message processing until the queue is empty.
#pragma once

#include <windows.h>

namespace bench {

inline void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

inline HWND BareWindow(const wchar_t* className, WNDPROC procedure, HBRUSH brush, int left, int top,
                       int width, int height) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = brush;
  windowClass.lpszClassName = className;
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, className, className, WS_POPUP, left, top, width, height, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

}  // namespace bench
