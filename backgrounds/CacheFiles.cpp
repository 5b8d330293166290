#include "backgrounds/CacheFiles.h"

#include <windows.h>

namespace backgrounds {

namespace {

bool IsRegularFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CacheFileFits(const std::string& path, int width, int height) {
  if (!IsRegularFile(path)) return false;
  // This runs at every picture change, and a file left from another screen
  // size must not be decoded just to be refused.
  auto size = forms::ReadJpegFileSize(path);
  return size && size->cx == width && size->cy == height;
}

forms::TPicture DecodeCacheFile(const std::string& path) {
  return forms::TPicture::FromJpegFile(path);
}

}  // namespace backgrounds
