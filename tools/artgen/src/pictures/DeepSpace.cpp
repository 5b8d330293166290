// "DeepSpace": a long-exposure deep field. Hundreds of faint, far galaxies of every
// type and tint, a few nearer showpieces, and a thin screen of foreground stars.
#include "Color.hpp"
#include "Galaxy.hpp"
#include "Glow.hpp"
#include "Noise.hpp"
#include "Pictures.hpp"
#include "Space.hpp"
#include "Stars.hpp"

#include <cmath>

namespace artgen {
namespace {

constexpr std::uint64_t kSeed = 0x44656570537061ull;

// A galaxy type drawn at random with field-like proportions and colours: red
// ellipticals, yellow-white spirals with blue arms, small blue irregulars.
GalaxyStyle randomGalaxy(Rng& rng, Vec2 at, double scale, double brightness) {
  GalaxyStyle g;
  g.centre = at;
  g.scale = scale;
  g.angle = rng.uniform() * kPi;
  g.brightness = brightness;
  g.seed = rng.next();
  // Distant ones are redshifted: far (small) galaxies lean orange.
  double redshift = clamp01((6.0 - scale) / 5.0) * rng.uniform();
  double pick = rng.uniform();
  if (pick < 0.22) {
    g.kind = GalaxyKind::Elliptical;
    g.axisRatio = rng.range(0.45, 1.0);
    g.bulge = 1.0;
    g.core = mix(srgbHex(0xFFE4BC), srgbHex(0xFFA868), redshift);
  } else if (pick < 0.85) {
    g.kind = GalaxyKind::Spiral;
    double c = rng.uniform();
    g.axisRatio = c < 0.2 ? rng.range(0.1, 0.22) : rng.range(0.3, 1.0);
    g.arms = rng.chance(0.7) ? 2 : 3;
    g.pitch = rng.range(0.22, 0.5);
    g.armContrast = rng.range(0.3, 0.85);
    g.bulge = rng.range(0.15, 0.5);
    g.core = mix(srgbHex(0xFFE2B0), srgbHex(0xFFB070), redshift);
    g.disc = mix(srgbHex(0xC8D4FF), srgbHex(0xFFD0A8), redshift * 0.8);
    g.knots = mix(srgbHex(0x7FA8FF), srgbHex(0xFF8FB0), rng.uniform() * 0.4);
  } else {
    g.kind = GalaxyKind::Irregular;
    g.axisRatio = rng.range(0.5, 1.0);
    g.bulge = 0;
    g.disc = mix(srgbHex(0x9DB8FF), srgbHex(0xE0C8FF), rng.uniform());
    g.knots = srgbHex(0xB8D0FF);
  }
  return g;
}

// A distant galaxy cluster: a giant elliptical among smaller ones, and the
// stretched blue arcs of background galaxies its mass bends into view.
void paintCluster(FloatImage& img, Rng& rng, Vec2 centre) {
  GalaxyStyle g;
  g.kind = GalaxyKind::Elliptical;
  g.bulge = 1.0;
  g.centre = centre;
  g.scale = 11;
  g.angle = 0.35;
  g.axisRatio = 0.72;
  g.brightness = 11 * 11 * 0.32;
  g.core = srgbHex(0xFFD7A0);
  g.seed = rng.next();
  paintGalaxy(img, g);
  for (int i = 0; i < 16; ++i) {
    double r = 18 + std::fabs(rng.normal()) * 55;
    double a = rng.uniform() * 2 * kPi;
    g.centre = {centre.x + r * std::cos(a) * 1.3, centre.y + r * std::sin(a) * 0.8};
    g.scale = rng.range(1.5, 5.5);
    g.angle = rng.uniform() * kPi;
    g.axisRatio = rng.range(0.5, 0.95);
    g.brightness = g.scale * g.scale * rng.range(0.22, 0.34);
    g.core = mix(srgbHex(0xFFDCA8), srgbHex(0xFFB878), rng.uniform());
    g.seed = rng.next();
    paintGalaxy(img, g);
  }
  // Arcs: a chain of soft knots along a circle around the cluster's centre.
  for (int i = 0; i < 4; ++i) {
    double radius = rng.range(58, 105);
    double a0 = rng.uniform() * 2 * kPi;
    double span = rng.range(0.25, 0.5);
    Rgb tint = mix(srgbHex(0x8CB0FF), srgbHex(0xC9B8FF), rng.uniform());
    int steps = static_cast<int>(radius * span * 1.5);
    std::uint64_t knotSeed = rng.next();
    for (int k = 0; k <= steps; ++k) {
      double t = static_cast<double>(k) / steps;
      double a = a0 + span * (t - 0.5);
      double fade = std::sin(kPi * t);
      double knot = 0.6 + 0.8 * std::pow(0.5 + 0.5 * gradientNoise(t * 7.0, 0.5, knotSeed), 3.0);
      Vec2 p{centre.x + radius * std::cos(a) * 1.15, centre.y + radius * std::sin(a) * 0.95};
      addPointSource(img, p, 0.16 * fade * knot, tint, 1.0);
    }
  }
}

}  // namespace

Image8 paintDeepSpace() {
  const int W = kPictureWidth, H = kPictureHeight;
  FloatImage img(W, H);
  paintSkyBackground(img, kSeed, Rgb(0.0009, 0.0010, 0.0020), Rgb(0.0030, 0.0026, 0.0052), 380.0);

  Rng rng(kSeed);

  // Faint galactic cirrus: dust in our own galaxy catching starlight, so the
  // darkness has depth instead of being a flat fill.
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      double u = x / 520.0, v = y / 520.0;
      double c = ridged(u * 1.6 + 0.7 * fbm(u, v, kSeed + 20, 4), v * 1.6, kSeed + 21, 6, 2.0, 0.55);
      double mask = smoothstep(0.0, 0.7, 0.5 + 0.5 * fbm(u * 0.8, v * 0.8, kSeed + 22, 3));
      img.at(x, y) += srgbHex(0x8796C8) * (0.035 * std::pow(c, 2.5) * mask);
    }
  }

  // The far field: many tiny smudges, more of them than stars at this depth.
  for (int i = 0; i < 420; ++i) {
    double size = 0.9 + std::pow(rng.uniform(), 3.0) * 5.5;
    Vec2 at{rng.uniform() * W, rng.uniform() * H};
    double b = size * size * rng.range(0.06, 0.16);
    paintGalaxy(img, randomGalaxy(rng, at, size, b));
  }
  // A middle distance of recognisable shapes.
  for (int i = 0; i < 26; ++i) {
    double size = rng.range(5.0, 12.0);
    Vec2 at{rng.uniform() * W, rng.uniform() * H};
    paintGalaxy(img, randomGalaxy(rng, at, size, size * size * rng.range(0.10, 0.18)));
  }

  // Showpieces: a grand-design spiral, an edge-on disc and an elliptical pair.
  GalaxyStyle spiral;
  spiral.centre = {760, 215};
  spiral.scale = 34;
  spiral.angle = 0.55;
  spiral.axisRatio = 0.62;
  spiral.arms = 2;
  spiral.pitch = 0.30;
  spiral.armContrast = 0.92;
  spiral.bulge = 0.22;
  spiral.brightness = 34 * 34 * 0.30;
  spiral.core = srgbHex(0xFFE0B4);
  spiral.disc = srgbHex(0xBCCBFF);
  spiral.knots = srgbHex(0x8FB4FF);
  spiral.seed = kSeed + 1;
  paintGalaxy(img, spiral);

  GalaxyStyle edge = spiral;
  edge.centre = {215, 575};
  edge.scale = 26;
  edge.angle = -0.42;
  edge.axisRatio = 0.11;
  edge.bulge = 0.35;
  edge.brightness = 26 * 26 * 0.26;
  edge.disc = srgbHex(0xD4DAFF);
  edge.seed = kSeed + 2;
  paintGalaxy(img, edge);

  paintCluster(img, rng, {400, 165});

  GalaxyStyle face = spiral;
  face.centre = {560, 620};
  face.scale = 17;
  face.angle = 2.1;
  face.axisRatio = 0.9;
  face.arms = 3;
  face.pitch = 0.42;
  face.bulge = 0.3;
  face.brightness = 17 * 17 * 0.26;
  face.seed = kSeed + 4;
  paintGalaxy(img, face);

  // Stars of our own galaxy in front of it all.
  StarFieldStyle stars;
  stars.count = 1700;
  stars.faintest = 0.05;
  stars.brightest = 90;
  stars.slope = 1.15;
  stars.haloFrom = 3.0;
  stars.spikesFrom = 22.0;
  stars.spikeAngle = 0.0;
  stars.spikeLength = 10;
  paintStarField(img, rng, stars);
  // A few bright ones placed by hand, away from the showpieces.
  const struct {
    Vec2 at;
    double flux, kelvin;
  } beacons[] = {{{860, 486}, 160, 4300}, {{118, 262}, 95, 9800}, {{655, 705}, 70, 6200}};
  for (const auto& b : beacons) paintStar(img, b.at, b.flux, blackbody(b.kelvin), stars);

  return develop(img, 1.0, kSeed + 9);
}

}  // namespace artgen
