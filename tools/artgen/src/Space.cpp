#include "Space.hpp"

#include "Noise.hpp"

namespace artgen {

void paintSkyBackground(FloatImage& img, std::uint64_t seed, Rgb deep, Rgb haze, double scale) {
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      double u = x / scale, v = y / scale;
      double n = 0.5 + 0.5 * fbm(u, v, seed, 5);
      double wisp = 0.5 + 0.5 * fbm(u * 3.1 + 4.0, v * 3.1, seed + 1, 4);
      double t = smoothstep(0.3, 0.9, n) * (0.6 + 0.4 * wisp);
      img.at(x, y) += mix(deep, haze, t);
    }
  }
}

}  // namespace artgen
