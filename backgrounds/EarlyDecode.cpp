#include "backgrounds/EarlyDecode.h"

#include <process.h>

#include <utility>

#include "backgrounds/CacheFiles.h"
#include "backgrounds/Catalogue.h"
#include "settings/Settings.h"

namespace backgrounds {

EarlyDecode::EarlyDecode(std::string path) : path_(std::move(path)) {
  // The worker decodes with libjpeg and makes a DIB section: both keep their
  // state per call (GDI objects belong to the process, not to a thread).
  forms::SettleJpegThreads();
  thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr)));
}

EarlyDecode::~EarlyDecode() {
  Join();
}

unsigned __stdcall EarlyDecode::Run(void* self) {
  auto& decode = *static_cast<EarlyDecode*>(self);
  try {
    decode.picture_ = DecodeCacheFile(decode.path_);
  } catch (...) {
    decode.error_ = std::current_exception();
  }
  return 0;
}

void EarlyDecode::Join() {
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

forms::TPicture EarlyDecode::Take() {
  Join();
  if (!thread_) return DecodeCacheFile(path_);
  if (error_) std::rethrow_exception(error_);
  return std::move(*picture_);
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
