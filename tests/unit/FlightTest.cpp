// The flight on the real craft windows and the real stage: how keys, the
// pointer and termination end it, what a stop leaves undone, nesting, the
// pause while the display is off, and the pairing of the timer resolution, of
// the display-state registration and of the pointer's visibility.
#include <gtest/gtest.h>

#include <windows.h>

#include <versionhelpers.h>

#include <algorithm>
#include <functional>
#include <map>

#include "app/Program.h"
#include "backgrounds/UnitScreenSaver.h"
#include "forms/Application.h"
#include "settings/Settings.h"
#include "tests/common/DisplayReport.h"
#include "tests/common/SettingsFile.h"
#include "tests/common/Wait.h"
#include "vessels/DisplayPower.h"
#include "vessels/Flight.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace {

using forms::Application;
using testing_settings::DeleteSettings;
using testing_wait::WaitFor;

// Runs an action once `ready` holds, polled every 10 ms from whatever loop
// processes messages: a thread timer, so inside the flight it fires during the
// flight's own message processing.
class When {
 public:
  When(std::function<bool()> ready, std::function<void()> action)
      : ready_(std::move(ready)), action_(std::move(action)) {
    id_ = SetTimer(nullptr, 0, 10, &When::Tick);
    Pending()[id_] = this;
  }
  When(const When&) = delete;
  When& operator=(const When&) = delete;
  ~When() { Cancel(); }
  bool Fired() const { return fired_; }

 private:
  void Cancel() {
    if (!id_) return;
    KillTimer(nullptr, id_);
    Pending().erase(id_);
    id_ = 0;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = Pending().find(id);
    if (found == Pending().end() || !found->second->ready_()) return;
    When* when = found->second;
    when->Cancel();
    when->fired_ = true;
    when->action_();
  }
  static std::map<UINT_PTR, When*>& Pending() {
    static std::map<UINT_PTR, When*> pending;
    return pending;
  }
  std::function<bool()> ready_;
  std::function<void()> action_;
  UINT_PTR id_ = 0;
  bool fired_ = false;
};

struct PeriodCount {
  int begins = 0, ends = 0, depth = 0, deepest = 0;
};
PeriodCount periods;

MMRESULT WINAPI CountBegin(UINT period) {
  EXPECT_EQ(period, 1u);
  ++periods.begins;
  periods.deepest = std::max(periods.deepest, ++periods.depth);
  return TIMERR_NOERROR;
}
MMRESULT WINAPI CountEnd(UINT period) {
  EXPECT_EQ(period, 1u);
  ++periods.ends;
  --periods.depth;
  return TIMERR_NOERROR;
}
MMRESULT WINAPI RefuseBegin(UINT) {
  ++periods.begins;
  return TIMERR_NOCANDO;
}

// Wine accepts any registration and reports nothing, so the tests count them.
struct PowerRegistrations {
  int registered = 0, unregistered = 0;
  HANDLE window = nullptr;
  GUID setting{};
  DWORD flags = 0;
  HPOWERNOTIFY lastUnregistered = nullptr;
};
PowerRegistrations registrations;
const HPOWERNOTIFY kRegistration = reinterpret_cast<HPOWERNOTIFY>(0x5a5a);

HPOWERNOTIFY WINAPI CountRegister(HANDLE recipient, LPCGUID setting, DWORD flags) {
  ++registrations.registered;
  registrations.window = recipient;
  registrations.setting = *setting;
  registrations.flags = flags;
  return kRegistration;
}
BOOL WINAPI CountUnregister(HPOWERNOTIFY handle) {
  ++registrations.unregistered;
  registrations.lastUnregistered = handle;
  return TRUE;
}

// Whether the stage (picture included) still waited for its paint when the
// craft window was about to appear; a thread hook sees the craft's show first.
HWND watchedCraft = nullptr;
bool stageUnpaintedAtCraftShow = false;
bool craftShowSeen = false;

