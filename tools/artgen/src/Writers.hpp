// File formats. Windows formats (BMP, ICO) are written by hand so every header
// field is exactly what the screensaver's loader and the resource compiler expect;
// JPEG and PNG go through libgd.
#pragma once

#include "Image.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace artgen {

using Bytes = std::vector<std::uint8_t>;

// Baseline (sequential) JFIF, YCbCr.
Bytes encodeJpeg(const Image8& img, int quality);
Image8 decodeJpeg(const Bytes& jpeg);

// 24-bit BI_RGB, bottom-up rows padded to 4 bytes, 3780 px/m, no colour table.
Bytes encodeBmp24(const Image8& img);

struct Icon16 {
  static constexpr int kSize = 32;
  std::array<std::array<std::uint8_t, 3>, 16> palette{};  // RGB
  std::array<std::uint8_t, kSize * kSize> index{};        // top-down palette indices
  std::array<bool, kSize * kSize> transparent{};          // top-down
};

// One-image .ico: 32x32, 4 bpp, 16-entry palette, AND mask.
Bytes encodeIco(const Icon16& icon);

void writeFile(const std::string& path, const Bytes& data);

}  // namespace artgen
