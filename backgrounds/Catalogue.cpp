#include "backgrounds/Catalogue.h"

namespace backgrounds {

std::optional<std::array<std::string, kBackgroundCount>> CachePathsFor(std::string_view directory) {
  std::array<std::string, kBackgroundCount> paths;
  for (int id = 0; id < kBackgroundCount; ++id) {
    paths[id] = std::string(directory) + std::string(kCacheFileNames[id]);
    if (paths[id].size() > kMaxPathLength) return std::nullopt;
  }
  return paths;
}

}  // namespace backgrounds
