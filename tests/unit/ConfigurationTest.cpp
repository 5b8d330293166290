// The settings dialog as built from its embedded layout, in this process:
// geometry at the screen's dpi, the platform controls and their styles,
// stacking and tab order, what construction loads, and the hint over the
// preview on screen after every click. What Ok and Cancel store is seen from
// outside, in the end-to-end tests.
//
// The scripts run this file once more at 120 and 144 dpi, with
// SARVANE_EXPECT_DPI set so that a session still at 96 dpi cannot pass for one.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Program.h"
#include "app/Wiring.h"
#include "backgrounds/UnitBackgrounds.h"
#include "dialogs/UnitScreenSaverDialog.h"
#include "forms/Application.h"
#include "forms/Layout.h"
#include "forms/Picture.h"
#include "settings/Settings.h"
#include "tests/common/ScreenPixels.h"
#include "tests/common/SettingsFile.h"
#include "tests/common/WindowClass.h"

namespace {

using forms::Application;
using testing_settings::DeleteSettings;
using testing_windows::ClassOf;

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int Scaled(int length) {
  return MulDiv(length, ScreenDpi(), 96);
}

void WriteSetting(const char* key, const char* value) {
  WritePrivateProfileStringA(settings::kSection, key, value, settings::kFileName);
}

// Dispatches until no window of this thread has anything left to paint, so
// the screen shows the final picture.
void Settle() {
  for (int round = 0; round < 100; ++round) {
    Application.ProcessMessages();
    if (!(GetQueueStatus(QS_PAINT | QS_POSTMESSAGE) & (QS_PAINT | QS_POSTMESSAGE))) return;
  }
  ADD_FAILURE() << "painting never settled";
}

// Pure white pixels on screen in a window's rectangle.
int WhitePixels(HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  auto pixels = testing_screen::ScreenPixels(bounds);
  return static_cast<int>(std::count(pixels.begin(), pixels.end(), RGB(255, 255, 255)));
}

// Every control with text shows it in the layout's 8-point font at the dpi,
// uncut; the drop-down's selection field holds a line of it and its list items
// are as high as the layout says.
void ExpectEveryTextFits(const TConfiguration& form, int dpi) {
  const int fontHeight = MulDiv(8, dpi, 72);
  for (const auto& control : form.Controls()) {
    SCOPED_TRACE(control->Name());
    RECT parent;
    GetClientRect(GetParent(control->Handle()), &parent);
    EXPECT_LE(control->Left() + control->Width(), parent.right) << "sticks out of its parent";
    EXPECT_LE(control->Top() + control->Height(), parent.bottom) << "sticks out of its parent";
    // The track bar has no text and keeps no font; the combo box is measured below.
    if (control.get() == &form.tbSpeed || control.get() == &form.cbChooseVessel) continue;

    HDC dc = GetDC(control->Handle());
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control->Handle(), WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, fontHeight) << "font not scaled";
    std::wstring text = control->Caption();
    RECT needed{0, 0, control->Width(), 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_NOPREFIX | (control.get() == &form.Label4 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, previous);
    ReleaseDC(control->Handle(), dc);
    EXPECT_LE(needed.right, control->Width()) << "text clipped";
    EXPECT_LE(needed.bottom, control->Height()) << "text clipped";
  }
  auto& vessels = form.cbChooseVessel;
  EXPECT_EQ(SendMessageW(vessels.Handle(), CB_GETITEMHEIGHT, 0, 0), MulDiv(13, dpi, 96));
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(vessels.Handle(), &info));
  EXPECT_GE(info.rcItem.bottom - info.rcItem.top, fontHeight);
}

class Configuration : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteSettings();
    if (const char* expected = std::getenv("SARVANE_EXPECT_DPI")) {
      ASSERT_EQ(ScreenDpi(), std::atoi(expected)) << "the session does not run at the dpi under test";
    }
    app::CreateStartupWindows();
  }
  void TearDown() override {
    dialog.reset();
    Application.DestroyForms();
    DeleteSettings();
  }
  TConfiguration& Create() {
    dialog = app::CreateConfiguration();
    return *dialog;
  }
  std::unique_ptr<TConfiguration> dialog;
};

TEST(ConfigurationValues, SpeedAndTrackBarPositionRunOppositeWaysWithinTheBar) {
  struct Case {
    int speed, position;
  } cases[] = {{0, 10}, {3, 7}, {10, 0}, {12, 0}, {-5, 10}, {INT_MIN, 10}, {INT_MAX, 0}};
  for (const auto& c : cases) EXPECT_EQ(configuration::TrackBarPosition(c.speed), c.position) << c.speed;
  for (int position = 0; position <= 10; ++position)
    EXPECT_EQ(configuration::TrackBarPosition(configuration::SpeedFromPosition(position)), position);
}

