// The form layer's loop and event semantics, on real windows under the
// platform's own message queue.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "forms/Application.h"
#include "forms/Dpi.h"
#include "forms/Form.h"
#include "tests/common/Wait.h"

namespace {

using forms::Application;

class TTestForm : public forms::TForm {
 public:
  explicit TTestForm(const std::string& layout, forms::EventTable events = {})
      : TForm(forms::ParseLayout(layout), std::move(events)) {}
};

const char* kPlainForm =
    "form Test: TTest\n"
    "  BorderStyle = none\n"
    "  Left = 10\n  Top = 10\n  Width = 100\n  Height = 80\n"
    "end\n";

struct TPlainForm : TTestForm {
  TPlainForm();
};

const char* kEventForm =
    "form Test: TTest\n"
    "  BorderStyle = none\n"
    "  Left = 10\n  Top = 10\n  Width = 100\n  Height = 80\n"
    "  OnShow = FormShow\n  OnActivate = FormActivate\n  OnKeyDown = FormKeyDown\n"
    "end\n";

// Drains the queue, including the activation events the forms post to themselves.
void Pump() {
  for (int i = 0; i < 5; ++i) {
    Application.ProcessMessages();
    Sleep(5);
  }
}

TPlainForm::TPlainForm() : TTestForm(kPlainForm) {}

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.SetTerminated(false);
    Application.SetErrorSink([this](const std::string& text, const std::string& caption) {
      reports.push_back(caption + ": " + text);
    });
  }
  void TearDown() override {
    Application.DestroyForms();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    Application.SetTerminated(false);
    Application.SetErrorSink(nullptr);
  }
  std::vector<std::string> reports;
  DWORD mainThread_ = GetCurrentThreadId();
};

