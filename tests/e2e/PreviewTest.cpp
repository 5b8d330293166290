// Preview mode draws into a window of ours, as the display settings' host
// window, until that window is hidden or destroyed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/e2e/SaverProcess.h"

namespace {

using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;

constexpr COLORREF kHostColour = RGB(1, 2, 3);

// A plain top-level window painted in one colour that the preview picture
// never has, so any other colour in it was drawn by the screensaver.
class HostWindow {
 public:
  HostWindow(int clientWidth, int clientHeight) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(kHostColour);
    windowClass.lpszClassName = L"PreviewHost";
    RegisterClassW(&windowClass);
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&outer, WS_POPUP, FALSE);
    window_ = CreateWindowExW(0, L"PreviewHost", L"host", WS_POPUP, 100, 100, outer.right - outer.left,
                              outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~HostWindow() {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  HWND Handle() const { return window_; }
  void Show() {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    Pump();
  }
  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  // The colour on screen at a point of the client area.
  COLORREF ScreenPixel(int x, int y) {
    POINT at{x, y};
    ClientToScreen(window_, &at);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
  }
  // Waits until something other than the host colour shows at all probe points.
  bool WaitForDrawing(DWORD milliseconds) {
    for (DWORD waited = 0; waited < milliseconds; waited += 20) {
      Pump();
      if (ScreenPixel(5, 5) != kHostColour && ScreenPixel(76, 56) != kHostColour &&
          ScreenPixel(147, 107) != kHostColour)
        return true;
      Sleep(20);
    }
    return false;
  }

 private:
  HWND window_ = nullptr;
};

std::wstring HandleWord(HWND window) {
  return std::to_wstring(static_cast<long>(reinterpret_cast<std::intptr_t>(window)));
}

TEST(Preview, DrawsIntoVisibleHostUntilItIsHiddenOrDestroyed) {
  for (bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroyed" : "hidden");
    HostWindow host(152, 112);
    host.Show();
    ASSERT_EQ(host.ScreenPixel(76, 56), kHostColour);
    SaverProcess saver(Quoted(SaverPath()) + L" /p " + HandleWord(host.Handle()));
    EXPECT_TRUE(host.WaitForDrawing(20000)) << "the picture never reached the host window";
    EXPECT_TRUE(saver.Running()) << "the preview must keep drawing while the host is visible";
    if (destroy)
      DestroyWindow(host.Handle());
    else
      ShowWindow(host.Handle(), SW_HIDE);
    EXPECT_EQ(saver.WaitForExit(10000), 0u);
    EXPECT_TRUE(saver.VisibleWindows().empty());
  }
}

TEST(Preview, WaitsForTheHostToBecomeVisibleAndTakesDigitsBeforeLetters) {
  HostWindow host(152, 112);
  SaverProcess saver(Quoted(SaverPath()) + L" /p " + HandleWord(host.Handle()) + L"xyz");
  Sleep(500);
  EXPECT_TRUE(saver.Running()) << "the preview must wait for a hidden host";
  host.Show();
  EXPECT_TRUE(host.WaitForDrawing(20000));
  ShowWindow(host.Handle(), SW_HIDE);
  EXPECT_EQ(saver.WaitForExit(10000), 0u);
}

TEST(Preview, HandleNamingNoWindowEndsAtOnce) {
  for (const wchar_t* word : {L"0", L"abc", L"123456789"}) {
    SaverProcess saver(Quoted(SaverPath()) + L" /p " + word);
    EXPECT_EQ(saver.WaitForExit(15000), 0u) << word;
  }
}

}  // namespace
