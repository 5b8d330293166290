// Whole screensaver runs: the chosen craft flies, cut to its outline, over the
// backgrounds, and the user's input (XTEST keys and pointer motion, see
// XInput.h) or closing the stage ends the run with exit code 0. The pointer's
// visibility cannot be seen from outside under Wine (GetCursorInfo always
// reports it showing); the unit tests check its pairing from inside.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/ScreenPixels.h"
#include "tests/common/SettingsFile.h"
#include "tests/common/Wait.h"
#include "tests/e2e/SaverProcess.h"
#include "tests/e2e/XInput.h"

namespace {

using testing_screen::ScreenPixels;
using testing_settings::DeleteSettings;
using testing_settings::SettingsPathW;
using testing_wait::kReactionTimeout;
using testing_wait::kStartTimeout;
using testing_wait::WaitFor;
// Long enough for the slowest pass to bring a craft onto the screen.
constexpr DWORD kFlightTimeout = 20000;
// Between two looks at a flying craft: at Speed 0 a step takes a few
// milliseconds, and every position seen is checked.
constexpr DWORD kStepPause = 5;

struct Craft {
  const wchar_t* caption;
  POINT design;  // where the window stands until the flight places it
  COLORREF key;
};
const Craft kCraft[] = {
    {L"ScreenSaverForegroundSarvane", {219, 133}, RGB(255, 0, 255)},
    {L"ScreenSaverForeground", {266, 285}, RGB(255, 0, 255)},
    {L"ScreenSaverForegroundCalderine", {266, 285}, RGB(154, 0, 154)},
    {L"ScreenSaverForegroundThornax", {219, 133}, RGB(181, 0, 181)},
};
// The tests that press keys fly the Thornax, the one craft whose window never
// leaves the screen entirely. Wine's X11 driver unmaps a window that lies
// wholly off the screen (the Sarvane's entry below the screen, the Tarn
// Skimmer and the Calderine at the end of every pass), and the X keyboard
// focus goes with it: Wine then deactivates the craft and keys reach no window
// until the run ends on the pointer. Windows keeps off-screen windows active.
constexpr int kThornax = 3;

void WriteSetting(const wchar_t* key, const std::wstring& value) {
  WritePrivateProfileStringW(L"Settings", key, value.c_str(), SettingsPathW().c_str());
}

// The value as the file holds it now, read as text: the saver writes it from
// another process, and nothing here must serve it from a cache.
std::string StoredSetting(const std::string& key) {
  std::istringstream file(e2e::FileText(SettingsPathW()));
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return {};
}

RECT WindowRect(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  return bounds;
}

class Run : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettings(); }
  void TearDown() override { DeleteSettings(); }

  // Starts a run and waits until the stage is up.
  void Start(const std::vector<std::pair<const wchar_t*, std::wstring>>& settings) {
    DeleteSettings();
    for (const auto& [key, value] : settings) WriteSetting(key, value);
    saver = std::make_unique<e2e::SaverProcess>(e2e::Quoted(e2e::SaverPath()) + L" /s");
    stage = saver->WaitForWindow(L"ScreenSaverBackground", kStartTimeout);
    ASSERT_NE(stage, nullptr);
  }
  // Waits for the craft window, then for the flight to move it from where
  // the layout put it: from then on the flight watches the input.
  HWND WaitForFlight(const Craft& craft) {
    HWND window = saver->WaitForWindow(craft.caption, kStartTimeout);
    if (!window) return nullptr;
    bool flying = WaitFor(
        [&] {
          // The pass sets the left first, then the top; no entry is a design position.
          RECT bounds = WindowRect(window);
          return bounds.left != craft.design.x && bounds.top != craft.design.y;
        },
        kFlightTimeout, kStepPause);
    return flying ? window : nullptr;
  }
  // Input that must end the run, sent while it is still going.
  ::testing::AssertionResult EndsOnKey(HWND window, const std::string& key) {
    return saver->EndsOn([&] { return e2e::PressKey(window, key); });
  }
  ::testing::AssertionResult EndsOnPointer() {
    return saver->EndsOn([] { return e2e::NudgePointer(); });
  }
  // The visible craft window, whichever of the four it is.
  HWND AnyCraft() const {
    for (const Craft& craft : kCraft)
      if (HWND window = saver->WaitForWindow(craft.caption, 0)) return window;
    return nullptr;
  }

  std::unique_ptr<e2e::SaverProcess> saver;
  HWND stage = nullptr;
};

