// Ends a run in which no craft flies (a VesselIndex that names none), so that
// such a run still ends on input: on a one-pixel pointer move against the
// position taken when the watch starts, or when its owner reports an exit key.
// The pointer is polled rather than left to mouse messages: the move may
// happen over another window or on another monitor.
#pragma once

#include <windows.h>

#include <optional>

#include "forms/Timer.h"

class ExitWatch {
 public:
  ExitWatch() : poll_([this] { Poll(); }) {}

  // Takes the pointer position and polls it on a timer of `window`. Should
  // no timer be left, exit keys still end the run.
  void Start(HWND window);
  void Stop() { poll_.Stop(); }
  bool Watching() const { return poll_.Started(); }
  // Stops watching and asks the application to terminate.
  void EndRun();

 private:
  void Poll();

  forms::TTimer poll_;
  // Unknown until the pointer could first be read.
  std::optional<POINT> start_;
};
