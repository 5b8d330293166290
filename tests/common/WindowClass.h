// A window's class name: it tells the platform's controls and message boxes
// apart where their captions do not. Shared by the unit and the end-to-end
// tests.
#pragma once

#include <windows.h>

#include <string>

namespace testing_windows {

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

}  // namespace testing_windows
