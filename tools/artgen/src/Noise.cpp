#include "Noise.hpp"

#include "Math.hpp"
#include "Rng.hpp"

#include <array>
#include <cmath>

namespace artgen {
namespace {

struct GradientTable {
  std::array<Vec2, 64> g;
  GradientTable() {
    for (int i = 0; i < 64; ++i) {
      double a = (i + 0.5) * 2.0 * kPi / 64.0;
      g[i] = {std::cos(a), std::sin(a)};
    }
  }
};

const GradientTable& gradients() {
  static const GradientTable table;
  return table;
}

inline double fade(double t) {
  return t * t * t * (t * (t * 6 - 15) + 10);
}

inline double corner(std::int64_t ix, std::int64_t iy, double dx, double dy, std::uint64_t seed) {
  const Vec2& g = gradients().g[hashCell(ix, iy, seed) & 63];
  return g.x * dx + g.y * dy;
}

// Each octave is turned by this angle (about 37 degrees) relative to the previous one.
constexpr double kOctaveCos = 0.8;
constexpr double kOctaveSin = 0.6;

}  // namespace

double gradientNoise(double x, double y, std::uint64_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
  double dx = x - fx, dy = y - fy;
  double u = fade(dx), v = fade(dy);
  double n00 = corner(ix, iy, dx, dy, seed);
  double n10 = corner(ix + 1, iy, dx - 1, dy, seed);
  double n01 = corner(ix, iy + 1, dx, dy - 1, seed);
  double n11 = corner(ix + 1, iy + 1, dx - 1, dy - 1, seed);
  // Raw gradient noise peaks near +-0.7; scale it to use the advertised range.
  return 1.41 * mix(mix(n00, n10, u), mix(n01, n11, u), v);
}

double fbm(double x, double y, std::uint64_t seed, int octaves, double lacunarity, double gain) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * gradientNoise(x, y, seed + static_cast<std::uint64_t>(o) * 7919u);
    norm += amp;
    amp *= gain;
    double rx = kOctaveCos * x - kOctaveSin * y;
    double ry = kOctaveSin * x + kOctaveCos * y;
    x = rx * lacunarity + 17.3;
    y = ry * lacunarity - 9.1;
  }
  return sum / norm;
}

double ridged(double x, double y, std::uint64_t seed, int octaves, double lacunarity, double gain) {
  double sum = 0, amp = 1, norm = 0, weight = 1;
  for (int o = 0; o < octaves; ++o) {
    double n = 1.0 - std::fabs(gradientNoise(x, y, seed + static_cast<std::uint64_t>(o) * 104729u));
    n *= n;
    // Finer creases only grow where the coarse ones are already strong.
    n *= weight;
    weight = clamp01(n * 1.6);
    sum += amp * n;
    norm += amp;
    amp *= gain;
    double rx = kOctaveCos * x - kOctaveSin * y;
    double ry = kOctaveSin * x + kOctaveCos * y;
    x = rx * lacunarity + 5.7;
    y = ry * lacunarity + 3.3;
  }
  return sum / norm;
}

double warpedFbm(double x, double y, std::uint64_t seed, int octaves, double warp) {
  double qx = fbm(x, y, seed + 11, octaves);
  double qy = fbm(x + 5.2, y + 1.3, seed + 12, octaves);
  double rx = fbm(x + warp * qx + 1.7, y + warp * qy + 9.2, seed + 13, octaves);
  double ry = fbm(x + warp * qx + 8.3, y + warp * qy + 2.8, seed + 14, octaves);
  return fbm(x + warp * rx, y + warp * ry, seed + 15, octaves);
}

CellSample cellular(double x, double y, std::uint64_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
  CellSample best{1e9, 1e9, 0};
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      std::uint64_t h = hashCell(ix + i, iy + j, seed);
      double px = ix + i + static_cast<double>(h & 0xFFFF) / 65536.0;
      double py = iy + j + static_cast<double>((h >> 16) & 0xFFFF) / 65536.0;
      double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (d < best.f1) {
        best.f2 = best.f1;
        best.f1 = d;
        best.id = h;
      } else if (d < best.f2) {
        best.f2 = d;
      }
    }
  }
  return best;
}

}  // namespace artgen
