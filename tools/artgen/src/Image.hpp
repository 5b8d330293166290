// The two image types: an open-ended linear canvas the painters accumulate light
// on, and the 8-bit sRGB result that gets written to disk.
#pragma once

#include "Math.hpp"

#include <cstdint>
#include <vector>

namespace artgen {

struct FloatImage {
  int w = 0, h = 0;
  std::vector<Rgb> px;

  FloatImage(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height) {}
  Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
  const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  void add(int x, int y, Rgb c) {
    if (inside(x, y)) at(x, y) += c;
  }
};

// Top-down, 3 bytes per pixel in R, G, B order.
struct Image8 {
  int w = 0, h = 0;
  std::vector<std::uint8_t> rgb;

  Image8() = default;
  Image8(int width, int height) : w(width), h(height), rgb(static_cast<size_t>(width) * height * 3) {}
  std::uint8_t* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; }
  const std::uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; }
};

// Exposure and filmic tone curve, sRGB encoding, then +-1 LSB of triangular dither
// before rounding so slow gradients in dark skies never break into bands.
std::uint8_t quantize(double linear, double dither);
double triangularDither(std::uint64_t seed, int x, int y, int channel);
Image8 develop(const FloatImage& img, double exposure, std::uint64_t ditherSeed);

}  // namespace artgen
