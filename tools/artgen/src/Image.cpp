#include "Image.hpp"

#include "Color.hpp"
#include "Rng.hpp"

#include <cmath>

namespace artgen {

double triangularDither(std::uint64_t seed, int x, int y, int channel) {
  std::uint64_t h = hashCell(x, y * 4 + channel, seed);
  double a = static_cast<double>(h & 0xFFFFFFFF) / 4294967296.0;
  double b = static_cast<double>(h >> 32) / 4294967296.0;
  return a + b - 1.0;  // triangular on (-1, 1)
}

std::uint8_t quantize(double encoded, double dither) {
  double v = std::floor(encoded * 255.0 + 0.5 + dither);
  return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
}

Image8 develop(const FloatImage& img, double exposure, std::uint64_t ditherSeed) {
  Image8 out(img.w, img.h);
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      const Rgb& c = img.at(x, y);
      const double ch[3] = {c.r, c.g, c.b};
      std::uint8_t* o = out.at(x, y);
      for (int k = 0; k < 3; ++k)
        o[k] = quantize(srgbEncode(filmic(ch[k] * exposure)), triangularDither(ditherSeed, x, y, k));
    }
  }
  return out;
}

}  // namespace artgen
