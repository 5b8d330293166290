// A cache picture decoded on a worker thread before it is shown: the one a
// run shows first, while the start-up windows are created, and during a run
// the one the next picture change will show. At screen size a decode takes
// many frames' time, and nothing needs its pixels before that change.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backgrounds/CacheFiles.h"
#include "backgrounds/Worker.h"
#include "forms/Picture.h"

namespace backgrounds {

class EarlyDecode {
 public:
  // Starts decoding the JPEG file at `path`; without a thread, Take decodes
  // it. The worker first drops `retired`, a picture no longer shown (freeing
  // a screen's worth of pixels takes milliseconds), and then also makes
  // `copies` copies of the pixels, one for each cover that scales them.
  explicit EarlyDecode(std::string path, forms::TPicture retired = {}, int copies = 0,
                       forms::DecodePace pace = forms::DecodePace::Full);
  EarlyDecode(const EarlyDecode&) = delete;
  EarlyDecode& operator=(const EarlyDecode&) = delete;
  ~EarlyDecode() = default;

  const std::string& Path() const { return path_; }
  // Waits until the worker has ended.
  void Join() const;
  // Waits for the decode; then the identity of the file it decoded, none when
  // it failed.
  const std::optional<FileIdentity>& Identity() const;
  // The picture, as DecodeCacheFile gives it, or its error. Once.
  forms::TPicture Take();
  // The copies of its pixels, once the picture is taken: fewer than asked
  // for when there was no memory for them.
  std::vector<forms::TBitmap> TakeCopies() { return std::move(copies_); }

 private:
  void Decode();

  std::string path_;
  forms::TPicture retired_;
  const int copiesWanted_;
  const forms::DecodePace pace_;
  std::optional<forms::TPicture> picture_;
  std::vector<forms::TBitmap> copies_;
  std::optional<FileIdentity> identity_;
  std::exception_ptr error_;
  // Last: it starts once the state above exists, and joins before it goes.
  std::unique_ptr<Worker> worker_;
};

// The decode of the cache file a run on this screen, in this working directory
// and with the stored BackgroundId will show first; none on a screen that
// shows the built-in pictures, where the cache has no room for its paths, or
// when that file does not fit the screen (CacheFileFits).
std::unique_ptr<EarlyDecode> DecodeFirstCachePicture();

}  // namespace backgrounds