// With a second and more per step, each step is seen: the left edge goes up
// one pixel at a time and the Thornax keeps the height of its entry. The craft
// flies in front of the stage, both topmost, above the taskbar. (Wine reorders
// its windows wherever X shows part of one anew, see docs/wine-facts.md: the
// stage comes above a moving craft once the sprite is on the screen. At its
// entry, the sprite still left of the screen, the order is the program's.)
TEST_F(Run, CraftMovesRightOnePixelPerStepFromItsEntry) {
  Start({{L"VesselIndex", L"3"}, {L"Speed", L"1000"}});
  HWND craft = WaitForFlight(kCraft[kThornax]);
  ASSERT_NE(craft, nullptr);
  EXPECT_TRUE(e2e::Topmost(stage));
  EXPECT_TRUE(e2e::Topmost(craft));
  EXPECT_TRUE(e2e::Above(craft, stage));
  std::vector<RECT> seen{WindowRect(craft)};
  ASSERT_TRUE(WaitFor(
      [&] {
        RECT now = WindowRect(craft);
        if (now.left != seen.back().left || now.top != seen.back().top) seen.push_back(now);
        return seen.size() >= 3;
      },
      kFlightTimeout, kStepPause));
  EXPECT_GE(seen[0].left, -513);
  EXPECT_LE(seen[0].left, -511);
  for (std::size_t i = 1; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].left, seen[i - 1].left + 1);
    EXPECT_EQ(seen[i].top, seen[0].top);
  }
  EXPECT_TRUE(seen[0].top == 500 || seen[0].top == 400 || seen[0].top == 300) << seen[0].top;
  EXPECT_TRUE(EndsOnKey(craft, "Escape"));
}

// Wherever a craft is on the screen, no pixel of its key colour is. (Hit
// tests cannot tell more under Wine without a window manager: it was seen to
// let the stage rise above the craft in the window order every few steps
// while the screen still showed the craft in front, so WindowFromPoint
// mostly finds the stage.)
TEST_F(Run, CraftShapeLetsTheBackgroundShowAroundIt) {
  for (int index = 0; index < 4; ++index) {
    const Craft& craft = kCraft[index];
    SCOPED_TRACE(testing::Message() << "craft " << index);
    Start({{L"VesselIndex", std::to_wstring(index)}, {L"Speed", L"2"}});
    HWND window = WaitForFlight(craft);
    ASSERT_NE(window, nullptr);
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT visible{};
    ASSERT_TRUE(WaitFor(
        [&] {
          RECT bounds = WindowRect(window);
          return IntersectRect(&visible, &bounds, &screen) && visible.right - visible.left > 100 &&
                 visible.bottom - visible.top > 100;
        },
        kFlightTimeout, kStepPause));
    std::vector<COLORREF> pixels = ScreenPixels(visible);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), craft.key), 0);

    // Not a key: see kThornax.
    EXPECT_TRUE(EndsOnPointer());
  }
}

// N shows the next background at once and stores its id; the run goes on.
TEST_F(Run, NStepsTheStoredBackgroundAndThePicture) {
  Start({{L"VesselIndex", L"3"}, {L"Speed", L"5"}});
  HWND craft = WaitForFlight(kCraft[kThornax]);
  ASSERT_NE(craft, nullptr);
  ASSERT_EQ(StoredSetting("BackgroundId"), "0");
  // The Thornax never flies above y = 300.
  const RECT strip{0, 0, GetSystemMetrics(SM_CXSCREEN), 100};
  const std::vector<COLORREF> before = ScreenPixels(strip);
  ASSERT_TRUE(e2e::PressKey(craft, "n"));
  EXPECT_TRUE(WaitFor([] { return StoredSetting("BackgroundId") == "1"; }, kReactionTimeout));
  EXPECT_TRUE(WaitFor([&] { return ScreenPixels(strip) != before; }, kReactionTimeout))
      << "the picture stayed";
  EXPECT_TRUE(saver->Running());
  EXPECT_TRUE(EndsOnKey(craft, "Escape"));
}

// A pass ends where the craft jumps back to the left, to its next entry.
bool NewPass(const RECT& before, const RECT& now) {
  return now.left < before.left;
}

