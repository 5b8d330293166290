// The input that ends a run, made as a user's would reach the program: one
// pixel of pointer movement (SetCursorPos) or a press of Escape (SendInput).
#pragma once

#include <windows.h>

namespace bench {

inline void SendExitInput(bool pointer) {
  if (pointer) {
    POINT at;
    GetCursorPos(&at);
    SetCursorPos(at.x + 1, at.y);
    return;
  }
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

}  // namespace bench
