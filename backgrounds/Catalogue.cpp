#include "backgrounds/Catalogue.h"

#include <windows.h>

namespace backgrounds {

std::optional<std::array<std::string, kBackgroundCount>> CachePathsFor(std::string_view directory) {
  std::array<std::string, kBackgroundCount> paths;
  for (int id = 0; id < kBackgroundCount; ++id) {
    paths[id] = std::string(directory) + std::string(kCacheFileNames[id]);
    if (paths[id].size() > kMaxPathLength) return std::nullopt;
  }
  return paths;
}

std::optional<std::array<std::string, kBackgroundCount>> WorkingDirectoryCachePaths() {
  char directory[MAX_PATH];
  DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return CachePathsFor(std::string_view(directory, length));
}

}  // namespace backgrounds