LRESULT CALLBACK WatchCraftShow(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->hwnd == watchedCraft && call->message == WM_SHOWWINDOW && call->wParam &&
      !craftShowSeen) {
    craftShowSeen = true;
    HWND stage = ScreenSaverBackground->Handle();
    HWND picture = ScreenSaverBackground->imgBackground.Handle();
    stageUnpaintedAtCraftShow =
        GetUpdateRect(stage, nullptr, FALSE) || GetUpdateRect(picture, nullptr, FALSE);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The display count that ShowCursor keeps (0 when the pointer shows once).
int CursorCount() {
  ShowCursor(TRUE);
  return ShowCursor(FALSE);
}

class Flight : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteSettings();
    Application.SetTerminated(false);
    app::CreateStartupWindows();
    craft = ScreenSaverForegroundThornax;
    savedCalls_ = vessels::TimerPeriodApi();
    vessels::TimerPeriodApi() = {CountBegin, CountEnd};
    periods = {};
    savedPower_ = vessels::PowerNotificationApi();
    vessels::PowerNotificationApi() = {CountRegister, CountUnregister};
    registrations = {};
    GetCursorPos(&pointer_);
    SettlePointer();
  }
  // A fresh Wine session may first report the screen's centre and only later
  // the X pointer: the flight would take that for a move. Put the pointer
  // somewhere known and wait until every read agrees.
  static void SettlePointer() {
    const POINT rest{100, 100};
    SetCursorPos(rest.x, rest.y);
    for (int stable = 0, tries = 0; stable < 3 && tries < 200; ++tries) {
      Application.ProcessMessages();
      POINT now{};
      GetCursorPos(&now);
      stable = now.x == rest.x && now.y == rest.y ? stable + 1 : 0;
      Sleep(5);
    }
  }
  void TearDown() override {
    vessels::TimerPeriodApi() = savedCalls_;
    vessels::PowerNotificationApi() = savedPower_;
    SetCursorPos(pointer_.x, pointer_.y);
    Application.DestroyForms();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    Application.SetTerminated(false);
    DeleteSettings();
  }
  static bool TakeQuit() {
    MSG message;
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  }
  void PostKey(WORD key) const { PostMessageW(craft->Handle(), WM_KEYDOWN, key, 0); }
  int Left() const { return craft->BoundsRect().left; }
  // Some steps into a pass and far from its end, so the next step is in the same pass.
  std::function<bool()> InMidPass() const {
    return [this] { return Left() > kEntryLeft + 3 && Left() < 0; };
  }

  TVesselForm* craft = nullptr;
  static constexpr int kEntryLeft = -513;  // every Thornax entry

 private:
  vessels::TimerPeriodCalls savedCalls_{};
  vessels::PowerNotificationCalls savedPower_{};
  POINT pointer_{};
};

// The key arrives during the first step's message processing; the second step
// still moves and delays, then the stop ends the flight, which quits.
TEST_F(Flight, ExitKeyEndsTheFlightAfterTheNextStepsMove) {
  for (WORD key : {WORD{VK_ESCAPE}, WORD{VK_SHIFT}, WORD{'A'}, WORD{VK_F1}, WORD{VK_SPACE}}) {
    SCOPED_TRACE(key);
    PostKey(key);
    craft->FormActivate();
    EXPECT_TRUE(craft->StopRequested);
    EXPECT_TRUE(TakeQuit()) << "the flight ends the application's loop";
    EXPECT_EQ(Left(), kEntryLeft + 1);
    int top = craft->BoundsRect().top;
    EXPECT_TRUE(top == 500 || top == 400 || top == 300) << top;
  }
  EXPECT_EQ(periods.begins, 5);
  EXPECT_EQ(periods.ends, 5);
}

