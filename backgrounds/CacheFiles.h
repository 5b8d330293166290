// The picture cache's files as a run reads them, without any window: whether
// a file is there for this screen, and its picture.
#pragma once

#include <string>

#include "forms/Picture.h"

namespace backgrounds {

// Whether `path` is a regular file (not a directory) whose JPEG header gives
// exactly width x height: a file of another screen size, or one that cannot
// be read, counts as missing. Only the header is read.
bool CacheFileFits(const std::string& path, int width, int height);

// The picture of a cache file; raises an error when it does not decode.
forms::TPicture DecodeCacheFile(const std::string& path);

}  // namespace backgrounds
