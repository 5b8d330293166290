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
  if (UsesBuiltInPictures(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) return nullptr;
  auto paths = WorkingDirectoryCachePaths();
  if (!paths) return nullptr;
  const int id = CatalogueIndex(settings::Read(settings::BackgroundId));
  return std::make_unique<EarlyDecode>((*paths)[static_cast<std::size_t>(id)]);
}

}  // namespace backgrounds
