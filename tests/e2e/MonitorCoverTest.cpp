// A run on a desk of two monitors covers the second one too. Tests named
// *OnTwoMonitors* run in the test script's nested two-monitor display:
// primary (0, 0)-(1024, 768), second (1024, 0)-(1824, 600).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/HostWindow.h"
#include "tests/e2e/SaverProcess.h"

namespace {

using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;

constexpr DWORD kStartTimeout = 30000;
constexpr DWORD kExitTimeout = 10000;

struct Monitor {
  RECT bounds;
  bool primary;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
      {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  return TRUE;
}

std::vector<Monitor> Monitors() {
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

RECT SecondMonitor() {
  for (const auto& monitor : Monitors())
    if (!monitor.primary) return monitor.bounds;
  return {};
}

// The process's visible windows that lie exactly over `area`.
std::vector<HWND> WindowsOver(const SaverProcess& saver, const RECT& area) {
  std::vector<HWND> found;
  for (HWND window : saver.VisibleWindows()) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    if (EqualRect(&bounds, &area)) found.push_back(window);
  }
  return found;
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// Whether the second monitor shows what the primary shows at the same offsets
// from the top-left corner: the same picture, drawn the same way.
bool SecondShowsThePrimarysPicture(const RECT& second) {
  for (int y = 4; y < second.bottom - second.top; y += 37)
    for (int x = 4; x < second.right - second.left; x += 41)
      if (ScreenPixel(second.left + x, second.top + y) != ScreenPixel(x, y)) return false;
  return true;
}

bool WaitFor(DWORD milliseconds, auto condition) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(20))
    if (condition()) return true;
  return condition();
}

class MonitorCoverOnTwoMonitors : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "needs the two-monitor display";
    e2e::DeleteSettings();
    // No craft: the screen of the primary monitor is compared pixel by pixel.
    WritePrivateProfileStringW(L"Settings", L"VesselIndex", L"9", e2e::SettingsPath().c_str());
  }
  void TearDown() override { e2e::DeleteSettings(); }
};

TEST_F(MonitorCoverOnTwoMonitors, RunCoversTheSecondMonitorWithTheCurrentPicture) {
  const RECT second = SecondMonitor();
  SaverProcess saver(Quoted(SaverPath()));
  HWND stage = saver.WaitForWindow(L"ScreenSaverBackground", kStartTimeout);
  ASSERT_NE(stage, nullptr);
  ASSERT_TRUE(WaitFor(kStartTimeout, [&] { return WindowsOver(saver, second).size() == 1; }));
  HWND cover = WindowsOver(saver, second).front();
  EXPECT_NE(GetForegroundWindow(), cover);
  EXPECT_TRUE(WaitFor(kStartTimeout, [&] { return SecondShowsThePrimarysPicture(second); }));

  PostMessageW(stage, WM_CLOSE, 0, 0);
  EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  EXPECT_FALSE(IsWindow(cover));
}

TEST_F(MonitorCoverOnTwoMonitors, SettingsDialogAndPreviewCoverNothing) {
  const RECT second = SecondMonitor();
  {
    SaverProcess saver(Quoted(SaverPath()) + L" /c");
    HWND dialog = saver.WaitForWindow(L"Configuration", kStartTimeout);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(saver.VisibleWindows().size(), 1u);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  }
  e2e::HostWindow host(152, 112);
  host.Show();
  SaverProcess saver(Quoted(SaverPath()) + L" /p " + e2e::HandleWord(host.Handle()));
  EXPECT_TRUE(host.WaitForDrawing(kStartTimeout));
  EXPECT_TRUE(saver.VisibleWindows().empty());
  EXPECT_TRUE(WindowsOver(saver, second).empty());
  ShowWindow(host.Handle(), SW_HIDE);
  EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
}

}  // namespace
