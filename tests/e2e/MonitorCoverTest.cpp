// A run on a desk of two monitors covers the second one too. Tests named
// *OnTwoMonitors* run in the test script's nested two-monitor display:
// primary 1024 x 768 and a larger second monitor, 1280 x 1024.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/common/ScreenPixels.h"
#include "tests/common/SettingsFile.h"
#include "tests/common/Wait.h"
#include "tests/e2e/HostWindow.h"
#include "tests/e2e/SaverProcess.h"
#include "tests/e2e/XInput.h"

namespace {

using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;

using testing_screen::ScreenPixel;
using testing_settings::DeleteSettings;
using testing_settings::SettingsPathW;
using testing_wait::kExitTimeout;
using testing_wait::kReactionTimeout;
using testing_wait::kStartTimeout;
using testing_wait::WaitFor;

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

// Whether the second monitor shows the primary's picture stretched over it
// (the primary shows it at its own size), down to the second's row that the
// primary's row `rows` maps to: at most a few sample points may differ by
// more than the smoothing explains, and the bottom-right corner is not black.
bool SecondShowsThePrimarysPicture(const RECT& second, int rows = 10000) {
  const int width = second.right - second.left, height = second.bottom - second.top;
  const int primaryWidth = GetSystemMetrics(SM_CXSCREEN), primaryHeight = GetSystemMetrics(SM_CYSCREEN);
  const int lastRow = std::min(height, rows * height / primaryHeight);
  auto channelsNear = [](COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 40 && std::abs(GetGValue(a) - GetGValue(b)) <= 40 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 40;
  };
  int compared = 0, matching = 0;
  for (int y = 6; y < lastRow - 6; y += 29)
    for (int x = 6; x < width - 6; x += 31) {
      ++compared;
      matching += channelsNear(ScreenPixel(second.left + x, second.top + y),
                               ScreenPixel(x * primaryWidth / width, y * primaryHeight / height));
    }
  bool cornerLit = rows < primaryHeight;
  for (int y = height - 40; !cornerLit && y < height; y += 7)
    for (int x = width - 40; !cornerLit && x < width; x += 7)
      cornerLit = (ScreenPixel(second.left + x, second.top + y) & 0xFFFFFF) != 0;
  return compared > 0 && matching * 10 >= compared * 9 && cornerLit;
}

class MonitorCoverOnTwoMonitors : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "needs the two-monitor display";
    DeleteSettings();
    // No craft: the screen of the primary monitor is compared pixel by pixel.
    WritePrivateProfileStringW(L"Settings", L"VesselIndex", L"9", SettingsPathW().c_str());
  }
  void TearDown() override { DeleteSettings(); }
};

TEST_F(MonitorCoverOnTwoMonitors, RunCoversTheSecondMonitorWithTheCurrentPicture) {
  const RECT second = SecondMonitor();
  SaverProcess saver(Quoted(SaverPath()));
  HWND stage = saver.WaitForWindow(L"ScreenSaverBackground", kStartTimeout);
  ASSERT_NE(stage, nullptr);
  ASSERT_TRUE(WaitFor([&] { return WindowsOver(saver, second).size() == 1; }, kStartTimeout));
  HWND cover = WindowsOver(saver, second).front();
  EXPECT_NE(GetForegroundWindow(), cover);
  EXPECT_TRUE(e2e::Topmost(cover)) << "the second monitor's taskbar would stay over the cover";
  // Topmost from its activation on, which follows its showing.
  EXPECT_TRUE(WaitFor([&] { return e2e::Topmost(stage); }, kReactionTimeout));
  EXPECT_TRUE(WaitFor([&] { return SecondShowsThePrimarysPicture(second); }, kStartTimeout));

  PostMessageW(stage, WM_CLOSE, 0, 0);
  EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
}

