// What the four craft windows share: a borderless window holding the sprite in
// its picture control imgShuttle, cut to the sprite's outline when shown, and
// the flight that moves it while watching the mouse and the keyboard. The craft
// differ only in layout, sprite and flight parameters.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "forms/Form.h"
#include "vessels/DisplayPower.h"
#include "vessels/Flight.h"
#include "vessels/Roster.h"

class TVesselForm : public forms::TForm {
 public:
  // What a craft needs of the rest of the program; the program shell hands
  // it over once the start-up windows exist.
  struct Wiring {
    // Shows the current picture and steps the id on, at every cycle's start
    // and on N.
    std::function<void()> nextPicture;
    // The draw that picks each pass's entry. The flight benchmark fixes it,
    // so that the flight and its baseline enter at the same height.
    int (*entryDraw)() = vessels::DrawFromClock;
  };
  void Wire(Wiring wiring) { wiring_ = std::move(wiring); }

  forms::TImage& imgShuttle;
  // The desktop work area, read once at creation.
  RECT WorkArea{};
  bool StopRequested = false;
  POINT StartCursorPos{};

  // Puts the window above the run's other windows, all of them topmost, and
  // cuts it to the sprite's outline.
  void FormShow();
  // The flight: cycles of passes until a stop, then the application quits.
  void FormActivate();
  // N steps the background; any other key assigns the stop from the exit-key test.
  void FormKeyDown(WORD& key);
  // Count one-millisecond sleeps, each followed by message processing.
  void Delay(unsigned count);

 protected:
  TVesselForm(const std::string& layoutResource, const vessels::FlightParameters& flight);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Fly();
  void FlyPass(const vessels::EntryTable& entries, unsigned speed, int controlWidth, int controlHeight);
  void TestPointer();
  // While the display is off no step is flown: waits, watching the input as a
  // step does, until it is on again. False when the flight is to stop.
  bool AwaitDisplay();
  // A stop, or the application's termination taken during message processing.
  bool Stopping();
  void MoveTo(int left, int top);

  void NextPicture();

  const vessels::FlightParameters& flight_;
  Wiring wiring_;
  bool startCursorKnown_ = false;
  // As the last report said; the display counts as on until one comes.
  vessels::DisplayState display_ = vessels::DisplayState::On;
};
