// A borderless window over one monitor other than the primary, showing the
// stage's current picture stretched over the whole monitor (pixel for pixel
// when the sizes agree). It never takes the activation: every activation of a
// form restarts whatever runs in its activation handler, and the craft window
// must keep the keyboard.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <vector>

#include "backgrounds/PictureScaler.h"
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
  // The stage's picture has changed. One of this monitor's size is painted
  // as it is at once; any other is scaled on the side, and the cover keeps
  // the picture it shows until the new one is ready. The scaler works on a
  // copy of the pixels: `copy` when one was made before, else one made now.
  void PictureChanged(forms::TBitmap copy = {});
  // Whether a picture of this size is scaled for the cover, and so copied.
  bool Scales(int width, int height) const { return width != width_ || height != height_; }
  // Whether the picture of the latest change is on the cover, or being painted.
  bool ShowsCurrentPicture() const { return direct_ || shownGeneration_ == generation_; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);

  const forms::TPicture& picture_;
  const int width_;
  const int height_;
  // The stage's picture is of this monitor's size: drawn from it directly.
  bool direct_ = false;
  forms::TBitmap scaled_;
  unsigned generation_ = 0;
  unsigned shownGeneration_ = 0;
  std::optional<TPictureScaler> scaler_;
};

}  // namespace backgrounds
