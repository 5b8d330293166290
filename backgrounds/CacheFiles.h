// The picture cache's files as a run reads them, without any window: whether
// a file is there for this screen, and its picture.
#pragma once

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "forms/Picture.h"

namespace backgrounds {

// Whether `path` is a regular file (not a directory) whose JPEG header gives
// exactly width x height and which ends in the end-of-image marker: a file of
// another screen size, one that cannot be read, and one cut short count as
// missing. Only the header and the last two bytes are read.
bool CacheFileFits(const std::string& path, int width, int height);

// Whether a JPEG file ends in its end-of-image marker. GD's encoder reports
// nothing: when libjpeg fails inside it, it just stops writing.
bool EndsWithEndOfImage(const std::string& path);
bool EndsWithEndOfImage(std::FILE* file);

// The picture of a cache file; raises an error when it does not decode.
forms::TPicture DecodeCacheFile(const std::string& path);

// Which file stands under a name, and which version of it: a cache build
// moves a new file over the name (a new file index), and anything that
// rewrites the file in place changes its size or its last-write time.
struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  DWORD sizeHigh = 0;
  DWORD sizeLow = 0;
  FILETIME lastWrite{};

  static FileIdentity Of(const BY_HANDLE_FILE_INFORMATION& information);
  bool operator==(const FileIdentity& other) const;
};

// The identity of the file at `path` now; none when it cannot be opened.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// A cache file's picture, with the identity of the file it was read from.
struct IdentifiedPicture {
  forms::TPicture picture;
  FileIdentity identity;
};

// As DecodeCacheFile, with the identity of the file as it was opened.
IdentifiedPicture DecodeIdentifiedCacheFile(const std::string& path,
                                            forms::DecodePace pace = forms::DecodePace::Full);

}  // namespace backgrounds
