// The picture cache's files as a run reads them, without any window: whether
// a file is there for this screen, and its picture.
#pragma once

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

// The picture of a cache file; raises an error when it does not decode.
forms::TPicture DecodeCacheFile(const std::string& path);

}  // namespace backgrounds
