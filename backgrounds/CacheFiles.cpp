#include "backgrounds/CacheFiles.h"

#include <windows.h>

#include <cstdio>

#include "forms/Handles.h"

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
  return size && size->cx == width && size->cy == height && EndsWithEndOfImage(path);
}

bool EndsWithEndOfImage(const std::string& path) {
  forms::UniqueFile file(std::fopen(path.c_str(), "rb"));
  unsigned char tail[2] = {};
  return file && std::fseek(file.get(), -2, SEEK_END) == 0 && std::fread(tail, 1, 2, file.get()) == 2 &&
         tail[0] == 0xFF && tail[1] == 0xD9;
}

forms::TPicture DecodeCacheFile(const std::string& path) {
  return forms::TPicture::FromJpegFile(path);
}

}  // namespace backgrounds