// Tab, Ctrl, Alt and Delete assign the stop rather than leave it: pressed
// after an exit key and before the flight tests the stop, they cancel it, and
// the flight flies on until a later exit key.
TEST_F(Flight, KeysThatDoNotEndTheRunClearAPendingStop) {
  for (WORD key : {WORD{VK_TAB}, WORD{VK_CONTROL}, WORD{VK_MENU}, WORD{VK_DELETE}}) {
    SCOPED_TRACE(key);
    PostKey(VK_ESCAPE);
    PostKey(key);
    int leftWhenChecked = 0;
    When later(InMidPass(), [&] {
      leftWhenChecked = Left();
      PostKey(VK_ESCAPE);
    });
    craft->FormActivate();
    EXPECT_TRUE(later.Fired()) << "the flight ended on the first exit key";
    EXPECT_EQ(Left(), leftWhenChecked + 1);
    EXPECT_TRUE(TakeQuit());
  }
}

// N shows the next background at once and leaves the pass where it is.
TEST_F(Flight, NStepsTheBackgroundWithoutDisturbingThePass) {
  ScreenSaverBackground->SetBackgroundId(2);
  PostKey('N');
  PostKey(VK_ESCAPE);
  craft->FormActivate();
  EXPECT_EQ(settings::Read(settings::BackgroundId), 3) << "the cycle showed 2, N showed 3";
  EXPECT_EQ(ScreenSaverBackground->BackgroundId(), 4);
  EXPECT_EQ(Left(), kEntryLeft + 1);
  EXPECT_TRUE(TakeQuit());
}

TEST_F(Flight, OnePixelOfPointerMovementEndsTheFlight) {
  POINT start;
  ASSERT_TRUE(GetCursorPos(&start));
  int leftWhenMoved = 0;
  When move(InMidPass(), [&] {
    leftWhenMoved = Left();
    SetCursorPos(start.x + (start.x > 0 ? -1 : 1), start.y);
  });
  craft->FormActivate();
  EXPECT_TRUE(move.Fired());
  EXPECT_TRUE(craft->StopRequested);
  EXPECT_EQ(craft->StartCursorPos.x, start.x);
  EXPECT_EQ(craft->StartCursorPos.y, start.y);
  EXPECT_EQ(Left(), leftWhenMoved + 1) << "the next step tests the pointer, moves, delays and stops";
  EXPECT_TRUE(TakeQuit());
}

// Message processing takes the quit message of a closed stage or an ending
// session; the flight ends on it as on a stop. With a delay the quit is taken
// during the first step's delay, so that step is the last.
TEST_F(Flight, TerminationEndsTheFlight) {
  settings::Write(settings::Speed, 3);
  PostQuitMessage(0);
  craft->FormActivate();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(craft->StopRequested);
  EXPECT_EQ(Left(), kEntryLeft);
  EXPECT_EQ(periods.ends, 1);
}

// Unclamped, PassCount 0 would spin through cycles that never look at the
// queue, and Speed -1 would delay for weeks per step: both would hang here.
TEST_F(Flight, PassCountZeroAndNegativeSpeedStillEndOnInput) {
  const char* cases[][2] = {{"0", "0"}, {"-1", "10"}, {"-1", "0"}, {"abc", "-3"}};
  for (const auto& [speed, passCount] : cases) {
    SCOPED_TRACE(std::string("Speed ") + speed + ", PassCount " + passCount);
    settings::Write(settings::Speed, speed);
    settings::Write(settings::PassCount, passCount);
    PostKey(VK_ESCAPE);
    craft->FormActivate();
    EXPECT_EQ(Left(), kEntryLeft + 1);
    EXPECT_TRUE(TakeQuit());
  }
}

