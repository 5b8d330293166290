// Preview mode draws into a window of ours, as the display settings' host
// window, until that window is hidden or destroyed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/e2e/HostWindow.h"
#include "tests/e2e/SaverProcess.h"

namespace {

using e2e::HandleWord;
using e2e::HostWindow;
using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;

TEST(Preview, DrawsIntoVisibleHostUntilItIsHiddenOrDestroyed) {
  for (bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroyed" : "hidden");
    HostWindow host(152, 112, SaverPath());
    host.Show();
    ASSERT_EQ(host.ScreenPixel(76, 56), e2e::kHostColour);
    SaverProcess saver(Quoted(SaverPath()) + L" /p " + HandleWord(host.Handle()));
    EXPECT_TRUE(host.WaitForDrawing(20000)) << "the picture never reached the host window";
    EXPECT_TRUE(saver.VisibleWindows().empty()) << "the preview shows no window of its own";
    ASSERT_TRUE(saver.Running()) << "the preview must keep drawing while the host is visible";
    if (destroy)
      DestroyWindow(host.Handle());
    else
      ShowWindow(host.Handle(), SW_HIDE);
    EXPECT_EQ(saver.WaitForExit(10000), 0u);
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
  HostWindow host(152, 112, SaverPath());
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