// The next picture follows after PassCount passes, not before: the strip the
// Thornax never flies over, and the stored id, well into each of the first
// four passes.
TEST_F(Run, NextPictureFollowsAfterPassCountPasses) {
  Start({{L"VesselIndex", L"3"}, {L"Speed", L"0"}, {L"PassCount", L"2"}});
  HWND craft = WaitForFlight(kCraft[kThornax]);
  ASSERT_NE(craft, nullptr);
  const RECT strip{0, 0, GetSystemMetrics(SM_CXSCREEN), 100};
  std::vector<std::vector<COLORREF>> pictures;
  std::vector<std::string> stored;
  RECT last = WindowRect(craft);
  bool sampled = false;
  ASSERT_TRUE(WaitFor(
      [&] {
        RECT now = WindowRect(craft);
        if (NewPass(last, now)) sampled = false;
        last = now;
        if (!sampled && now.left > 0) {
          pictures.push_back(ScreenPixels(strip));
          stored.push_back(StoredSetting("BackgroundId"));
          sampled = true;
        }
        return pictures.size() == 4;
      },
      4 * kFlightTimeout, kStepPause));
  EXPECT_TRUE(pictures[1] == pictures[0]) << "a new picture after one pass";
  EXPECT_TRUE(pictures[2] != pictures[1]) << "no new picture after two passes";
  EXPECT_TRUE(pictures[3] == pictures[2]) << "a new picture after one pass";
  EXPECT_EQ(stored, (std::vector<std::string>{"0", "0", "1", "1"}));
  EXPECT_TRUE(EndsOnKey(craft, "Escape"));
}

struct Position {
  LONG left, top;
};

// Whether every position seen in one pass lies on the line a vertical rule
// draws from one of the entries: the top moves one pixel (by `direction`) at
// each x where the rule fires, from the second time on, and between the two
// moves of a step the window still shows the step before's top. At the
// entry's own x it may still show the last pass's top.
bool OnTheLineFromAnEntry(const std::vector<Position>& pass, const std::vector<POINT>& entries,
                          bool (*fires)(int x), int direction) {
  return std::any_of(entries.begin(), entries.end(), [&](const POINT& entry) {
    auto top = [&](int x) {  // once the step at x is done
      int firings = 0;
      for (int at = entry.x; at <= x; ++at) firings += fires(at);
      return entry.y + direction * std::max(0, firings - 1);
    };
    return entry.x <= pass.front().left && std::all_of(pass.begin(), pass.end(), [&](const Position& seen) {
             return seen.left == entry.x || seen.top == top(seen.left) || seen.top == top(seen.left - 1);
           });
  });
}

// The Sarvane climbs one pixel on every x divisible by 4, the Calderine sinks
// one on every odd x (negative ones too); watched over two passes, each
// follows its rule from an entry of its own table.
TEST_F(Run, ClimbingAndSinkingCraftFollowTheirRulesFromAnEntry) {
  const LONG height = GetSystemMetrics(SM_CYSCREEN);
  std::vector<POINT> calderine;
  for (LONG top : {0, 500, 400, 300, 200, 100, -150}) calderine.push_back({-300, top});
  for (LONG left : {0, 150, 300, 450, 600, 750}) calderine.push_back({left, -150});
  struct Case {
    int index;
    std::vector<POINT> entries;
    bool (*fires)(int x);
    int direction;
  } cases[] = {
      {0,
       {{-513, 600}, {-513, 500}, {-513, 400}, {-513, 300}, {-513, 200}, {-513, 100}, {-513, height}},
       [](int x) { return x % 4 == 0; },
       -1},
      {2, calderine, [](int x) { return x % 2 != 0; }, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "craft " << c.index);
    Start({{L"VesselIndex", std::to_wstring(c.index)}, {L"Speed", L"0"}});
    HWND craft = WaitForFlight(kCraft[c.index]);
    ASSERT_NE(craft, nullptr);
    // Every position seen, until the second pass has flown 300 pixels.
    std::vector<std::vector<Position>> passes(1);
    RECT last = WindowRect(craft);
    passes.back().push_back({last.left, last.top});
    ASSERT_TRUE(WaitFor(
        [&] {
          RECT now = WindowRect(craft);
          if (now.left == last.left && now.top == last.top) return false;
          if (NewPass(last, now)) passes.emplace_back();
          last = now;
          passes.back().push_back({now.left, now.top});
          return passes.size() == 2 && now.left - passes.back().front().left >= 300;
        },
        3 * kFlightTimeout, kStepPause));
    for (const auto& pass : passes) {
      EXPECT_TRUE(OnTheLineFromAnEntry(pass, c.entries, c.fires, c.direction))
          << "pass from (" << pass.front().left << ", " << pass.front().top << ") to (" << pass.back().left
          << ", " << pass.back().top << "), " << pass.size() << " positions";
    }
    EXPECT_TRUE(EndsOnPointer());  // not a key: see kThornax
  }
}

