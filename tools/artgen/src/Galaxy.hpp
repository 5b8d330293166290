// Distant galaxies: spirals (any inclination, with arms, star-forming knots and
// dust), ellipticals and small irregulars, all as additive light.
#pragma once

#include "Image.hpp"

#include <cstdint>

namespace artgen {

enum class GalaxyKind { Spiral, Elliptical, Irregular };

struct GalaxyStyle {
  GalaxyKind kind = GalaxyKind::Spiral;
  Vec2 centre;
  double scale = 10;     // disc scale length in pixels
  double angle = 0;      // position angle of the major axis, radians
  double axisRatio = 1;  // minor / major: 1 = face-on, ~0.12 = edge-on
  int arms = 2;
  double pitch = 0.35;       // arm pitch angle, radians
  double armContrast = 0.7;  // 0 = smooth disc
  double bulge = 0.5;        // bulge share of the light
  double brightness = 1;     // total light, arbitrary units
  Rgb disc, core, knots;
  std::uint64_t seed = 1;
};

void paintGalaxy(FloatImage& img, const GalaxyStyle& g);

}  // namespace artgen