// Positions and sizes grow with the dpi, the designed place on screen does
// not, and every text fits the control that shows it.
TEST_F(Configuration, GeometryFollowsTheDpiAndNoTextIsClipped) {
  TConfiguration& form = Create();
  RECT bounds = form.BoundsRect();
  EXPECT_EQ(bounds.left, 264);
  EXPECT_EQ(bounds.top, 181);
  EXPECT_EQ(form.ClientWidth(), Scaled(473));
  EXPECT_EQ(form.ClientHeight(), Scaled(158));

  struct Case {
    forms::TControl* control;
    int left, top, width, height;  // 96-dpi layout values; labels size themselves
    bool sizesToText;
  } cases[] = {
      {&form.Panel1, 0, 0, 473, 158, false},       {&form.GroupBox1, 8, 9, 249, 64, false},
      {&form.Label1, 16, 16, 39, 13, true},        {&form.Label2, 200, 16, 33, 13, true},
      {&form.tbSpeed, 8, 29, 233, 28, false},      {&form.Label3, 64, 84, 144, 13, true},
      {&form.imgPreview, 268, 8, 189, 141, false}, {&form.Label4, 303, 110, 145, 30, false},
      {&form.Label5, 112, 108, 92, 13, true},      {&form.btnOk, 46, 130, 75, 22, false},
      {&form.btnCancel, 126, 130, 75, 22, false},  {&form.edtPassCount, 24, 80, 33, 21, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control->Name());
    EXPECT_EQ(c.control->Left(), Scaled(c.left));
    EXPECT_EQ(c.control->Top(), Scaled(c.top));
    if (!c.sizesToText) {
      EXPECT_EQ(c.control->Width(), Scaled(c.width));
      EXPECT_EQ(c.control->Height(), Scaled(c.height));
    }
  }
  ExpectEveryTextFits(form, ScreenDpi());
  EXPECT_EQ(form.cbChooseVessel.Left(), Scaled(24));
  EXPECT_EQ(form.cbChooseVessel.Top(), Scaled(104));
  EXPECT_EQ(form.cbChooseVessel.Width(), Scaled(81));
}

// Dragged to a monitor of another scale, the dialog goes where Windows
// suggests and lays out its controls and fonts for the new dpi as if it had
// opened there; and back again. Windows suggests the window rectangle scaled
// by the ratio of the dpis, which holds the contents only where the frame
// grows in step with them: otherwise the dialog keeps the suggested place and
// fits its size to its contents. Wine never sends the message itself (its
// monitors share one dpi) and draws every frame in the system's metrics, so
// the test sends it as Windows would, with both kinds of suggestion.
TEST_F(Configuration, FollowsAMoveToAMonitorOfAnotherScale) {
  TConfiguration& form = Create();
  form.Show();
  Settle();
  const RECT opened = form.BoundsRect();
  const int openedDpi = ScreenDpi();
  const SIZE frame{opened.right - opened.left - form.ClientWidth(),
                   opened.bottom - opened.top - form.ClientHeight()};
  auto bytes = forms::ResourceBytes("TCONFIGURATION", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  const forms::LayoutNode layout =
      forms::ParseLayout(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const forms::LayoutNode& panel = *layout.FindChild("Panel1");

  struct Case {
    int dpi;
    POINT at;     // where the drag leaves the window
    bool fitted;  // the suggestion holds the contents exactly, or is the window scaled whole
  } cases[] = {
      {144, {300, 140}, false}, {120, {250, 120}, true}, {openedDpi, {opened.left, opened.top}, false}};
  int oldDpi = openedDpi;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dpi << " dpi, " << (c.fitted ? "fitted" : "scaled")
                                    << " suggestion");
    const SIZE content{MulDiv(panel.Integer("Width", 0), c.dpi, 96),
                       MulDiv(panel.Integer("Height", 0), c.dpi, 96)};
    RECT before = form.BoundsRect();
    SIZE size = c.fitted ? SIZE{content.cx + frame.cx, content.cy + frame.cy}
                         : SIZE{MulDiv(before.right - before.left, c.dpi, oldDpi),
                                MulDiv(before.bottom - before.top, c.dpi, oldDpi)};
    RECT suggested{c.at.x, c.at.y, c.at.x + size.cx, c.at.y + size.cy};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    Settle();
    oldDpi = c.dpi;

    RECT bounds = form.BoundsRect();
    EXPECT_EQ(bounds.left, suggested.left);
    EXPECT_EQ(bounds.top, suggested.top);
    if (c.fitted) {
      EXPECT_TRUE(EqualRect(&bounds, &suggested)) << "the suggested rectangle was not taken";
    }
    EXPECT_EQ(form.ClientWidth(), content.cx) << "the contents do not fill the dialog";
    EXPECT_EQ(form.ClientHeight(), content.cy) << "the contents do not fill the dialog";
    for (const auto& control : form.Controls()) {
      SCOPED_TRACE(control->Name());
      const forms::LayoutNode& node = *layout.FindChild(control->Name());
      auto scaled = [&](const char* key) { return MulDiv(node.Integer(key, 0), c.dpi, 96); };
      EXPECT_EQ(control->Left(), scaled("Left"));
      EXPECT_EQ(control->Top(), scaled("Top"));
      if (control->Kind() == "Label" && node.Flag("AutoSize", true)) continue;  // sizes to its text
      EXPECT_EQ(control->Width(), scaled("Width"));
      // A drop-down's window height is its selection field's, which follows its font.
      if (control->Kind() != "ComboBox") {
        EXPECT_EQ(control->Height(), scaled("Height"));
      }
    }
    ExpectEveryTextFits(form, c.dpi);
  }
}

