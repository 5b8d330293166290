#include "Color.hpp"

#include <algorithm>
#include <cmath>

namespace artgen {

Rgb blackbody(double kelvin) {
  // Curve fit of the Planckian locus in sRGB (good from 1000 K to 40000 K).
  double t = std::clamp(kelvin, 1000.0, 40000.0) / 100.0;
  double r, g, b;
  if (t <= 66) {
    r = 255;
    g = 99.4708025861 * std::log(t) - 161.1195681661;
    b = t <= 19 ? 0 : 138.5177312231 * std::log(t - 10) - 305.0447927307;
  } else {
    r = 329.698727446 * std::pow(t - 60, -0.1332047592);
    g = 288.1221695283 * std::pow(t - 60, -0.0755148492);
    b = 255;
  }
  Rgb c(srgbDecode(std::clamp(r, 0.0, 255.0) / 255.0), srgbDecode(std::clamp(g, 0.0, 255.0) / 255.0),
        srgbDecode(std::clamp(b, 0.0, 255.0) / 255.0));
  double m = std::max({c.r, c.g, c.b});
  return c * (1.0 / m);
}

Rgb srgbHex(std::uint32_t hex) {
  return {srgbDecode(((hex >> 16) & 0xFF) / 255.0), srgbDecode(((hex >> 8) & 0xFF) / 255.0),
          srgbDecode((hex & 0xFF) / 255.0)};
}

double srgbEncode(double v) {
  v = clamp01(v);
  return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

double srgbDecode(double v) {
  v = clamp01(v);
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double filmic(double x) {
  x = std::max(0.0, x);
  return clamp01((x * (2.51 * x + 0.03)) / (x * (2.43 * x + 0.59) + 0.14));
}

Rgb saturate(Rgb c, double amount) {
  double l = c.luminance();
  Rgb grey(l, l, l);
  Rgb out = mix(grey, c, amount);
  return {std::max(0.0f, out.r), std::max(0.0f, out.g), std::max(0.0f, out.b)};
}

}  // namespace artgen
