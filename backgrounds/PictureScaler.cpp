#include "backgrounds/PictureScaler.h"

#include <exception>
#include <utility>

#include "forms/Handles.h"

namespace backgrounds {

forms::TBitmap StretchBitmap(const forms::TBitmap& source, int width, int height) {
  // 32 bits per pixel: every repaint copies the whole monitor, and a 32-bit
  // bitmap reaches the screen several times faster than a 24-bit one.
  forms::TBitmap target(width, height, 32);
  forms::UniqueMemoryDc from(CreateCompatibleDC(nullptr));
  forms::UniqueMemoryDc to(CreateCompatibleDC(nullptr));
  forms::SelectGuard selectFrom(from.get(), source.Handle());
  forms::SelectGuard selectTo(to.get(), target.Handle());
  // HALFTONE averages the source pixels under each target pixel; the brush
  // origin must be set again after choosing it.
  SetStretchBltMode(to.get(), HALFTONE);
  SetBrushOrgEx(to.get(), 0, 0, nullptr);
  StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, source.Width(), source.Height(), SRCCOPY);
  GdiFlush();
  return target;
}

TPictureScaler::TPictureScaler(HWND notify, UINT message, int width, int height)
    : notify_(notify),
      message_(message),
      width_(width),
      height_(height),
      worker_(std::make_unique<Worker>([this] { Work(); })) {}

TPictureScaler::~TPictureScaler() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.reset();
}

void TPictureScaler::Request(forms::TBitmap source, unsigned generation) {
  {
    std::lock_guard lock(mutex_);
    pending_ = Job{std::move(source), generation};
  }
  wake_.notify_one();
}

std::optional<forms::TBitmap> TPictureScaler::Take(unsigned generation) {
  std::lock_guard lock(mutex_);
  if (!finished_ || finished_->generation != generation) return std::nullopt;
  std::optional<forms::TBitmap> picture(std::move(finished_->picture));
  finished_.reset();
  return picture;
}

void TPictureScaler::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
    if (stopping_) return;
    Job job = std::move(*pending_);
    pending_.reset();
    lock.unlock();
    std::optional<forms::TBitmap> scaled;
    // Nothing may leave the thread; a picture that cannot be scaled (no
    // memory for the bitmap) leaves the cover with the one it shows.
    try {
      scaled = StretchBitmap(job.picture, width_, height_);
    } catch (const std::exception&) {
    }
    job.picture = {};
    lock.lock();
    if (scaled) {
      finished_ = Job{std::move(*scaled), job.generation};
      PostMessageW(notify_, message_, 0, 0);
    }
  }
}

}  // namespace backgrounds
