// A stand-in for the display settings' preview window: a plain top-level
// window of ours, filled with one colour the preview picture never has, so
// any other colour in it was drawn by the screensaver.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

inline constexpr COLORREF kHostColour = RGB(1, 2, 3);

class HostWindow {
 public:
  HostWindow(int clientWidth, int clientHeight);
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow();

  HWND Handle() const { return window_; }
  void Show();
  // The colour on screen at a point of the client area. The screensaver draws
  // from its own process, so only the screen shows what it drew.
  COLORREF ScreenPixel(int x, int y) const;
  // Waits until the corners and the centre all show something else than the host colour.
  bool WaitForDrawing(DWORD milliseconds);
  // Dispatches the messages of the host's thread.
  void Pump();

 private:
  HWND window_ = nullptr;
};

// The handle as the host writes it on the command line: a decimal number.
std::wstring HandleWord(HWND window);

}  // namespace e2e
