#include "Galaxy.hpp"

#include "Noise.hpp"

#include <algorithm>
#include <cmath>

namespace artgen {
namespace {

struct Light {
  double disc = 0, core = 0, knots = 0;
};

// Light of the galaxy at a point given in its own frame (u along the major axis,
// v de-projected), in units of the scale length.
Light sample(const GalaxyStyle& g, double u, double v, double vSky) {
  // The bulge is a squashed sphere: it stays round-ish however the disc is tilted.
  double vb = vSky / std::max(g.axisRatio, 0.6);
  double rBulge = std::sqrt(u * u + vb * vb);
  Light l;
  double r = std::sqrt(u * u + v * v);
  double theta = std::atan2(v, u);
  switch (g.kind) {
    case GalaxyKind::Elliptical: {
      // Sersic-like: a bright cusp fading into a faint envelope.
      l.core = 6.0 * std::exp(-3.0 * std::pow(r, 0.4));
      break;
    }
    case GalaxyKind::Irregular: {
      double n = 0.5 + 0.5 * fbm(u * 0.9, v * 0.9, g.seed, 4);
      double blob = std::exp(-r * r / 2.5);
      l.disc = blob * std::pow(n, 1.6) * 2.0;
      double k = 0.5 + 0.5 * fbm(u * 2.2, v * 2.2, g.seed + 1, 3);
      l.knots = blob * std::pow(clamp01(k * 1.6 - 0.7), 2.0) * 3.0;
      break;
    }
    case GalaxyKind::Spiral: {
      double disc = std::exp(-r);
      double lr = std::log(std::max(r, 0.05));
      double wobble = 1.1 * fbm(u * 0.9, v * 0.9, g.seed + 2, 4);
      double phase = g.arms * (theta - lr / std::tan(g.pitch)) + wobble;
      double arm = std::pow(0.5 + 0.5 * std::cos(phase), 2.0);
      // Dust trails each arm on its inner edge.
      double dustArm = std::pow(0.5 + 0.5 * std::cos(phase + 1.0), 5.0);
      // Tiny galaxies are smudges: their arms are below the resolution.
      double resolved = smoothstep(2.0, 6.0, g.scale);
      // Seen edge-on, arms smear into the disc; drawing them would leave streaks.
      double faceOn = smoothstep(0.15, 0.55, g.axisRatio);
      double armMix = g.armContrast * resolved * faceOn * smoothstep(0.3, 1.1, r);
      // Flocculent breaks keep the arms from reading as drawn curves.
      double clump = 0.5 + 0.5 * fbm(u * 2.4, v * 2.4, g.seed + 3, 5);
      double armLight = arm * clamp01(0.15 + 1.4 * clump * clump);
      l.disc = disc * ((1 - armMix) + armMix * 2.4 * armLight) * (1 - 0.55 * armMix * dustArm);
      double knotNoise = clamp01((0.5 + 0.5 * fbm(u * 6.0, v * 6.0, g.seed + 4, 3)) * 1.8 - 0.9);
      l.knots = disc * armLight * armMix * std::pow(knotNoise, 1.5) * 7.0;
      l.core = 18.0 * std::exp(-4.0 * std::sqrt(rBulge * 2.2));
      // Seen edge-on the disc's dust hides the midplane.
      double edgeOn = clamp01((0.45 - g.axisRatio) / 0.35);
      if (edgeOn > 0) {
        double lane = std::exp(-vSky * vSky / 0.018) * smoothstep(0.15, 0.6, std::fabs(u));
        double f = 1.0 - 0.85 * edgeOn * lane * std::exp(-std::fabs(u) / 3.5);
        l.disc *= f;
        l.core *= 1.0 - 0.6 * edgeOn * lane;
        l.knots *= f;
      }
      break;
    }
  }
  return l;
}

}  // namespace

void paintGalaxy(FloatImage& img, const GalaxyStyle& g) {
  double extent = g.scale * (g.kind == GalaxyKind::Elliptical ? 9.0 : 6.0);
  int x0 = std::max(0, static_cast<int>(g.centre.x - extent));
  int x1 = std::min(img.w - 1, static_cast<int>(g.centre.x + extent));
  int y0 = std::max(0, static_cast<int>(g.centre.y - extent));
  int y1 = std::min(img.h - 1, static_cast<int>(g.centre.y + extent));
  double ca = std::cos(g.angle), sa = std::sin(g.angle);
  // Small galaxies need more samples per pixel or their cores sparkle.
  int ss = g.scale < 4 ? 4 : (g.scale < 12 ? 3 : 2);
  double norm = g.brightness / (ss * ss * g.scale * g.scale);
  double bulgeW = g.bulge, discW = 1.0 - g.bulge;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      Light acc;
      for (int j = 0; j < ss; ++j) {
        for (int i = 0; i < ss; ++i) {
          double dx = x + (i + 0.5) / ss - g.centre.x;
          double dy = y + (j + 0.5) / ss - g.centre.y;
          double u = (dx * ca + dy * sa) / g.scale;
          double vs = (-dx * sa + dy * ca) / g.scale;
          // A real disc has thickness, so even edge-on it never thins below this.
          Light l = sample(g, u, vs / std::max(g.axisRatio, 0.16), vs);
          acc.disc += l.disc;
          acc.core += l.core;
          acc.knots += l.knots;
        }
      }
      Rgb c = g.disc * (acc.disc * discW) + g.core * (acc.core * bulgeW) + g.knots * (acc.knots * discW);
      img.at(x, y) += c * norm;
    }
  }
}

}  // namespace artgen
