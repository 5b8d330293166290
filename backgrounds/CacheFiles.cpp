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
  // This runs at every picture change, so the file is opened once, and a
  // file left from another screen size must not be decoded just to be refused.
  forms::UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  auto size = forms::ReadJpegFileSize(file.get());
  return size && size->cx == width && size->cy == height && EndsWithEndOfImage(file.get());
}

bool EndsWithEndOfImage(const std::string& path) {
  forms::UniqueFile file(std::fopen(path.c_str(), "rb"));
  return file && EndsWithEndOfImage(file.get());
}

bool EndsWithEndOfImage(std::FILE* file) {
  unsigned char tail[2] = {};
  return std::fseek(file, -2, SEEK_END) == 0 && std::fread(tail, 1, 2, file) == 2 && tail[0] == 0xFF &&
         tail[1] == 0xD9;
}

forms::TPicture DecodeCacheFile(const std::string& path) {
  return forms::TPicture::FromJpegFile(path);
}

FileIdentity FileIdentity::Of(const BY_HANDLE_FILE_INFORMATION& information) {
  return {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow,
          information.nFileSizeHigh,        information.nFileSizeLow,   information.ftLastWriteTime};
}

bool FileIdentity::operator==(const FileIdentity& other) const {
  return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow &&
         sizeHigh == other.sizeHigh && sizeLow == other.sizeLow &&
         CompareFileTime(&lastWrite, &other.lastWrite) == 0;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  // Only the attributes are read, and every kind of sharing is allowed: the
  // handle must never be what keeps a cache build from replacing the file.
  forms::UniqueFileHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION information;
  if (!file || !GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
  return FileIdentity::Of(information);
}

IdentifiedPicture DecodeIdentifiedCacheFile(const std::string& path, forms::DecodePace pace) {
  BY_HANDLE_FILE_INFORMATION information{};
  forms::TPicture picture = forms::TPicture::FromJpegFile(path, &information, pace);
  return {std::move(picture), FileIdentity::Of(information)};
}

}  // namespace backgrounds