// The Thornax: it never flies above y = 300 nor leaves the primary screen
// entirely (Wine takes the keyboard focus from a window wholly off the screen).
class FlightOnTwoMonitors : public MonitorCoverOnTwoMonitors {
 protected:
  void SetUp() override {
    MonitorCoverOnTwoMonitors::SetUp();
    WritePrivateProfileStringW(L"Settings", L"VesselIndex", L"3", SettingsPathW().c_str());
    WritePrivateProfileStringW(L"Settings", L"Speed", L"3", SettingsPathW().c_str());
    second = SecondMonitor();
    // The pointer rests on the second monitor before the run starts.
    ASSERT_EQ(e2e::RunUnix("xdotool mousemove " + std::to_string(second.left + 300) + " 300"), 0);
    saver = std::make_unique<SaverProcess>(Quoted(SaverPath()));
    craft = saver->WaitForWindow(L"ScreenSaverForegroundThornax", kStartTimeout);
    ASSERT_NE(craft, nullptr);
    // Flying once the craft has left its design position (219, 133).
    auto flying = [&] {
      RECT bounds;
      GetWindowRect(craft, &bounds);
      return bounds.left != 219 && bounds.top != 133;
    };
    ASSERT_TRUE(WaitFor(flying, kStartTimeout));
    ASSERT_EQ(WindowsOver(*saver, second).size(), 1u);
  }
  RECT second{};
  std::unique_ptr<SaverProcess> saver;
  HWND craft = nullptr;
};

// The craft flies in front of the stage and the cover, topmost as they are.
// Wine reorders windows wherever X shows part of one anew (see
// docs/wine-facts.md), so the order is looked at while the first pass enters,
// before any of the sprite is on the screen.
TEST_F(FlightOnTwoMonitors, CraftInFrontKeepsTheKeyboardAndNChangesThePictureOnBothMonitors) {
  HWND stage = saver->WaitForWindow(L"ScreenSaverBackground", 0);
  HWND cover = WindowsOver(*saver, second).front();
  auto left = [&] {
    RECT bounds;
    GetWindowRect(craft, &bounds);
    return bounds.left;
  };
  const bool inFront = e2e::Above(craft, stage) && e2e::Above(craft, cover);
  ASSERT_LT(left(), -300) << "looked too late: the sprite may have reached the screen";
  EXPECT_TRUE(inFront);
  EXPECT_TRUE(e2e::Topmost(craft));
  EXPECT_TRUE(e2e::Topmost(cover));

  constexpr int kAboveTheCraft = 300;
  ASSERT_TRUE(WaitFor([&] { return SecondShowsThePrimarysPicture(second, kAboveTheCraft); }, kStartTimeout));
  const COLORREF before = ScreenPixel(second.left + 5, 5);

  // A click on the cover, without moving the pointer, leaves the craft active:
  // the key after it, sent to no window in particular, reaches the craft.
  ASSERT_EQ(e2e::RunUnix("xdotool click 1 key n"), 0);
  auto nextPicture = [&] {
    return ScreenPixel(second.left + 5, 5) != before && SecondShowsThePrimarysPicture(second, kAboveTheCraft);
  };
  EXPECT_TRUE(WaitFor(nextPicture, kReactionTimeout)) << "both monitors show the next picture";
  EXPECT_EQ(GetForegroundWindow(), craft);
  EXPECT_TRUE(saver->Running());

  EXPECT_TRUE(saver->EndsOn([&] { return e2e::PressKey(craft, "Escape"); }));
}

TEST_F(FlightOnTwoMonitors, OnePixelOfPointerMovementOnTheSecondMonitorEndsTheRun) {
  EXPECT_TRUE(saver->EndsOn([] { return e2e::NudgePointer(); }));
}

// Nor do they put any window of theirs in the topmost band.
TEST_F(MonitorCoverOnTwoMonitors, SettingsDialogAndPreviewCoverNothing) {
  const RECT second = SecondMonitor();
  {
    SaverProcess saver(Quoted(SaverPath()) + L" /c");
    HWND dialog = saver.WaitForWindow(L"Configuration", kStartTimeout);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(saver.VisibleWindows().size(), 1u);
    const std::vector<HWND> windows = saver.Windows();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), e2e::Topmost));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  }
  e2e::HostWindow host(152, 112, SaverPath());
  host.Show();
  SaverProcess saver(Quoted(SaverPath()) + L" /p " + e2e::HandleWord(host.Handle()));
  EXPECT_TRUE(host.WaitForDrawing(kStartTimeout));
  EXPECT_TRUE(saver.VisibleWindows().empty());
  EXPECT_TRUE(WindowsOver(saver, second).empty());
  const std::vector<HWND> windows = saver.Windows();
  EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), e2e::Topmost));
  ShowWindow(host.Handle(), SW_HIDE);
  EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
}

}  // namespace
