// The five backgrounds by id: names, cache file names, stepping, and the cache
// paths built from a working directory. Pure functions, no window needed.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace backgrounds {

inline constexpr int kBackgroundCount = 5;

// The id order is the stepping order and the order of the cache build.
inline constexpr std::array<std::string_view, kBackgroundCount> kNames = {"Dolphin", "Asteroidenfeld",
                                                                          "Sonne", "DeepSpace", "Nebel"};
inline constexpr std::array<std::string_view, kBackgroundCount> kCacheFileNames = {
    "\\SarvaneShuttle_Dolphin.jpg", "\\SarvaneShuttle_Asteroidenfeld.jpg", "\\SarvaneShuttle_Sonne.jpg",
    "\\SarvaneShuttle_DeepSpace.jpg", "\\SarvaneShuttle_Nebel.jpg"};

// The longest path the ANSI file functions take without the long-path prefix.
inline constexpr std::size_t kMaxPathLength = 259;

// Every id outside 0..4 looks up as 0 (Dolphin); the id itself is not corrected.
constexpr int CatalogueIndex(int id) {
  return id >= 0 && id < kBackgroundCount ? id : 0;
}

// The id after `id`; the last one and every id outside the catalogue go to 0.
constexpr int NextBackgroundId(int id) {
  return id >= 0 && id < kBackgroundCount - 1 ? id + 1 : 0;
}

// The size of the built-in pictures: the one screen size that needs no cache.
inline constexpr int kBuiltInWidth = 1024;
inline constexpr int kBuiltInHeight = 768;

// Whether a screen of this size shows the built-in pictures as they are. Any
// other size, even one as wide, would leave part of the screen black or cut
// the pictures off.
constexpr bool UsesBuiltInPictures(int width, int height) {
  return width == kBuiltInWidth && height == kBuiltInHeight;
}

// The cache paths for a working directory, used as it is (a drive root gives
// a doubled backslash). None when any path would exceed kMaxPathLength: a cut
// path would name some other file.
std::optional<std::array<std::string, kBackgroundCount>> CachePathsFor(std::string_view directory);

// The cache paths for the process's working directory; none when it does not
// fit the platform's buffer either, rather than paths into some other,
// truncated directory.
std::optional<std::array<std::string, kBackgroundCount>> WorkingDirectoryCachePaths();

}  // namespace backgrounds
