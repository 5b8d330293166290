// A stand-in for the display settings' preview window: a plain top-level
// window of ours, filled with one colour the preview picture never has.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
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
  // Whether those points show kHostColour, once the window has painted itself:
  // nothing else drew over it.
  bool ShowsOnlyItsColour();
  // Dispatches the messages of the host's thread.
  void Pump();

 private:
  // Whether each sample point shows `expected(offset)`, the offset counted
  // row by row in the client area. A frame never painted, painted black or
  // with another picture fails at most of these points.
  bool SamplesShow(const std::function<COLORREF(std::size_t)>& expected) const;

  HWND window_ = nullptr;
  int width_;
  int height_;
  std::vector<COLORREF> expected_;  // the stretched picture, row by row
};

// The handle as the host writes it on the command line: a decimal number.
std::wstring HandleWord(HWND window);

}  // namespace e2e
