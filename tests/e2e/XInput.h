// Input as a user makes it: XTEST events through xdotool on the X display the
// screensaver runs on, so keys and pointer motion take the same way through
// the X server and Wine's X11 driver as a real keyboard and mouse.
//
// The test driver runs inside Wine. Wine starts a Unix (ELF) program given to
// CreateProcess by forking and executing it, but hands back no process
// handle; so the command runs in /bin/sh, which writes its exit status to a
// file under /tmp that the driver waits for (Z: is the Unix root).
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// Runs a shell command on the Unix side and returns its exit status, or -1
// when it could not be started or did not finish within the deadline.
int RunUnix(const std::string& command, DWORD milliseconds = 15000);

// Gives `window` the X input focus and presses and releases the key (an X
// key name such as Escape, shift, ctrl, alt, Tab, Delete, n).
bool PressKey(HWND window, const std::string& key);
// Moves the pointer by one pixel, to the right or back to the left.
bool NudgePointer(bool right = true);
// Moves the pointer to a point of the screen and clicks the left button there.
bool ClickAt(POINT screen);

// The window that has the keyboard focus in the thread that owns `window`.
HWND FocusOf(HWND window);

}  // namespace e2e