TEST_F(Run, OnePixelOfPointerMovementEndsTheRun) {
  const wchar_t* cases[][2] = {{L"0", L"0"}, {L"1", L"10"}, {L"2", L"0"}, {L"3", L"10"}, {L"4", L"3"}};
  for (const auto& [index, speed] : cases) {
    SCOPED_TRACE(testing::Message() << "VesselIndex " << index << ", Speed " << speed);
    Start({{L"VesselIndex", index}, {L"Speed", speed}});
    HWND craft = nullptr;
    WaitFor([&] { return (craft = AnyCraft()) != nullptr; }, kStartTimeout);
    ASSERT_NE(craft, nullptr);
    for (const Craft& known : kCraft)
      if (e2e::WindowCaption(craft) == known.caption) {
        ASSERT_NE(WaitForFlight(known), nullptr);
      }
    EXPECT_TRUE(e2e::Topmost(stage));
    EXPECT_TRUE(e2e::Topmost(craft)) << "every craft stays above the taskbar";
    EXPECT_TRUE(EndsOnPointer());
  }
}

TEST_F(Run, ShiftEscapeAndOtherKeysEndTheRun) {
  for (const char* key : {"shift", "Escape", "a", "F5"}) {
    SCOPED_TRACE(key);
    Start({{L"VesselIndex", L"3"}, {L"Speed", L"1"}});
    HWND craft = WaitForFlight(kCraft[kThornax]);
    ASSERT_NE(craft, nullptr);
    EXPECT_TRUE(EndsOnKey(craft, key));
  }
}

// The keys reach the craft in order, so once N has stepped the background the
// four keys before it have been handled, and the run must still be going.
TEST_F(Run, TabCtrlAltAndDeleteDoNotEndTheRun) {
  Start({{L"VesselIndex", L"3"}, {L"Speed", L"1"}});
  HWND craft = WaitForFlight(kCraft[kThornax]);
  ASSERT_NE(craft, nullptr);
  for (const char* key : {"Tab", "ctrl", "alt", "Delete", "n"}) EXPECT_TRUE(e2e::PressKey(craft, key)) << key;
  EXPECT_TRUE(WaitFor([] { return StoredSetting("BackgroundId") == "1"; }, kReactionTimeout));
  EXPECT_TRUE(saver->Running());
  EXPECT_TRUE(EndsOnKey(craft, "Escape"));
}

// A VesselIndex that names no craft shows none, yet input still ends the run.
// Nothing outside tells when the stage has begun to watch, so the input is
// repeated until the run ends or the deadline passes.
TEST_F(Run, WithoutACraftAKeyOrOnePixelStillEndsTheRun) {
  for (bool pointer : {false, true}) {
    SCOPED_TRACE(pointer ? "pointer" : "key");
    Start({{L"VesselIndex", L"9"}});
    ASSERT_TRUE(saver->Running()) << "ended before any input";
    bool craftSeen = false;
    DWORD code = STILL_ACTIVE;
    // Each try waits for the exit itself, so no pause lies between two.
    WaitFor(
        [&] {
          craftSeen = craftSeen || AnyCraft() != nullptr;
          if (pointer)
            e2e::NudgePointer();
          else
            e2e::PressKey(stage, "Escape");
          code = saver->WaitForExit(300);
          return code != STILL_ACTIVE;
        },
        kFlightTimeout, 0);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(craftSeen);
  }
}

// Settings that would otherwise keep the flight from ever looking at the input.
TEST_F(Run, OddPassCountAndSpeedStillEndOnInput) {
  struct Case {
    const wchar_t* passCount;
    const wchar_t* speed;
    bool pointer;
  } cases[] = {{L"0", L"-1", false}, {L"abc", L"0", true}, {L"-5", L"100000", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "PassCount " << c.passCount << ", Speed " << c.speed);
    Start({{L"VesselIndex", L"3"}, {L"PassCount", c.passCount}, {L"Speed", c.speed}});
    HWND craft = WaitForFlight(kCraft[kThornax]);
    ASSERT_NE(craft, nullptr);
    EXPECT_TRUE(c.pointer ? EndsOnPointer() : EndsOnKey(craft, "Escape"));
  }
}

TEST_F(Run, ClosingTheStageEndsAFlyingRun) {
  Start({{L"VesselIndex", L"0"}, {L"Speed", L"0"}});
  ASSERT_NE(WaitForFlight(kCraft[0]), nullptr);
  EXPECT_TRUE(saver->EndsOn([&] { return PostMessageW(stage, WM_CLOSE, 0, 0) != FALSE; }));
}

}  // namespace
