// Pictures stretched to a monitor's size, for the covers over the monitors
// other than the primary. The filtering of a whole monitor's worth of pixels
// takes far longer than a step of the flight, so it runs on a thread of its
// own: a picture change costs the flight one copy of the picture's pixels.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "backgrounds/Worker.h"
#include "forms/Picture.h"

namespace backgrounds {

// The whole source stretched over width x height, the aspect ratio not kept
// (as the picture cache scales), with the platform's smoothing filter.
forms::TBitmap StretchBitmap(const forms::TBitmap& source, int width, int height);

class TPictureScaler {
 public:
  // Each finished picture is announced by posting `message` to `notify`.
  TPictureScaler(HWND notify, UINT message, int width, int height);
  // Waits for a picture in progress; a pending one is dropped.
  ~TPictureScaler();
  TPictureScaler(const TPictureScaler&) = delete;
  TPictureScaler& operator=(const TPictureScaler&) = delete;

  // Asks for `source` scaled. A request not yet begun is replaced: only the
  // newest picture is worth the work.
  void Request(forms::TBitmap source, unsigned generation);
  // The finished picture of `generation`, once; none while it is in
  // progress, when a newer one was asked for since, or when it failed.
  std::optional<forms::TBitmap> Take(unsigned generation);

 private:
  struct Job {
    forms::TBitmap picture;
    unsigned generation;
  };
  void Work();

  const HWND notify_;
  const UINT message_;
  const int width_;
  const int height_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> pending_;
  std::optional<Job> finished_;
  bool stopping_ = false;
  // Last: it starts once the state above exists.
  std::unique_ptr<Worker> worker_;
};

}  // namespace backgrounds