// The platform's own controls, styled as the dialog needs them.
TEST_F(Configuration, ControlsAreThePlatformsOwnWithTheirStyles) {
  TConfiguration& form = Create();
  auto style = [](const forms::TControl& control) { return GetWindowLongW(control.Handle(), GWL_STYLE); };
  LONG frame = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_TRUE(frame & WS_THICKFRAME);
  EXPECT_TRUE(frame & WS_SYSMENU);
  EXPECT_FALSE(frame & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  wchar_t caption[32];
  GetWindowTextW(form.Handle(), caption, 32);
  EXPECT_STREQ(caption, L"Configuration");

  EXPECT_EQ(ClassOf(form.tbSpeed.Handle()), TRACKBAR_CLASSW);
  EXPECT_TRUE(style(form.tbSpeed) & TBS_NOTICKS);
  EXPECT_FALSE(style(form.tbSpeed) & (TBS_VERT | TBS_ENABLESELRANGE));
  EXPECT_EQ(SendMessageW(form.tbSpeed.Handle(), TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageW(form.tbSpeed.Handle(), TBM_GETRANGEMAX, 0, 0), 10);
  EXPECT_EQ(SendMessageW(form.tbSpeed.Handle(), TBM_GETLINESIZE, 0, 0), 1);
  EXPECT_EQ(SendMessageW(form.tbSpeed.Handle(), TBM_GETPAGESIZE, 0, 0), 2);

  EXPECT_EQ(ClassOf(form.cbChooseVessel.Handle()), L"ComboBox");
  EXPECT_EQ(style(form.cbChooseVessel) & 3, CBS_DROPDOWN) << "must be editable";
  EXPECT_FALSE(style(form.cbChooseVessel) & CBS_SORT);
  std::vector<std::wstring> items;
  for (int i = 0; i < form.cbChooseVessel.Count(); ++i) items.push_back(form.cbChooseVessel.Item(i));
  EXPECT_EQ(items, (std::vector<std::wstring>{L"Sarvane", L"Tarn Skimmer", L"Calderine", L"Thornax",
                                              L"zuf\u00E4llig"}));

  EXPECT_EQ(ClassOf(form.GroupBox1.Handle()), L"Button");
  EXPECT_EQ(style(form.GroupBox1) & BS_TYPEMASK, BS_GROUPBOX);
  // The platform's group box leaves its inside to whatever lies beneath.
  form.Show();
  Settle();
  POINT inside{Scaled(6), form.GroupBox1.Height() - Scaled(6)};
  ClientToScreen(form.GroupBox1.Handle(), &inside);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, inside.x, inside.y), GetSysColor(COLOR_BTNFACE))
      << "the group box is not filled";
  ReleaseDC(nullptr, screen);

  EXPECT_EQ(ClassOf(form.edtPassCount.Handle()), L"Edit");
  EXPECT_GT(SendMessageW(form.edtPassCount.Handle(), EM_GETLIMITTEXT, 0, 0), 32767) << "the field is limited";

  for (forms::TButton* button : {&form.btnOk, &form.btnCancel}) {
    EXPECT_EQ(ClassOf(button->Handle()), L"Button");
    EXPECT_EQ(style(*button) & BS_TYPEMASK, BS_PUSHBUTTON) << button->Name() << " must not be the default";
  }
  EXPECT_EQ(form.btnOk.Caption(), L"Ok");
  EXPECT_EQ(form.btnCancel.Caption(), L"Abbruch");
  EXPECT_EQ(form.GroupBox1.Caption(), L" Geschwindigkeit ");
  EXPECT_EQ(form.Label3.Caption(), L"Durchl\u00E4ufe pro Hintergrundbild");
  EXPECT_EQ(form.Label4.Caption(), L"Hier klicken, um das Start- Hintergrundmotiv zu \u00E4ndern");
  EXPECT_EQ(form.Label5.Caption(), L"Raumschiffauswahl");
  EXPECT_EQ(SendMessageW(form.GroupBox1.Handle(), WM_GETFONT, 0, 0),
            reinterpret_cast<LRESULT>(form.FontHandle()))
      << "the group box would draw its caption in the system font";
}

