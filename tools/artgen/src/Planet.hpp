// A lit planet with oceans, continents, cloud bands and an atmosphere that glows
// along the limb; shared by the Dolphin picture and the preview.
#pragma once

#include "Image.hpp"

#include <cstdint>

namespace artgen {

struct PlanetStyle {
  Vec2 centre;
  double radius = 100;
  Vec3 light{0.6, -0.4, 0.5};  // direction toward the sun (y down, z toward viewer)
  double spin = 0.3;           // turns the texture so the coastlines differ per use
  double landLevel = 0.25;     // higher = less land
  double cloudCover = 0.5;
  Rgb deepOcean, shallowOcean, land, highland, cloud, atmosphere;
  double atmosphereHeight = 0.02;  // in radii
  double brightness = 1.0;
  double featureScale = 2.2;  // continents and cloud systems per radian
  std::uint64_t seed = 1;
};

void paintPlanet(FloatImage& img, const PlanetStyle& p);

}  // namespace artgen
