#include "Glow.hpp"

#include <algorithm>
#include <cmath>

namespace artgen {
namespace {

// Fraction of a unit Gaussian falling into [a, b].
inline double gaussMass(double a, double b, double sigma) {
  const double k = 1.0 / (sigma * std::sqrt(2.0));
  return 0.5 * (std::erf(b * k) - std::erf(a * k));
}

struct Span {
  int x0, y0, x1, y1;
};

Span clip(const FloatImage& img, Vec2 c, double r) {
  return {std::max(0, static_cast<int>(std::floor(c.x - r))),
          std::max(0, static_cast<int>(std::floor(c.y - r))),
          std::min(img.w - 1, static_cast<int>(std::ceil(c.x + r))),
          std::min(img.h - 1, static_cast<int>(std::ceil(c.y + r)))};
}

}  // namespace

void addPointSource(FloatImage& img, Vec2 c, double flux, Rgb colour, double sigma) {
  double r = sigma * 3.5 + 1.0;
  Span s = clip(img, c, r);
  for (int y = s.y0; y <= s.y1; ++y) {
    double my = gaussMass(y - c.y, y + 1 - c.y, sigma);
    if (my < 1e-7) continue;
    for (int x = s.x0; x <= s.x1; ++x) {
      double mx = gaussMass(x - c.x, x + 1 - c.x, sigma);
      img.at(x, y) += colour * (flux * mx * my);
    }
  }
}

void addHalo(FloatImage& img, Vec2 c, double core, double falloff, double maxRadius, Rgb colour) {
  Span s = clip(img, c, maxRadius);
  double edge = std::pow(1.0 + (maxRadius / core) * (maxRadius / core), -falloff);
  for (int y = s.y0; y <= s.y1; ++y) {
    for (int x = s.x0; x <= s.x1; ++x) {
      double dx = x + 0.5 - c.x, dy = y + 0.5 - c.y;
      double d2 = dx * dx + dy * dy;
      if (d2 >= maxRadius * maxRadius) continue;
      // Subtracting the value at the cut-off radius leaves no visible disc edge.
      double v = std::pow(1.0 + d2 / (core * core), -falloff) - edge;
      if (v > 0) img.at(x, y) += colour * v;
    }
  }
}

void addGaussian(FloatImage& img, Vec2 c, double sigma, Rgb colour) {
  Span s = clip(img, c, sigma * 4);
  for (int y = s.y0; y <= s.y1; ++y) {
    for (int x = s.x0; x <= s.x1; ++x) {
      double dx = x + 0.5 - c.x, dy = y + 0.5 - c.y;
      img.at(x, y) += colour * std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
    }
  }
}

void addSpikes(FloatImage& img, Vec2 c, int count, double angle, double length, double width, Rgb colour) {
  double reach = length * 3.5;
  Span s = clip(img, c, reach);
  for (int y = s.y0; y <= s.y1; ++y) {
    for (int x = s.x0; x <= s.x1; ++x) {
      double dx = x + 0.5 - c.x, dy = y + 0.5 - c.y;
      double total = 0;
      for (int k = 0; k < count; ++k) {
        double a = angle + k * 2.0 * kPi / count;
        double along = dx * std::cos(a) + dy * std::sin(a);
        if (along <= 0 || along >= reach) continue;
        double across = -dx * std::sin(a) + dy * std::cos(a);
        // Spikes widen slightly with distance, like a real strut's diffraction.
        double w = width * (1.0 + along / (length * 3.0));
        // Offset so the spike has faded to exactly zero where it is cut off.
        double fade = std::exp(-along / length) - std::exp(-3.5);
        total += fade * std::exp(-(across * across) / (2 * w * w)) / w;
      }
      if (total > 1e-6) img.at(x, y) += colour * total;
    }
  }
}

}  // namespace artgen
