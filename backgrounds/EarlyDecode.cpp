#include "backgrounds/EarlyDecode.h"

#include <utility>

#include "backgrounds/Catalogue.h"
#include "settings/Settings.h"

namespace backgrounds {

EarlyDecode::EarlyDecode(std::string path, forms::TPicture retired, int copies, forms::DecodePace pace)
    : path_(std::move(path)), retired_(std::move(retired)), copiesWanted_(copies), pace_(pace) {
  // The worker decodes with libjpeg and makes a DIB section: both keep their
  // state per call (GDI objects belong to the process, not to a thread).
  forms::SettleJpegThreads();
  worker_ = std::make_unique<Worker>([this] { Decode(); });
}

void EarlyDecode::Decode() {
  retired_ = {};
  try {
    IdentifiedPicture decoded = DecodeIdentifiedCacheFile(path_, pace_);
    picture_ = std::move(decoded.picture);
    identity_ = decoded.identity;
  } catch (...) {
    error_ = std::current_exception();
    return;
  }
  // A cover without its copy makes one itself when the picture changes.
  try {
    for (int i = 0; i < copiesWanted_; ++i) copies_.push_back(picture_->Bitmap().Clone());
  } catch (const std::exception&) {
  }
}

void EarlyDecode::Join() const {
  worker_->Join();
}

const std::optional<FileIdentity>& EarlyDecode::Identity() const {
  Join();
  return identity_;
}

forms::TPicture EarlyDecode::Take() {
  Join();
  if (error_) std::rethrow_exception(error_);
  // Without a thread, or taken before.
  if (!picture_) return DecodeCacheFile(path_);
  forms::TPicture picture = std::move(*picture_);
  picture_.reset();
  return picture;
}

std::unique_ptr<EarlyDecode> DecodeFirstCachePicture() {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  if (UsesBuiltInPictures(width, height)) return nullptr;
  auto paths = WorkingDirectoryCachePaths();
  if (!paths) return nullptr;
  const std::string& path =
      (*paths)[static_cast<std::size_t>(CatalogueIndex(settings::Read(settings::BackgroundId)))];
  // Only a file the stage would show: a broken header may claim a picture of
  // many megapixels, which would keep the decoder busy for seconds, and the
  // cache build that replaces the file would wait for it.
  if (!CacheFileFits(path, width, height)) return nullptr;
  return std::make_unique<EarlyDecode>(path);
}

}  // namespace backgrounds
