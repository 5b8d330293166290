// A stand-in for the display settings' preview window: a plain top-level
// window of ours, filled with one colour the preview picture never has.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

inline constexpr COLORREF kHostColour = RGB(1, 2, 3);

class HostWindow {
 public:
  // `program` is the screensaver whose preview picture the window expects.
  HostWindow(int clientWidth, int clientHeight, const std::wstring& program);
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow();

  HWND Handle() const { return window_; }
  void Show();
  // The colour on screen at a point of the client area. The screensaver draws
  // from its own process, so only the screen shows what it drew.
  COLORREF ScreenPixel(int x, int y) const;
  // Waits until points spread over the client area show the program's preview
  // picture (RES_PREVIEW) stretched to the client area.
  bool WaitForDrawing(DWORD milliseconds);
  // Dispatches the messages of the host's thread.
  void Pump();

 private:
  HWND window_ = nullptr;
  int width_;
  int height_;
  std::vector<COLORREF> expected_;  // the stretched picture, row by row
};

// The handle as the host writes it on the command line: a decimal number.
std::wstring HandleWord(HWND window);

}  // namespace e2e
