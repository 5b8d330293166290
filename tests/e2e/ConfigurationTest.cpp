// The settings dialog of "/c", driven from outside like a user would: what it
// shows from the settings file, what Ok, Cancel, the close box and the preview
// clicks leave in that file, and where Tab moves the focus.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/ScreenPixels.h"
#include "tests/common/SettingsFile.h"
#include "tests/common/Wait.h"
#include "tests/common/WindowClass.h"
#include "tests/e2e/SaverProcess.h"
#include "tests/e2e/XInput.h"

namespace {

using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;
using testing_settings::DeleteSettings;
using testing_settings::SettingsPathA;
using testing_settings::SettingsPathW;
using testing_wait::kExitTimeout;
using testing_wait::kReactionTimeout;
using testing_wait::kStartTimeout;
using testing_wait::WaitFor;
using testing_windows::ClassOf;

// The lines of section Settings exactly as the file holds them, in file
// order. Read raw: the profile functions would trim blanks off the values.
std::vector<std::string> StoredSettings() {
  std::vector<std::string> entries;
  HANDLE file = CreateFileW(SettingsPathW().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return entries;
  std::string text(65536, '\0');
  DWORD length = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &length, nullptr);
  CloseHandle(file);
  text.resize(length);
  bool inSection = false;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[') {
      inSection = line == "[Settings]";
      continue;
    }
    if (inSection) entries.push_back(line);
  }
  return entries;
}

void Store(const char* key, const char* value) {
  WritePrivateProfileStringA("Settings", key, value, SettingsPathA().c_str());
}

std::string BackgroundEntry(int id) {
  // Appended rather than concatenated: GCC 12's -Wrestrict misreads `"..." + std::string` here.
  std::string entry = "BackgroundId=";
  entry += std::to_string(id);
  return entry;
}

bool WaitForStored(const std::vector<std::string>& expected) {
  return WaitFor([&] { return StoredSettings() == expected; }, kReactionTimeout);
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return text;
}

RECT ScreenRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// The controls of the dialog, told apart by class and text.
struct Dialog {
  HWND form = nullptr;
  HWND speed = nullptr, passCount = nullptr, vessels = nullptr, ok = nullptr, cancel = nullptr,
       preview = nullptr, hint = nullptr;

  explicit Dialog(HWND window) : form(window) {
    EnumChildWindows(form, Collect, reinterpret_cast<LPARAM>(this));
  }
  static BOOL CALLBACK Collect(HWND child, LPARAM self) {
    auto* dialog = reinterpret_cast<Dialog*>(self);
    std::wstring kind = ClassOf(child), text = TextOf(child);
    if (kind == TRACKBAR_CLASSW) dialog->speed = child;
    if (kind == L"Edit" && ClassOf(GetParent(child)) != L"ComboBox") dialog->passCount = child;
    if (kind == L"ComboBox") dialog->vessels = child;
    if (kind == L"Button" && text == L"Ok") dialog->ok = child;
    if (kind == L"Button" && text == L"Abbruch") dialog->cancel = child;
    if (kind == L"SarvaneImage") dialog->preview = child;
    if (kind == L"Static" && text.rfind(L"Hier klicken", 0) == 0) dialog->hint = child;
    return TRUE;
  }
  bool Complete() const { return speed && passCount && vessels && ok && cancel && preview && hint; }

