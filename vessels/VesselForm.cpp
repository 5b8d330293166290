#include "vessels/VesselForm.h"

#include "exitinput/ExitInput.h"
#include "forms/Application.h"
#include "settings/Settings.h"
#include "vessels/SpriteRegion.h"

namespace {

constexpr WORD kNextBackgroundKey = 'N';
// How long the flight sleeps in the dark between two looks at the pointer:
// keys wake it at once, and a pointer move ends the run within this time.
constexpr DWORD kDarkPollMilliseconds = 50;

}  // namespace

TVesselForm::TVesselForm(const std::string& layoutResource, const vessels::FlightParameters& flight)
    : TForm(layoutResource,
            {.notify = {{"FormShow", [this] { FormShow(); }}, {"FormActivate", [this] { FormActivate(); }}},
             .key = {{"FormKeyDown", [this](WORD& key) { FormKeyDown(key); }}}}),
      imgShuttle(Control<forms::TImage>("imgShuttle")),
      flight_(flight) {
  // A failed read leaves the work area empty; the descending craft then end
  // their passes a control's width beyond the screen's top-left corner.
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &WorkArea, 0);
}

void TVesselForm::FormShow() {
  // A craft is shown only in a run, over the topmost stage and covers: it
  // must be topmost itself, placed here before it appears, so it is shown on
  // top of them.
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  forms::UniqueHrgn region = vessels::CreateSpriteRegion(imgShuttle.Picture().Bitmap());
  if (SetWindowRgn(Handle(), region.get(), TRUE)) region.release();
}

void TVesselForm::FormActivate() {
  // Whatever way the flight ends, the run ends with it: a craft window left
  // without its flight would keep the user behind a screen that no input clears.
  try {
    Fly();
  } catch (const std::exception& error) {
    forms::Application.ShowException(error);
  }
  forms::Application.Terminate();
}

void TVesselForm::Fly() {
  vessels::TimerResolution resolution;
  const int controlWidth = imgShuttle.Width();
  const int controlHeight = imgShuttle.Height();
  const vessels::EntryTable entries = flight_.entries(controlWidth, GetSystemMetrics(SM_CYSCREEN));
  StopRequested = false;
  std::optional<POINT> start = exitinput::ReadPointer();
  startCursorKnown_ = start.has_value();
  if (start) StartCursorPos = *start;
  const unsigned speed = vessels::FlightSpeed(settings::Read(settings::Speed));
  const unsigned passCount = vessels::FlightPassCount(settings::Read(settings::PassCount));
  while (!Stopping()) {
    NextPicture();
    for (unsigned pass = 0; pass < passCount && !Stopping(); ++pass)
      FlyPass(entries, speed, controlWidth, controlHeight);
  }
}

void TVesselForm::FlyPass(const vessels::EntryTable& entries, unsigned speed, int controlWidth,
                          int controlHeight) {
  if (!AwaitDisplay()) return;
  const POINT entry = entries.Pick(wiring_.entryDraw());
  MoveTo(entry.x, BoundsRect().top);
  MoveTo(entry.x, entry.y);
  int top = entry.y;
  vessels::Pass pass(flight_, entry);
  while (pass.GoesOn({GetSystemMetrics(SM_CXSCREEN), WorkArea, controlWidth, controlHeight})) {
    if (!AwaitDisplay()) return;
    TestPointer();
    MoveTo(pass.Left(), top);
    if (std::optional<int> next = pass.ApplyRule()) {
      top = *next;
      MoveTo(pass.Left(), top);
    }
    Delay(speed);
    if (Stopping()) return;
    forms::Application.ProcessMessages();
    pass.Advance();
  }
}

void TVesselForm::TestPointer() {
  if (exitinput::PointerMoved(StartCursorPos, startCursorKnown_, exitinput::ReadPointer()))
    StopRequested = true;
}

bool TVesselForm::AwaitDisplay() {
  if (display_ != vessels::DisplayState::Off) return true;
  vessels::TimerResolution::Pause pause;
  while (display_ == vessels::DisplayState::Off && !Stopping()) {
    MsgWaitForMultipleObjectsEx(0, nullptr, kDarkPollMilliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    TestPointer();
    forms::Application.ProcessMessages();
  }
  return !Stopping();
}

bool TVesselForm::Stopping() {
  // Message processing takes a quit message (the stage closed, the session
  // ending) and only notes it; the flight must end just as it does on input.
  if (forms::Application.Terminated()) StopRequested = true;
  return StopRequested;
}

void TVesselForm::MoveTo(int left, int top) {
  SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TVesselForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_POWERBROADCAST) {
    if (std::optional<vessels::DisplayState> state = vessels::ReportedDisplayState(wParam, lParam)) {
      display_ = *state;
      return TRUE;
    }
  }
  return TForm::WindowProc(message, wParam, lParam);
}

void TVesselForm::Delay(unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    Sleep(1);
    forms::Application.ProcessMessages();
  }
}

void TVesselForm::FormKeyDown(WORD& key) {
  if (key == kNextBackgroundKey) {
    NextPicture();
    return;
  }
  // An assignment: Tab, Ctrl, Alt or Delete clear a stop still pending.
  StopRequested = exitinput::IsExitKey(key);
}

void TVesselForm::NextPicture() {
  if (wiring_.nextPicture) wiring_.nextPicture();
}