// Later labels lie over earlier ones and the picture, so the hint is on top
// of the preview and a click in its rectangle reaches it, not the picture;
// Tab runs through the five controls and round again.
TEST_F(Configuration, HintLiesOverThePictureAndTabRunsInItsOwnOrder) {
  TConfiguration& form = Create();
  auto above = [](const forms::TControl& upper, const forms::TControl& lower) {
    for (HWND w = GetWindow(lower.Handle(), GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
      if (w == upper.Handle()) return true;
    return false;
  };
  EXPECT_TRUE(above(form.imgPreview, form.Label3));
  EXPECT_TRUE(above(form.Label4, form.imgPreview));
  EXPECT_TRUE(above(form.Label5, form.Label4));

  form.Show();
  Settle();
  RECT hint;
  GetWindowRect(form.Label4.Handle(), &hint);
  POINT inHint{(hint.left + hint.right) / 2, (hint.top + hint.bottom) / 2};
  EXPECT_EQ(WindowFromPoint(inHint), form.Label4.Handle());
  RECT picture;
  GetWindowRect(form.imgPreview.Handle(), &picture);
  EXPECT_EQ(WindowFromPoint({picture.left + 5, picture.top + 5}), form.imgPreview.Handle());

  EXPECT_EQ(GetFocus(), form.tbSpeed.Handle()) << "the first control in the tab order starts with the focus";
  std::vector<HWND> order;
  HWND at = form.tbSpeed.Handle();
  for (int i = 0; i < 5; ++i) order.push_back(at = GetNextDlgTabItem(form.Handle(), at, FALSE));
  EXPECT_EQ(order,
            (std::vector<HWND>{form.btnOk.Handle(), form.btnCancel.Handle(), form.edtPassCount.Handle(),
                               form.cbChooseVessel.Handle(), form.tbSpeed.Handle()}));
}

// Construction loads the three values once; showing does not read them again.
TEST_F(Configuration, ConstructionLoadsSpeedPassCountAndVesselOnce) {
  struct Case {
    const char *speed, *passCount, *vessel;
    int position;
    const wchar_t* passText;
    int item;
  } cases[] = {
      {nullptr, nullptr, nullptr, 10, L"10", 0},
      {"3", "25", "2", 7, L"25", 2},
      {"12", " 7x", "7", 0, L"7", -1},
      {"-5", "abc", "-1", 10, L"0", -1},
      {"", "", "4", 10, L"10", 4},
      {"10", "-3", "3", 0, L"-3", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.speed ? c.speed : "-") << " / " << (c.passCount ? c.passCount : "-")
                                    << " / " << (c.vessel ? c.vessel : "-"));
    DeleteSettings();
    if (c.speed) WriteSetting("Speed", c.speed);
    if (c.passCount) WriteSetting("PassCount", c.passCount);
    if (c.vessel) WriteSetting("VesselIndex", c.vessel);
    TConfiguration& form = Create();
    WriteSetting("Speed", "5");
    WriteSetting("PassCount", "99");
    WriteSetting("VesselIndex", "1");
    form.Show();
    Settle();
    EXPECT_EQ(form.tbSpeed.Position(), c.position);
    EXPECT_EQ(form.edtPassCount.Text(), c.passText);
    EXPECT_EQ(form.cbChooseVessel.ItemIndex(), c.item);
    form.Hide();
  }
}

// The picture control repaints alone when its picture changes; the white hint
// over it must come back every time. Hiding the hint shows how many white
// pixels the picture has there by itself.
TEST_F(Configuration, HintStaysVisibleAfterEveryPreviewClick) {
  TConfiguration& form = Create();
  form.Show();
  SetForegroundWindow(form.Handle());
  Settle();
  HWND image = form.imgPreview.Handle();
  HWND hint = form.Label4.Handle();
  const int textPixels = Scaled(60);
  for (int click = 0; click <= 6; ++click) {
    SCOPED_TRACE(testing::Message() << "click " << click);
    if (click > 0) {
      SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    Settle();
    int withHint = WhitePixels(hint);
    ShowWindow(hint, SW_HIDE);
    Settle();
    int pictureAlone = WhitePixels(hint);
    ShowWindow(hint, SW_SHOW);
    Settle();  // the hint paints now, not together with the next picture
    EXPECT_GE(withHint - pictureAlone, textPixels)
        << withHint << " white pixels with the hint, " << pictureAlone << " without";
  }
  EXPECT_EQ(settings::Read(settings::BackgroundId), 0) << "six clicks step 0, 0, 1, 2, 3, 4, 0";
}

}  // namespace