// A new activation starts a flight inside the running one; both share the
// stop, so one key ends them all, and each raised the timer resolution once.
TEST_F(Flight, NestedFlightsShareTheStopAndPairTheTimerResolution) {
  settings::Write(settings::Speed, 1);
  int innerEntered = 0;
  When nest([] { return true; },
            [&] {
              ++innerEntered;
              When stop(InMidPass(), [&] { PostKey(VK_ESCAPE); });
              craft->FormActivate();
            });
  craft->FormActivate();
  EXPECT_EQ(innerEntered, 1);
  EXPECT_EQ(periods.begins, 2);
  EXPECT_EQ(periods.ends, 2);
  EXPECT_EQ(periods.deepest, 2);
  EXPECT_EQ(periods.depth, 0);
  EXPECT_TRUE(TakeQuit());
}

TEST_F(Flight, RefusedTimerResolutionIsNotGivenBack) {
  vessels::TimerPeriodApi() = {RefuseBegin, CountEnd};
  PostKey(VK_ESCAPE);
  craft->FormActivate();
  EXPECT_EQ(periods.begins, 1);
  EXPECT_EQ(periods.ends, 0);
  EXPECT_TRUE(TakeQuit());
}

// Whether the platform holds the screensaver-running state. Wine keeps it,
// though it never writes the previous state into the caller's flag.
bool ScreenSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running != FALSE;
}

// The whole hand-over on the stage: the craft is shown modally, cut to its
// sprite, flies with the pointer hidden, the screensaver-running state set, the
// timer raised and the craft registered once for the display's state, and when
// it stops everything is given back and the quit reaches the outer loop.
TEST_F(Flight, StageHandsTheRunToTheCraftAndRestoresThePointer) {
  settings::Write(settings::VesselIndex, 3);
  settings::Write(settings::Speed, 1);
  const int countBefore = CursorCount();
  int countDuring = 99, depthDuring = 0;
  bool activeDuring = false, shapedDuring = false, runningDuring = false;
  PowerRegistrations registrationsDuring;
  ASSERT_FALSE(ScreenSaverRunning());
  When check(InMidPass(), [&] {
    registrationsDuring = registrations;
    countDuring = CursorCount();
    runningDuring = ScreenSaverRunning();
    depthDuring = periods.depth;
    activeDuring = GetActiveWindow() == craft->Handle() && craft->Visible();
    forms::UniqueHrgn region(CreateRectRgn(0, 0, 0, 0));
    shapedDuring = GetWindowRgn(craft->Handle(), region.get()) == COMPLEXREGION;
    PostKey(VK_ESCAPE);
  });
  // As in a run, the stage stands on the screen, its picture not yet painted,
  // when it becomes active: the picture must be there before the craft.
  ShowWindow(ScreenSaverBackground->Handle(), SW_SHOWNOACTIVATE);
  ASSERT_TRUE(GetUpdateRect(ScreenSaverBackground->imgBackground.Handle(), nullptr, FALSE));
  watchedCraft = craft->Handle();
  craftShowSeen = false;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchCraftShow, nullptr, GetCurrentThreadId());
  ScreenSaverBackground->FormActivate();
  UnhookWindowsHookEx(hook);
  ShowWindow(ScreenSaverBackground->Handle(), SW_HIDE);
  EXPECT_TRUE(craftShowSeen);
  EXPECT_FALSE(stageUnpaintedAtCraftShow);
  EXPECT_TRUE(check.Fired());
  EXPECT_EQ(countDuring, countBefore - 1);
  EXPECT_TRUE(runningDuring);
  EXPECT_FALSE(ScreenSaverRunning());
  EXPECT_EQ(depthDuring, 1);
  EXPECT_TRUE(activeDuring);
  EXPECT_TRUE(shapedDuring);
  EXPECT_EQ(registrationsDuring.registered, 1);
  EXPECT_EQ(registrationsDuring.unregistered, 0);
  EXPECT_EQ(registrationsDuring.window, craft->Handle());
  EXPECT_EQ(registrationsDuring.flags, DWORD{DEVICE_NOTIFY_WINDOW_HANDLE});
  EXPECT_TRUE(IsEqualGUID(registrationsDuring.setting,
                          IsWindows8OrGreater() ? GUID_CONSOLE_DISPLAY_STATE : GUID_MONITOR_POWER_ON));
  EXPECT_EQ(registrations.registered, 1);
  EXPECT_EQ(registrations.unregistered, 1);
  EXPECT_EQ(registrations.lastUnregistered, kRegistration);
  EXPECT_EQ(CursorCount(), countBefore);
  EXPECT_EQ(periods.depth, 0);
  EXPECT_FALSE(craft->Visible());
  EXPECT_TRUE(Application.Terminated()) << "the modal loop took the quit";
  EXPECT_TRUE(TakeQuit()) << "and handed it on to the outer loop";
}