  int Position() const { return static_cast<int>(SendMessageW(speed, TBM_GETPOS, 0, 0)); }
  int Selected() const { return static_cast<int>(SendMessageW(vessels, CB_GETCURSEL, 0, 0)); }
  // A point of the picture well away from the hint in its lower right part;
  // the n-th click lands apart from the one before, so that two quick clicks
  // are two clicks and not a double-click.
  POINT OnPicture(int n = 0) const {
    return {ScreenRect(preview).left + 10 + 20 * (n % 2), ScreenRect(preview).top + 10};
  }
  POINT OnHint() const {
    RECT r = ScreenRect(hint);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // The close box, found the way the window manager finds it: by hit-testing.
  POINT OnCloseBox() const {
    RECT r = ScreenRect(form);
    for (int y = r.top; y < r.top + 40; ++y)
      for (int x = r.right - 1; x > r.right - 60; --x)
        if (SendMessageW(form, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return {x, y};
    return {-1, -1};
  }
};

class ConfigureMode : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettings(); }
  void TearDown() override { DeleteSettings(); }

  // Starts "/c" and waits until the dialog is up and has stored its start background.
  Dialog Open(SaverProcess& saver, const std::string& expectedBackgroundEntry = "BackgroundId=0") {
    HWND window = saver.WaitForWindow(L"Configuration", kStartTimeout);
    EXPECT_NE(window, nullptr) << "the dialog did not open";
    Dialog dialog(window);
    EXPECT_TRUE(dialog.Complete()) << "a control is missing";
    auto stored = [&] {
      auto entries = StoredSettings();
      return std::find(entries.begin(), entries.end(), expectedBackgroundEntry) != entries.end();
    };
    EXPECT_TRUE(WaitFor(stored, kReactionTimeout)) << "the start background was not stored on show";
    return dialog;
  }
};

// With no file: the fast end, ten passes, the first craft; and the start
// background is stored before the user does anything. A stored one is reset.
TEST_F(ConfigureMode, OpensWithDefaultsFocusOnSpeedAndStoresBackgroundZero) {
  for (const char* storedBackground : {static_cast<const char*>(nullptr), "3"}) {
    SCOPED_TRACE(storedBackground ? storedBackground : "no file");
    DeleteSettings();
    if (storedBackground) Store("BackgroundId", storedBackground);
    SaverProcess saver(Quoted(SaverPath()) + L" /c");
    Dialog dialog = Open(saver);
    ASSERT_TRUE(dialog.Complete());
    EXPECT_EQ(dialog.Position(), 10);
    EXPECT_EQ(TextOf(dialog.passCount), L"10");
    EXPECT_EQ(dialog.Selected(), 0);
    EXPECT_EQ(TextOf(dialog.vessels), L"Sarvane");
    EXPECT_TRUE(WaitFor([&] { return e2e::FocusOf(dialog.form) == dialog.speed; }, kReactionTimeout))
        << "focus not on the speed";
    EXPECT_EQ(StoredSettings(), std::vector<std::string>{"BackgroundId=0"});
    PostMessageW(dialog.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  }
}

// Ok stores the three values in order: the speed turned round, the pass count
// exactly as the field holds it (in the ANSI code page), and the selected list
// item or -1. A key the file had keeps its place; new ones follow as written.
TEST_F(ConfigureMode, OkStoresSpeedPassCountAndVesselInOrder) {
  auto passCount = [](const wchar_t* text) {
    return [text](const Dialog& d) { SetWindowTextW(d.passCount, text); };
  };
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> stored;
    std::function<void(const Dialog&)> edit;
    std::vector<std::string> expected;
  } cases[] = {
      {"untouched", {}, nullptr, {"BackgroundId=0", "Speed=0", "PassCount=10", "VesselIndex=0"}},
      {"speed 3", {{"Speed", "3"}}, nullptr, {"Speed=3", "BackgroundId=0", "PassCount=10", "VesselIndex=0"}},
      {"speed 12",
       {{"Speed", "12"}},
       nullptr,
       {"Speed=10", "BackgroundId=0", "PassCount=10", "VesselIndex=0"}},
      {"vessel 7",
       {{"VesselIndex", "7"}},
       nullptr,
       {"VesselIndex=-1", "BackgroundId=0", "Speed=0", "PassCount=10"}},
      {"slowest, random craft",
       {},
       [](const Dialog& d) {
         SendMessageW(d.speed, TBM_SETPOS, TRUE, 0);
         SendMessageW(d.vessels, CB_SETCURSEL, 4, 0);
       },
       {"BackgroundId=0", "Speed=10", "PassCount=10", "VesselIndex=4"}},
      {"empty", {}, passCount(L""), {"BackgroundId=0", "Speed=0", "PassCount=", "VesselIndex=0"}},
      {"letters", {}, passCount(L"abc"), {"BackgroundId=0", "Speed=0", "PassCount=abc", "VesselIndex=0"}},
      // Wine's profile writer trims the blanks around a value (Windows keeps
      // them), so here they cannot be seen in the file; the text between them can.
      {"blanks", {}, passCount(L" 7 x "), {"BackgroundId=0", "Speed=0", "PassCount=7 x", "VesselIndex=0"}},
      // A craft's name typed into the field is text, not a selection.
      {"typed craft",
       {},
       [](const Dialog& d) {
         HWND field = FindWindowExW(d.vessels, nullptr, L"Edit", nullptr);
         PostMessageW(field, EM_SETSEL, 0, -1);
         for (wchar_t c : std::wstring(L"Thornax")) PostMessageW(field, WM_CHAR, c, 1);
         ASSERT_TRUE(WaitFor([&] { return TextOf(d.vessels) == L"Thornax"; }, kReactionTimeout));
       },
       {"BackgroundId=0", "Speed=0", "PassCount=10", "VesselIndex=-1"}},
      {"umlaut",
       {},
       passCount(L"zw\u00F6lf"),
       {"BackgroundId=0", "Speed=0", "PassCount=zw\xF6lf", "VesselIndex=0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteSettings();
    for (const auto& [key, value] : c.stored) Store(key, value);
    SaverProcess saver(Quoted(SaverPath()) + L" /c");
    Dialog dialog = Open(saver);
    ASSERT_TRUE(dialog.Complete());
    if (c.edit) c.edit(dialog);
    PostMessageW(dialog.ok, BM_CLICK, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
    EXPECT_EQ(StoredSettings(), c.expected);
  }
}

// Each click shows, stores, then steps: the first shows 0 again, the fifth 4,
// the sixth 0; the screen shows each picture. A click on the hint text
// reaches the hint, not the picture. Cancel keeps what the clicks stored and
// writes nothing else.
TEST_F(ConfigureMode, PreviewClicksStoreEachPictureAtOnceAndTheHintDoesNotStep) {
  for (bool sixth : {false, true}) {
    SCOPED_TRACE(sixth ? "six clicks and the hint" : "five clicks, then Abbruch");
    DeleteSettings();
    SaverProcess saver(Quoted(SaverPath()) + L" /c");
    Dialog dialog = Open(saver);
    ASSERT_TRUE(dialog.Complete());
    // The picture as the screen shows it, less the hint's text over it: a
    // window of its own, painted after the picture and maybe shown apart.
    const RECT picture = ScreenRect(dialog.preview), label = ScreenRect(dialog.hint);
    RECT hint;
    IntersectRect(&hint, &picture, &label);
    auto onScreen = [&] {
      std::vector<COLORREF> pixels = testing_screen::ScreenPixels(picture);
      for (LONG y = hint.top; y < hint.bottom; ++y)
        for (LONG x = hint.left; x < hint.right; ++x)
          pixels[(y - picture.top) * (picture.right - picture.left) + (x - picture.left)] = RGB(0, 0, 0);
      return pixels;
    };
    // Black until the first paint.
    auto painted = [](const std::vector<COLORREF>& pixels) {
      return std::any_of(pixels.begin(), pixels.end(), [](COLORREF c) { return c != RGB(0, 0, 0); });
    };
    ASSERT_TRUE(WaitFor([&] { return painted(onScreen()); }, kReactionTimeout))
        << "the preview was never painted";
    const std::vector<COLORREF> first = onScreen();
    std::vector<COLORREF> shown = first;
    for (int click = 1; click <= 5; ++click) {
      ASSERT_TRUE(e2e::ClickAt(dialog.OnPicture(click)));
      EXPECT_TRUE(WaitForStored({BackgroundEntry(click - 1)})) << "click " << click;
      if (click > 1) {
        EXPECT_TRUE(WaitFor([&] { return onScreen() != shown; }, kReactionTimeout))
            << "click " << click << " showed no new picture";
      }
      shown = onScreen();
    }
    if (sixth) {
      ASSERT_EQ(WindowFromPoint(dialog.OnHint()), dialog.hint);
      ASSERT_TRUE(e2e::ClickAt(dialog.OnHint()));
      EXPECT_EQ(onScreen(), shown) << "the hint click changed the picture";
      ASSERT_TRUE(e2e::ClickAt(dialog.OnPicture(6)));
      // Had the hint stepped, this click would have shown and stored 1.
      EXPECT_TRUE(WaitForStored({"BackgroundId=0"})) << "sixth click";
      EXPECT_TRUE(WaitFor([&] { return onScreen() == first; }, kReactionTimeout))
          << "the sixth click shows the first picture";
    }
    PostMessageW(dialog.cancel, BM_CLICK, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
    EXPECT_EQ(StoredSettings(), std::vector<std::string>{sixth ? "BackgroundId=0" : "BackgroundId=4"});
  }
}

// The close box and the system menu's close command end the dialog like
// Abbruch: edits are dropped, the stored values stay as they were.
TEST_F(ConfigureMode, CloseBoxAndSystemMenuCloseWriteNothing) {
  for (bool closeBox : {true, false}) {
    SCOPED_TRACE(closeBox ? "close box" : "system menu");
    DeleteSettings();
    Store("Speed", "3");
    Store("PassCount", "x5");
    Store("VesselIndex", "2");
    SaverProcess saver(Quoted(SaverPath()) + L" /c");
    Dialog dialog = Open(saver);
    ASSERT_TRUE(dialog.Complete());
    SendMessageW(dialog.speed, TBM_SETPOS, TRUE, 1);
    SetWindowTextW(dialog.passCount, L"42");
    SendMessageW(dialog.vessels, CB_SETCURSEL, 4, 0);
    const POINT box = dialog.OnCloseBox();
    ASSERT_NE(box.x, -1) << "no close box on the caption bar";
    EXPECT_TRUE(saver.EndsOn([&] {
      return closeBox ? e2e::ClickAt(box) : PostMessageW(dialog.form, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
    }));
    EXPECT_EQ(StoredSettings(),
              (std::vector<std::string>{"Speed=3", "PassCount=x5", "VesselIndex=2", "BackgroundId=0"}));
  }
}

// Tab runs through speed, Ok, Abbruch, pass count and craft and round again;
// Esc and Enter are bound to nothing, so the dialog stays and stores nothing.
TEST_F(ConfigureMode, TabOrderAndNoDefaultOrCancelKey) {
  SaverProcess saver(Quoted(SaverPath()) + L" /c");
  Dialog dialog = Open(saver);
  ASSERT_TRUE(dialog.Complete());
  ASSERT_TRUE(WaitFor([&] { return e2e::FocusOf(dialog.form) == dialog.speed; }, kReactionTimeout));
  HWND comboEdit = FindWindowExW(dialog.vessels, nullptr, L"Edit", nullptr);
  const HWND expected[] = {dialog.ok, dialog.cancel, dialog.passCount, comboEdit, dialog.speed};
  for (HWND next : expected) {
    ASSERT_TRUE(e2e::PressKey(dialog.form, "Tab"));
    EXPECT_TRUE(WaitFor([&] { return e2e::FocusOf(dialog.form) == next; }, kReactionTimeout))
        << "focus on " << ClassOf(e2e::FocusOf(dialog.form)).c_str();
  }
  for (const char* key : {"Escape", "Return", "Tab"}) ASSERT_TRUE(e2e::PressKey(dialog.form, key));
  // The Tab after them has been handled, so Esc and Enter have been too.
  EXPECT_TRUE(WaitFor([&] { return e2e::FocusOf(dialog.form) == dialog.ok; }, kReactionTimeout));
  EXPECT_TRUE(IsWindowVisible(dialog.form));
  EXPECT_EQ(StoredSettings(), std::vector<std::string>{"BackgroundId=0"});
  PostMessageW(dialog.cancel, BM_CLICK, 0, 0);
  EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
}

}  // namespace
