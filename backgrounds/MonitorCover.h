// A borderless black window over one monitor other than the primary, showing
// the stage's current picture the way the stage does. It never takes the
// activation: every activation of a form restarts whatever runs in its
// activation handler, and the craft window must keep the keyboard.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "forms/Picture.h"
#include "forms/Window.h"

namespace backgrounds {

struct MonitorArea {
  RECT bounds;
  bool primary;
};

// The monitors the platform reports now, in its order.
std::vector<MonitorArea> Monitors();
// The areas to cover: every monitor but the primary one.
std::vector<RECT> AreasToCover(std::span<const MonitorArea> monitors);

class TMonitorCover : public forms::TWinHandler {
 public:
  // `picture` is the stage's picture object, which outlives the cover.
  TMonitorCover(const RECT& area, const forms::TPicture& picture);
  ~TMonitorCover() override;
  // Shows the window without activating it.
  void Show();
  // The stage's picture has changed: repaint when the queue is next served.
  void PictureChanged();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  const forms::TPicture& picture_;
};

}  // namespace backgrounds
