// Input as a device gives it: SendInput puts it into the window server's
// hardware input queue, and from there Wine routes it as it routes X events,
// to the window under the pointer (hit-testing included) or to the focus of
// the foreground window. (xdotool is no choice here: a Unix program started
// from a Windows process is not waited for, so the test could not know when
// its input had arrived.)
#pragma once

#include <windows.h>

#include <initializer_list>

namespace e2e {

// Moves the pointer to a point of the screen and clicks the left button there.
bool ClickAt(POINT screen);
// Presses and releases each virtual key in turn.
bool PressKeys(std::initializer_list<WORD> keys);

// The window that has the keyboard focus in the thread that owns `window`.
HWND FocusOf(HWND window);

}  // namespace e2e
