// The cache picture a run shows first, decoded on a worker thread while the
// start-up windows are created: at screen size it is the largest single cost
// of a run's start, and the windows need none of it.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "forms/Handles.h"
#include "forms/Picture.h"

namespace backgrounds {

class EarlyDecode {
 public:
  // Starts decoding the JPEG file at `path`; without a thread, Take decodes it.
  explicit EarlyDecode(std::string path);
  EarlyDecode(const EarlyDecode&) = delete;
  EarlyDecode& operator=(const EarlyDecode&) = delete;
  ~EarlyDecode();

  const std::string& Path() const { return path_; }
  // Waits until the worker has ended.
  void Join();
  // The picture, as DecodeCacheFile gives it, or its error.
  forms::TPicture Take();

 private:
  static unsigned __stdcall Run(void* self);

  std::string path_;
  std::optional<forms::TPicture> picture_;
  std::exception_ptr error_;
  forms::UniqueKernelHandle thread_;
};

// The decode of the cache file a run on this screen, in this working directory
// and with the stored BackgroundId will show first; none on a screen that
// shows the built-in pictures, where the cache has no room for its paths, or
// when that file does not fit the screen (CacheFileFits).
std::unique_ptr<EarlyDecode> DecodeFirstCachePicture();

}  // namespace backgrounds