// With no craft the pointer shows again at once, and the stage itself ends
// the run: on an exit key (not on Tab, Ctrl, Alt, Delete) or on one pixel of
// pointer movement.
TEST_F(Flight, StageWithoutACraftEndsTheRunOnInput) {
  for (int index : {9, -1, 5}) {
    SCOPED_TRACE(index);
    settings::Write(settings::VesselIndex, index);
    const int countBefore = CursorCount();
    ScreenSaverBackground->FormActivate();
    EXPECT_EQ(CursorCount(), countBefore);
    EXPECT_FALSE(ScreenSaverRunning());
    for (WORD key : {WORD{VK_TAB}, WORD{VK_CONTROL}, WORD{VK_MENU}, WORD{VK_DELETE}}) {
      SendMessageW(ScreenSaverBackground->Handle(), WM_KEYDOWN, key, 0);
      EXPECT_FALSE(TakeQuit()) << key;
    }
    SendMessageW(ScreenSaverBackground->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(TakeQuit());
  }

  settings::Write(settings::VesselIndex, 9);
  ScreenSaverBackground->FormActivate();
  POINT start;
  ASSERT_TRUE(GetCursorPos(&start));
  SetCursorPos(start.x, start.y + (start.y > 0 ? -1 : 1));
  bool quit = false;
  // Each look waits for the next message itself, so no pause lies between two.
  WaitFor(
      [&] {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
          if (message.message == WM_QUIT) quit = true;
          DispatchMessageW(&message);
        }
        return quit;
      },
      10000, 0);
  EXPECT_TRUE(quit);
  SendMessageW(ScreenSaverBackground->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(TakeQuit()) << "the watch ended with the run";
  EXPECT_EQ(registrations.registered, 0) << "no craft, nothing to pause";
}

// Milliseconds since a GetTickCount reading.
DWORD Since(DWORD tick) {
  return GetTickCount() - tick;
}

// While the display is off no step is flown and the timer period of every
// flight (nested ones hold one each) is given back; dimmed, the panel is still
// seen and the flight goes on; on again, the pass goes on from where it
// stopped, over the same background, with the timer raised again. Each stage
// also moves on after a deadline, so a flight that never resumes fails here
// rather than hangs.
TEST_F(Flight, DarkDisplayHoldsTheFlightAndGivesBackTheTimer) {
  settings::Write(settings::Speed, 1);
  int leftDimmed = 0, leftDark = 0, topDark = 0, leftHeld = 0, topHeld = 0, leftResumed = 0;
  int depthDark = -1, depthHeld = -1, depthResumed = -1, backgroundDark = -1, backgroundResumed = -1;
  DWORD dimmedAt = 0, darkAt = 0, heldAt = 0;
  When nest([] { return true; },
            [&] {
              When dim(InMidPass(), [&] {
                leftDimmed = Left();
                dimmedAt = GetTickCount();
                EXPECT_TRUE(testing_power::ReportDisplay(craft->Handle(), 2));
              });
              When dark(
                  [&] {
                    return dim.Fired() && ((Left() > leftDimmed + 3 && Left() < 0) || Since(dimmedAt) > 5000);
                  },
                  [&] {
                    depthDark = periods.depth;
                    EXPECT_TRUE(testing_power::ReportDisplay(craft->Handle(), 0));
                    leftDark = Left();
                    topDark = craft->BoundsRect().top;
                    backgroundDark = ScreenSaverBackground->BackgroundId();
                    darkAt = GetTickCount();
                  });
              When held([&] { return dark.Fired() && Since(darkAt) >= 1000; },
                        [&] {
                          leftHeld = Left();
                          topHeld = craft->BoundsRect().top;
                          depthHeld = periods.depth;
                          heldAt = GetTickCount();
                          testing_power::ReportDisplay(craft->Handle(), 1);
                        });
              When resumed([&] { return held.Fired() && (Left() != leftDark || Since(heldAt) > 5000); },
                           [&] {
                             leftResumed = Left();
                             depthResumed = periods.depth;
                             backgroundResumed = ScreenSaverBackground->BackgroundId();
                             PostKey(VK_ESCAPE);
                           });
              craft->FormActivate();
              EXPECT_TRUE(resumed.Fired());
            });
  craft->FormActivate();
  EXPECT_TRUE(nest.Fired());
  EXPECT_GT(leftDark, leftDimmed + 3) << "the flight stopped while dimmed";
  EXPECT_EQ(depthDark, 2);
  EXPECT_EQ(leftHeld, leftDark) << "a step was flown in the dark";
  EXPECT_EQ(topHeld, topDark);
  EXPECT_EQ(depthHeld, 0) << "the timer period was kept in the dark";
  EXPECT_GT(leftResumed, leftDark) << "the pass did not go on from where it stopped";
  EXPECT_EQ(backgroundResumed, backgroundDark);
  EXPECT_EQ(depthResumed, 2);
  EXPECT_EQ(periods.depth, 0);
  EXPECT_EQ(periods.begins, periods.ends);
  EXPECT_TRUE(TakeQuit());
}

// In the dark a key or one pixel of pointer movement ends the flight at once,
// without another step, and termination is requested; N still steps the
// picture. Should the input not end it, the display comes back on after a
// deadline and the test fails on the steps flown then.
TEST_F(Flight, InputEndsTheFlightInTheDark) {
  POINT start;
  ASSERT_TRUE(GetCursorPos(&start));
  const struct {
    const char* what;
    std::function<void()> input;
    int backgroundsStepped;
  } cases[] = {
      {"Escape", [this] { PostKey(VK_ESCAPE); }, 0},
      {"pointer", [start] { SetCursorPos(start.x + (start.x > 0 ? -1 : 1), start.y); }, 0},
      {"N, then Escape",
       [this] {
         PostKey('N');
         PostKey(VK_ESCAPE);
       },
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetCursorPos(start.x, start.y);
    ScreenSaverBackground->SetBackgroundId(1);
    int leftDark = 0, background = 0;
    DWORD darkAt = 0;
    When dark(InMidPass(), [&] {
      testing_power::ReportDisplay(craft->Handle(), 0);
      leftDark = Left();
      background = ScreenSaverBackground->BackgroundId();
      darkAt = GetTickCount();
    });
    When input([&] { return dark.Fired() && Since(darkAt) >= 200; }, c.input);
    When deadline([&] { return input.Fired() && Since(darkAt) > 5000; },
                  [&] { testing_power::ReportDisplay(craft->Handle(), 1); });
    craft->FormActivate();
    EXPECT_TRUE(input.Fired());
    EXPECT_FALSE(deadline.Fired());
    EXPECT_TRUE(craft->StopRequested);
    EXPECT_TRUE(TakeQuit());
    EXPECT_EQ(Left(), leftDark);
    EXPECT_EQ(ScreenSaverBackground->BackgroundId(), background + c.backgroundsStepped);
    EXPECT_EQ(periods.depth, 0);
    testing_power::ReportDisplay(craft->Handle(), 1);
  }
  SetCursorPos(start.x, start.y);
}

}  // namespace
