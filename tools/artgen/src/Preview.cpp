#include "Color.hpp"
#include "Extras.hpp"
#include "Glow.hpp"
#include "Planet.hpp"
#include "Space.hpp"
#include "Stars.hpp"
#include "craft/Designs.hpp"

namespace artgen {

Image8 paintPreview() {
  const int W = kPreviewWidth, H = kPreviewHeight;
  const std::uint64_t seed = 0x50726576ull;
  FloatImage img(W, H);
  paintSkyBackground(img, seed, Rgb(0.0012, 0.0014, 0.0030), Rgb(0.0040, 0.0036, 0.0080), 160.0);
  Rng rng(seed);
  StarFieldStyle stars;
  stars.count = 420;
  stars.faintest = 0.05;
  stars.brightest = 8;
  stars.haloFrom = 3;
  stars.spikesFrom = 100;
  paintStarField(img, rng, stars);

  PlanetStyle planet;
  planet.centre = {330, 330};
  planet.radius = 150;
  planet.light = {-0.55, -0.55, 0.45};
  planet.spin = 0.9;
  planet.landLevel = 0.26;
  planet.cloudCover = 0.5;
  planet.featureScale = 1.5;
  planet.deepOcean = srgbHex(0x0A2660);
  planet.shallowOcean = srgbHex(0x1C6EA4);
  planet.land = srgbHex(0x6A7A3C);
  planet.highland = srgbHex(0x9A8060);
  planet.cloud = srgbHex(0xF0F2F8);
  planet.atmosphere = srgbHex(0x5AA0FF);
  planet.atmosphereHeight = 0.03;
  planet.seed = seed + 1;
  paintPlanet(img, planet);

  // The bright star lighting the scene, upper left.
  StarFieldStyle sun = stars;
  sun.spikesFrom = 10;
  sun.spikeLength = 9;
  sun.spikeAngle = 0.3;
  addHalo(img, {52, 44}, 6, 1.2, 160, srgbHex(0xFFE8C8) * 0.5);
  paintStar(img, {52, 44}, 140, blackbody(6500), sun);

  // The craft, scaled down, crossing in front of the planet.
  CraftDesign craft = designSarvane();
  Affine m;
  m.a = m.d = 0.56;
  m.tx = 198 - 0.56 * 265;
  m.ty = 128 - 0.56 * 143;
  CraftImage ci = renderCraft(craft, m, W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      size_t i = static_cast<size_t>(y) * W + x;
      img.at(x, y) = img.at(x, y) * (1.0 - ci.alpha[i]) + ci.colour[i];
    }
  return develop(img, 1.0, seed + 2);
}

}  // namespace artgen
