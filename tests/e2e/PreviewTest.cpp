// Preview mode draws into a child of a window of ours, which stands in for
// the display settings' preview window, until that window is hidden or
// destroyed or the child is closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/Wait.h"
#include "tests/e2e/HostWindow.h"
#include "tests/e2e/SaverProcess.h"

namespace {

using e2e::HandleWord;
using e2e::HostWindow;
using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;
using testing_wait::kExitTimeout;
using testing_wait::kReactionTimeout;
using testing_wait::kStartTimeout;
using testing_wait::WaitFor;

// The windows every start creates, hidden, before the mode's own work; the
// stage comes first. The preview looks at its host only once all exist.
const wchar_t* const kStartupWindows[] = {L"ScreenSaverBackground",          L"Backgrounds",
                                          L"ScreenSaverForegroundSarvane",   L"ScreenSaverForeground",
                                          L"ScreenSaverForegroundCalderine", L"ShowProgress",
                                          L"ScreenSaverForegroundThornax"};

// The stage, once every start-up window of the process exists; null before.
HWND StageOnceStarted(const SaverProcess& saver) {
  std::vector<std::wstring> captions;
  HWND stage = nullptr;
  for (HWND window : saver.Windows()) {
    captions.push_back(e2e::WindowCaption(window));
    if (captions.back() == kStartupWindows[0]) stage = window;
  }
  const bool all =
      std::all_of(std::begin(kStartupWindows), std::end(kStartupWindows), [&](const wchar_t* name) {
        return std::find(captions.begin(), captions.end(), name) != captions.end();
      });
  return all ? stage : nullptr;
}

// A message sent to another process's window is answered only while its
// thread looks at its message queue.
bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kReactionTimeout, &result) != 0;
}

// The program's child under the host, where the display settings look for it.
HWND ChildOf(const HostWindow& host, const SaverProcess& saver) {
  for (HWND child = FindWindowExW(host.Handle(), nullptr, nullptr, nullptr); child;
       child = FindWindowExW(host.Handle(), child, nullptr, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(child, &owner);
    if (owner == saver.Id()) return child;
  }
  return nullptr;
}

// The settings end a preview in one of three ways: they hide or destroy their
// preview window, or they close the program's child in it (another screensaver
// picked, the full-screen preview started) and keep their window as it is.
// Wine shows nothing drawn into a child of another process's window (see
// docs/wine-facts.md): the screen shows the copy the program also draws into
// the host's own window, and the child is checked for its place.
TEST(Preview, DrawsIntoAChildOfTheVisibleHostUntilEitherEnds) {
  enum class End { Hide, Destroy, CloseChild };
  const std::pair<End, const char*> ends[] = {
      {End::Hide, "host hidden"}, {End::Destroy, "host destroyed"}, {End::CloseChild, "child closed"}};
  for (const auto& [end, name] : ends) {
    SCOPED_TRACE(name);
    HostWindow host(152, 112, SaverPath());
    host.Show();
    ASSERT_EQ(host.ScreenPixel(76, 56), e2e::kHostColour);
    SaverProcess saver(Quoted(SaverPath()) + L" /p " + HandleWord(host.Handle()));
    EXPECT_TRUE(host.WaitForDrawing(20000)) << "the picture never reached the host window";
    EXPECT_TRUE(saver.VisibleWindows().empty()) << "the preview shows no window of its own";
    const std::vector<HWND> windows = saver.Windows();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), e2e::Topmost));
    HWND child = ChildOf(host, saver);
    ASSERT_NE(child, nullptr) << "no child for the settings to close";
    EXPECT_TRUE(IsWindowVisible(child));
    RECT hostArea{}, childArea{};
    GetClientRect(host.Handle(), &hostArea);
    GetWindowRect(child, &childArea);
    MapWindowPoints(nullptr, host.Handle(), reinterpret_cast<POINT*>(&childArea), 2);
    EXPECT_TRUE(EqualRect(&hostArea, &childArea)) << "the child must fill the host's client area";
    ASSERT_TRUE(saver.Running()) << "the preview must keep drawing while the host is visible";
    switch (end) {
      case End::Hide:
        ShowWindow(host.Handle(), SW_HIDE);
        break;
      case End::Destroy:
        DestroyWindow(host.Handle());
        break;
      case End::CloseChild:
        PostMessageW(child, WM_CLOSE, 0, 0);
        break;
    }
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  }
}

// The host may paint its window at any time; the preview paints over it again.
TEST(Preview, DrawingComesBackAfterTheHostPaintsOverIt) {
  HostWindow host(152, 112, SaverPath());
  host.Show();
  SaverProcess saver(Quoted(SaverPath()) + L" /p " + HandleWord(host.Handle()));
  ASSERT_TRUE(host.WaitForDrawing(20000));
  for (int repaint = 0; repaint < 3; ++repaint) {
    SCOPED_TRACE(repaint);
    RedrawWindow(host.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_TRUE(host.WaitForDrawing(10000)) << "the picture did not come back";
  }
  EXPECT_TRUE(saver.Running());
  ShowWindow(host.Handle(), SW_HIDE);
  EXPECT_EQ(saver.WaitForExit(10000), 0u);
}

TEST(Preview, WaitsForTheHostToBecomeVisibleAndTakesDigitsBeforeLetters) {
  // A window of ours where the hidden host lies, in the host's colour: what
  // the preview drew there would show on it.
  HostWindow backdrop(152, 112, SaverPath());
  backdrop.Show();
  ASSERT_TRUE(WaitFor([&] { return backdrop.ShowsOnlyItsColour(); }, kStartTimeout));
  HostWindow host(152, 112, SaverPath());
  SaverProcess saver(Quoted(SaverPath()) + L" /p " + HandleWord(host.Handle()) + L"xyz");
  HWND stage = nullptr;
  WaitFor([&] { return (stage = StageOnceStarted(saver)) != nullptr || !saver.Running(); }, kStartTimeout);
  ASSERT_NE(stage, nullptr) << "the preview ended or never created its windows";
  // Once its start-up windows exist, the preview first reads its messages in
  // the round of its first look at the host: a second answer can only come
  // after a look that found the host hidden and did not end the run.
  EXPECT_TRUE(Answers(stage) && Answers(stage)) << "the preview must wait for a hidden host";
  EXPECT_TRUE(saver.Running()) << "the preview must wait for a hidden host";
  EXPECT_TRUE(backdrop.ShowsOnlyItsColour()) << "the preview drew where its hidden host lies";
  ShowWindow(backdrop.Handle(), SW_HIDE);
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
