// Ends a run in which no craft flies (a VesselIndex that names none), so that
// such a run still ends on input: on a one-pixel pointer move against the
// position taken when the watch starts, or when its owner reports an exit key.
// The pointer is polled rather than left to mouse messages: the move may
// happen over another window or on another monitor.
#pragma once

#include <windows.h>

#include <optional>

class ExitWatch {
 public:
  ExitWatch() = default;
  ExitWatch(const ExitWatch&) = delete;
  ExitWatch& operator=(const ExitWatch&) = delete;
  ~ExitWatch() { Stop(); }

  // Takes the pointer position and polls it on a timer of `window`.
  void Start(HWND window);
  void Stop();
  bool Watching() const { return window_ != nullptr; }
  // Stops watching and asks the application to terminate.
  void EndRun();

 private:
  static void CALLBACK Tick(HWND window, UINT message, UINT_PTR self, DWORD time);

  HWND window_ = nullptr;
  // Unknown until the pointer could first be read.
  std::optional<POINT> start_;
};
