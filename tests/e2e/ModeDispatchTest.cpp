// Each command line starts the real screensaver; the mode that ran is told
// from outside by the window it shows (or does not show) and its exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/common/SettingsFile.h"
#include "tests/common/Wait.h"
#include "tests/e2e/HostWindow.h"
#include "tests/e2e/SaverProcess.h"

namespace {

using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;
using testing_settings::DeleteSettings;
using testing_wait::kExitTimeout;
using testing_wait::kStartTimeout;
using testing_wait::WaitFor;

class ModeDispatch : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettings(); }
  void TearDown() override { DeleteSettings(); }
};

// The stage covers the primary screen; a close request to it ends the run.
TEST_F(ModeDispatch, RunModeForNoSwitchSlashSAndAnythingUnrecognised) {
  const wchar_t* arguments[] = {L"", L" /s", L" /S", L" /C", L" /P 1234", L" /A 99", L" -c"};
  for (const wchar_t* argument : arguments) {
    SCOPED_TRACE(testing::Message() << "arguments:" << argument);
    SaverProcess saver(Quoted(SaverPath()) + argument);
    HWND stage = saver.WaitForWindow(L"ScreenSaverBackground", kStartTimeout);
    ASSERT_NE(stage, nullptr);
    RECT bounds;
    GetWindowRect(stage, &bounds);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(bounds.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(saver.WaitForWindow(L"Configuration", 0), nullptr);
    PostMessageW(stage, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  }
}

TEST_F(ModeDispatch, ConfigureModeShowsTheOwnerlessSettingsDialogOnly) {
  const wchar_t* arguments[] = {L" /c", L" /c:1234", L" /c 1234", L" /s /c"};
  for (const wchar_t* argument : arguments) {
    SCOPED_TRACE(testing::Message() << "arguments:" << argument);
    SaverProcess saver(Quoted(SaverPath()) + argument);
    HWND dialog = saver.WaitForWindow(L"Configuration", kStartTimeout);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    EXPECT_EQ(saver.VisibleWindows().size(), 1u) << "the stage must not be shown in configure mode";
    const std::vector<HWND> windows = saver.Windows();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), e2e::Topmost)) << "only a run stays on top";
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  }
}

// Password setup does nothing; preview without a separate handle word ends at
// once. Neither shows a window, and neither touches the settings file.
TEST_F(ModeDispatch, PasswordSetupAndHandlelessPreviewEndAtOnceWithoutWindows) {
  const wchar_t* arguments[] = {L" /a", L" /a 99", L" /p", L" /p:1234", L" /a /p 5 /c", L" /p /c"};
  for (const wchar_t* argument : arguments) {
    SCOPED_TRACE(testing::Message() << "arguments:" << argument);
    SaverProcess saver(Quoted(SaverPath()) + argument);
    bool sawWindow = false;
    DWORD code = STILL_ACTIVE;
    // Each look waits for the exit itself, so no pause lies between two.
    WaitFor(
        [&] {
          sawWindow = sawWindow || !saver.VisibleWindows().empty();
          code = saver.WaitForExit(10);
          return code != STILL_ACTIVE;
        },
        kStartTimeout, 0);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(sawWindow);
    EXPECT_EQ(GetFileAttributesW(testing_settings::SettingsPathW().c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

// The program's own path takes part in the tests. Written with forward
// slashes, C:/previewcopy/... holds "/p" (and no "/a"), so preview mode wins
// over /c and takes the third word as the host window; with backslashes the
// same path holds no switch and /c decides.
TEST_F(ModeDispatch, ProgramPathContainingSlashPSelectsPreview) {
  const std::wstring folder = L"C:\\previewcopy";
  const std::wstring copy = folder + L"\\SarvaneShuttle.scr";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(SaverPath().c_str(), copy.c_str(), FALSE));
  {
    e2e::HostWindow host(152, 112, copy);
    host.Show();
    SaverProcess preview(L"\"C:/previewcopy/SarvaneShuttle.scr\" /c " + e2e::HandleWord(host.Handle()), copy);
    EXPECT_TRUE(host.WaitForDrawing(kStartTimeout)) << "preview mode did not draw into the host";
    EXPECT_EQ(preview.WaitForWindow(L"Configuration", 0), nullptr);
    ShowWindow(host.Handle(), SW_HIDE);
    EXPECT_EQ(preview.WaitForExit(kExitTimeout), 0u);
  }
  {
    SaverProcess configure(Quoted(copy) + L" /c", copy);
    HWND dialog = configure.WaitForWindow(L"Configuration", kStartTimeout);
    EXPECT_NE(dialog, nullptr);
    if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(configure.WaitForExit(kExitTimeout), 0u);
  }
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