TEST_F(Forms, ShowRunsOnShowBeforeVisibleThenOnActivateFromTheQueue) {
  std::vector<std::string> events;
  TTestForm* form = nullptr;
  forms::EventTable table{
      {{"FormShow",
        [&] { events.push_back(IsWindowVisible(form->Handle()) ? "show:visible" : "show:hidden"); }},
       {"FormActivate", [&] { events.push_back("activate"); }}},
      {{"FormKeyDown", [&](WORD& key) { events.push_back("key " + std::to_string(key)); }}}};
  form = new TTestForm(kEventForm, table);
  std::unique_ptr<TTestForm> owner(form);
  EXPECT_FALSE(form->Visible());
  form->Show();
  EXPECT_EQ(events, (std::vector<std::string>{"show:hidden"})) << "OnActivate must wait for the queue";
  Pump();
  EXPECT_EQ(events, (std::vector<std::string>{"show:hidden", "activate"}));
  SendMessageW(form->Handle(), WM_KEYDOWN, 'N', 0);
  SendMessageW(form->Handle(), WM_SYSKEYDOWN, VK_MENU, 0);
  EXPECT_EQ(events.back(), "key 18");
  EXPECT_EQ(events[events.size() - 2], "key 78");
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// A half-built form must not leave windows behind that point at freed objects.
TEST_F(Forms, FailedCreationReportsTheCauseAndLeavesNoWindow) {
  int before = ThreadWindowCount();
  try {
    TTestForm form(kEventForm, {{{"FormShow", [] {}}}, {}});
    ADD_FAILURE() << "created without FormActivate";
  } catch (const forms::EError& error) {
    EXPECT_NE(std::string(error.what()).find("FormActivate"), std::string::npos) << error.what();
  }
  EXPECT_THROW(TTestForm("form Test: TTest\n  img: Image\n    Picture = PIC_NOWHERE\n  end\nend\n"),
               forms::EError);
  EXPECT_EQ(ThreadWindowCount(), before);
}

TEST_F(Forms, ModalLoopEndsOnModalResultAndReenablesOtherWindows) {
  TTestForm other(kPlainForm);
  other.Show();
  TTestForm* dialog = nullptr;
  bool otherWasDisabled = false;
  forms::EventTable table{{{"FormShow", [] {}},
                           {"FormActivate",
                            [&] {
                              otherWasDisabled = !IsWindowEnabled(other.Handle());
                              dialog->SetModalResult(forms::mrOk);
                            }}},
                          {{"FormKeyDown", [](WORD&) {}}}};
  dialog = new TTestForm(kEventForm, table);
  std::unique_ptr<TTestForm> owner(dialog);
  EXPECT_EQ(dialog->ShowModal(), forms::mrOk);
  EXPECT_TRUE(otherWasDisabled);
  EXPECT_TRUE(IsWindowEnabled(other.Handle()));
  EXPECT_FALSE(dialog->Visible());
  EXPECT_FALSE(Application.Terminated());
}

TEST_F(Forms, TerminationEndsModalLoopWithCancelAndLeavesQuitForOuterLoop) {
  TTestForm* dialog = nullptr;
  forms::EventTable table{{{"FormShow", [] {}}, {"FormActivate", [&] { Application.Terminate(); }}},
                          {{"FormKeyDown", [](WORD&) {}}}};
  dialog = new TTestForm(kEventForm, table);
  std::unique_ptr<TTestForm> owner(dialog);
  EXPECT_EQ(dialog->ShowModal(), forms::mrCancel);
  EXPECT_TRUE(Application.Terminated());
  EXPECT_FALSE(dialog->Visible());
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit message was swallowed";
}

TEST_F(Forms, ClosingHidesOrdinaryFormsCancelsModalOnesAndTerminatesOnMainForm) {
  TPlainForm* main = nullptr;
  Application.CreateForm(main);
  TPlainForm* second = nullptr;
  Application.CreateForm(second);
  ASSERT_EQ(Application.MainForm(), main);

  second->Show();
  SendMessageW(second->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(second->Visible());
  EXPECT_TRUE(IsWindow(second->Handle())) << "closing must not destroy";
  EXPECT_FALSE(Application.Terminated());

  // Closing a modal form from inside its loop.
  PostMessageW(second->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(second->ShowModal(), forms::mrCancel);
  EXPECT_FALSE(Application.Terminated());

  // Closing the main form ends the run.
  PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
  Application.Run();
  EXPECT_TRUE(Application.Terminated());
}

TEST_F(Forms, ProcessMessagesDrainsPastQuitAndSetsTheFlag) {
  TTestForm form(kPlainForm);
  form.Show();
  Pump();
  // Posted in this order, the quit message comes first; the close after it
  // hides the (non-main) form only if the draining goes on.
  PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 0, 0);
  PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
  Application.ProcessMessages();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_FALSE(form.Visible()) << "messages after the quit were not dispatched";
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Forms, ErrorInHandlerIsReportedAndTheLoopGoesOn) {
  int activations = 0;
  TTestForm* form = nullptr;
  forms::EventTable table{{{"FormShow", [] { throw forms::EError("Datei X kann nicht erstellt werden"); }},
                           {"FormActivate", [&] { ++activations; }}},
                          {{"FormKeyDown", [](WORD&) { throw std::runtime_error("Taste?"); }}}};
  form = new TTestForm(kEventForm, table);
  std::unique_ptr<TTestForm> owner(form);
  form->Show();
  EXPECT_TRUE(form->Visible()) << "an error in OnShow must not stop the show";
  Pump();
  EXPECT_EQ(activations, 1);
  SendMessageW(form->Handle(), WM_KEYDOWN, 'Q', 0);
  std::string title = Application.Title();
  EXPECT_EQ(reports,
            (std::vector<std::string>{title + ": Datei X kann nicht erstellt werden.", title + ": Taste?."}));
}

// A form whose creation fails, to see the reference handling of CreateForm.
struct TFailingForm : forms::TForm {
  static inline TFailingForm** reference = nullptr;
  static inline bool sawReference = false;
  TFailingForm() : TForm(forms::ParseLayout(kPlainForm), {}) {
    sawReference = *reference == this;
    throw forms::EError("Fenster kann nicht erstellt werden");
  }
};

TEST_F(Forms, CreateFormSetsReferenceBeforeConstructionAndClearsItOnFailure) {
  TFailingForm* failing = nullptr;
  TFailingForm::reference = &failing;
  EXPECT_THROW(Application.CreateForm(failing), forms::EError);
  EXPECT_TRUE(TFailingForm::sawReference);
  EXPECT_EQ(failing, nullptr);
  EXPECT_EQ(Application.MainForm(), nullptr) << "a failed form must not become the main form";
}

TEST_F(Forms, DesktopCentredFormIsPlacedWhenFirstShown) {
  TTestForm form(
      "form Test: TTest\n  BorderStyle = none\n  Placement = desktopCenter\n"
      "  Left = 291\n  Top = 338\n  ClientWidth = 430\n  ClientHeight = 44\nend\n");
  RECT before = form.BoundsRect();
  EXPECT_EQ(before.left, 291);
  form.Show();
  RECT after = form.BoundsRect();
  EXPECT_EQ(after.left, (GetSystemMetrics(SM_CXVIRTUALSCREEN) - 430) / 2);
  EXPECT_EQ(after.top, (GetSystemMetrics(SM_CYVIRTUALSCREEN) - 44) / 2);
  EXPECT_EQ(after.right - after.left, 430);
}

BOOL CALLBACK FindDialogBox(HWND window, LPARAM found) {
  wchar_t name[16];
  GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770") *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

// The real report: a message box owned by this thread, captioned with the
// application title, holding the message with its full stop and one button.
// A box that is never found is ended by a quit message, which its modal loop
// takes and posts again (TearDown drops it), so the run goes on.
TEST_F(Forms, ErrorReportIsAMessageBoxWithTitleAndFullStop) {
  Application.SetErrorSink(nullptr);
  std::wstring seenText, seenCaption;
  int buttons = 0;
  std::thread closer([&] {
    HWND box = nullptr;
    // The box may be found while it is still being built, captionless.
    auto captioned = [&] {
      box = nullptr;
      EnumThreadWindows(mainThread_, FindDialogBox, reinterpret_cast<LPARAM>(&box));
      return box && GetWindowTextLengthW(box) > 0;
    };
    if (!testing_wait::WaitFor(captioned, 20000, 10)) {
      PostThreadMessageW(mainThread_, WM_QUIT, 0, 0);
      return;
    }
    wchar_t text[256];
    GetWindowTextW(box, text, 256);
    seenCaption = text;
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    seenText = text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      GetClassNameW(child, text, 256);
      if (std::wstring(text) == L"Button") ++buttons;
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  Application.ShowException(forms::EError("Leinwand/Bild erlaubt kein Zeichnen"));
  closer.join();
  std::string title = Application.Title();
  EXPECT_EQ(seenCaption, std::wstring(title.begin(), title.end()));
  EXPECT_EQ(title, "unit_tests");  // the first character keeps its case
  EXPECT_EQ(seenText, L"Leinwand/Bild erlaubt kein Zeichnen.");
  EXPECT_EQ(buttons, 1);
}

// Every kind a layout may name is built with the properties the layout gives.
TEST_F(Forms, EveryControlKindIsBuiltFromItsLayout) {
  TTestForm form(
      "form Test: TTest\n  BorderStyle = dialog\n  ClientWidth = 300\n  ClientHeight = 200\n"
      "  Panel1: Panel\n    Left = 0\n    Top = 0\n    Width = 300\n    Height = 200\n"
      "    GroupBox1: GroupBox\n      Caption = \" Geschwindigkeit \"\n"
      "      Left = 8\n      Top = 9\n      Width = 249\n      Height = 64\n"
      "      tbSpeed: TrackBar\n        Left = 8\n        Top = 29\n        Width = 233\n        Height = "
      "28\n"
      "        Min = 0\n        Max = 10\n        Position = 7\n        TickMarks = false\n        TabOrder "
      "= 0\n"
      "      end\n"
      "    end\n"
      "    edtPassCount: Edit\n      Text = \"10\"\n      Left = 24\n      Top = 80\n      Width = 33\n"
      "      Height = 21\n      TabOrder = 1\n    end\n"
      "    btnOk: Button\n      Caption = \"Ok\"\n      Left = 46\n      Top = 130\n      Width = 75\n"
      "      Height = 22\n      TabOrder = 2\n    end\n"
      "    pbProgress: ProgressBar\n      Left = 207\n      Top = 21\n      Width = 204\n      Height = 14\n"
      "      Max = 100\n      Position = 250\n    end\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(form.ClientWidth(), 300);
  auto& speed = form.Control<forms::TTrackBar>("tbSpeed");
  EXPECT_EQ(speed.Position(), 7);
  speed.SetPosition(12);
  EXPECT_EQ(speed.Position(), 10) << "the track bar clamps into its range";
  EXPECT_EQ(GetParent(speed.Handle()), form.Control<forms::TGroupBox>("GroupBox1").Handle());
  EXPECT_EQ(speed.Left(), 8);
  EXPECT_EQ(speed.Top(), 29);
  EXPECT_EQ(form.Control<forms::TEdit>("edtPassCount").Text(), L"10");
  EXPECT_EQ(form.Control<forms::TButton>("btnOk").Caption(), L"Ok");
  EXPECT_EQ(form.Control<forms::TProgressBar>("pbProgress").Position(), 100) << "limited to the bar's range";
  EXPECT_EQ(form.Control<forms::TGroupBox>("GroupBox1").Caption(), L" Geschwindigkeit ");
  EXPECT_TRUE(form.WantsDialogKeys());
  EXPECT_THROW(form.Control<forms::TButton>("tbSpeed"), forms::EError) << "a control of another kind";
}

// Clicks reach the handlers that the layout names, also through containers.
TEST_F(Forms, ClicksOnImagesButtonsAndLabelsRunTheirHandlers) {
  std::vector<std::string> clicks;
  forms::EventTable table{{{"imgPreviewClick", [&] { clicks.push_back("image"); }},
                           {"btnOkClick", [&] { clicks.push_back("button"); }},
                           {"Label1Click", [&] { clicks.push_back("label"); }}},
                          {}};
  TTestForm form(
      "form Test: TTest\n  ClientWidth = 300\n  ClientHeight = 200\n"
      "  Panel1: Panel\n    Left = 0\n    Top = 0\n    Width = 300\n    Height = 200\n"
      "    imgPreview: Image\n      Left = 10\n      Top = 10\n      Width = 100\n      Height = 80\n"
      "      OnClick = imgPreviewClick\n    end\n"
      "    btnOk: Button\n      Caption = \"Ok\"\n      Left = 150\n      Top = 10\n      Width = 75\n"
      "      Height = 22\n      OnClick = btnOkClick\n    end\n"
      "    Label1: Label\n      Caption = \"langsam\"\n      Left = 150\n      Top = 50\n"
      "      OnClick = Label1Click\n    end\n"
      "  end\n"
      "end\n",
      table);
  form.Show();
  HWND image = form.Control<forms::TImage>("imgPreview").Handle();
  SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  // Released outside the picture: no click.
  SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
  SendMessageW(form.Control<forms::TButton>("btnOk").Handle(), BM_CLICK, 0, 0);
  HWND label = form.Control<forms::TLabel>("Label1").Handle();
  SendMessageW(GetParent(label), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
               reinterpret_cast<LPARAM>(label));
  Pump();
  EXPECT_EQ(clicks, (std::vector<std::string>{"image", "button", "label"}));
}

// Layouts are UTF-8; the texts must reach the controls through the wide API intact.
TEST_F(Forms, GermanTextsReachTheControlsIntact) {
  TTestForm form(
      "form Test: TTest\n"
      "  Caption = \"Einstellungen f\xC3\xBCr \xE2\x80\x9ESarvane\xE2\x80\x9C\"\n"
      "  Label3: Label\n    Caption = \"Durchl\xC3\xA4ufe pro Hintergrundbild\"\n  end\n"
      "  cbChooseVessel: ComboBox\n    Items = \"Sarvane\", \"zuf\xC3\xA4llig\"\n    Width = 81\n    Height "
      "= 21\n"
      "  end\n"
      "end\n");
  wchar_t caption[64];
  GetWindowTextW(form.Handle(), caption, 64);
  EXPECT_STREQ(caption, L"Einstellungen f\u00FCr \u201ESarvane\u201C");
  EXPECT_EQ(form.Control<forms::TLabel>("Label3").Caption(), L"Durchl\u00E4ufe pro Hintergrundbild");
  auto& vessels = form.Control<forms::TComboBox>("cbChooseVessel");
  ASSERT_EQ(vessels.Count(), 2);
  EXPECT_EQ(vessels.Item(1), L"zuf\u00E4llig");
}

// The preview measures and draws a window of another process in that window's
// dpi awareness, and the thread goes back to its own afterwards, also from
// nested guards. Windows of other awarenesses are made here by switching the
// thread while creating them; Wine (per-monitor v1 for every program) honours
// the switch. Where a guard changed nothing or restored nothing, the thread's
// awareness would be its own inside the guard, or a window's after it.
TEST(DpiContextGuard, TheThreadTakesTheWindowsAwarenessAndGetsItsOwnBack) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto find = [&](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(user32, name)); };
  auto setThread = reinterpret_cast<DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT)>(
      find("SetThreadDpiAwarenessContext"));
  auto getThread = reinterpret_cast<DPI_AWARENESS_CONTEXT(WINAPI*)()>(find("GetThreadDpiAwarenessContext"));
  auto awarenessOf =
      reinterpret_cast<int(WINAPI*)(DPI_AWARENESS_CONTEXT)>(find("GetAwarenessFromDpiAwarenessContext"));
  if (!setThread || !getThread || !awarenessOf)
    GTEST_SKIP() << "threads have no dpi awareness of their own here";
  auto threadAwareness = [&] { return awarenessOf(getThread()); };
  auto windowIn = [&](DPI_AWARENESS_CONTEXT context) {
    DPI_AWARENESS_CONTEXT before = setThread(context);
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    setThread(before);
    return window;
  };
  const int own = threadAwareness();
  HWND unaware = windowIn(DPI_AWARENESS_CONTEXT_UNAWARE);
  HWND systemAware = windowIn(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE);
  ASSERT_TRUE(unaware && systemAware);
  ASSERT_NE(own, 0);
  ASSERT_NE(own, 1);
  {
    forms::DpiContextGuard outer(unaware);
    EXPECT_EQ(threadAwareness(), 0);
    {
      forms::DpiContextGuard inner(systemAware);
      EXPECT_EQ(threadAwareness(), 1);
      forms::DpiContextGuard gone(nullptr);
      EXPECT_EQ(threadAwareness(), 1) << "a window that is gone changes nothing";
    }
    EXPECT_EQ(threadAwareness(), 0);
  }
  EXPECT_EQ(threadAwareness(), own);
  DestroyWindow(unaware);
  DestroyWindow(systemAware);
}

}  // namespace
