// "Asteroidenfeld": a field of tumbling rocks lit by a sun just outside the frame.
// Near rocks are large, cratered and crisply lit; far ones shrink, lose contrast
// and pick up the colour of the dust haze, which gives the field its depth.
#include "Color.hpp"
#include "Glow.hpp"
#include "Noise.hpp"
#include "Pictures.hpp"
#include "Space.hpp"
#include "Stars.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace artgen {
namespace {

constexpr std::uint64_t kSeed = 0x41737465726F6964ull;
constexpr Vec2 kSun{1090, -70};
const Vec3 kLight = Vec3{0.76, -0.52, 0.17}.normalized();
const Vec3 kFill = Vec3{-0.7, 0.5, 0.3}.normalized();

struct Crater {
  Vec3 centre;  // on the unit sphere, facing us
  double radius;
  double depth;
};

struct Rock {
  Vec2 at;
  double radius;   // pixels
  double stretch;  // >1 elongates along the rock's own x axis
  double angle;
  double depth01;  // 0 = nearest, 1 = farthest
  Rgb albedo;
  std::uint64_t seed;
  std::vector<Crater> craters;
};

// Outline radius in a given direction (unit circle = 1): a lumpy potato, not a disc.
double outline(const Rock& r, double phi) {
  double c = std::cos(phi), s = std::sin(phi);
  return 1.0 + 0.24 * fbm(c * 1.1, s * 1.1, r.seed, 3) + 0.07 * fbm(c * 3.0, s * 3.0, r.seed + 1, 3) +
         0.022 * ridged(c * 9.0, s * 9.0, r.seed + 5, 3);
}

struct SurfacePoint {
  bool inside = false;
  double coverage = 0;
  Vec3 sphere;    // point on the deformed unit sphere, in the rock's own frame
  Vec3 normal;    // the same point turned back into screen axes: the smooth normal
  double height;  // relief relative to the sphere, in radii
  double albedo;  // brightness multiplier from craters and mottling
};

SurfacePoint surface(const Rock& r, double px, double py) {
  SurfacePoint sp;
  double dx = px - r.at.x, dy = py - r.at.y;
  double ca = std::cos(r.angle), sa = std::sin(r.angle);
  double lx = (dx * ca + dy * sa) / (r.radius * r.stretch);
  double ly = (-dx * sa + dy * ca) / r.radius;
  double rho = std::sqrt(lx * lx + ly * ly);
  double b = outline(r, std::atan2(ly, lx));
  sp.coverage = clamp01((b - rho) * r.radius + 0.5);
  if (sp.coverage <= 0) return sp;
  sp.inside = true;
  double q = std::min(rho / b, 0.9999);
  double z = std::sqrt(1.0 - q * q);
  sp.sphere = {lx / b, ly / b, z};
  sp.normal = {(lx * ca - ly * sa) / b, (lx * sa + ly * ca) / b, z};
  double lon = std::atan2(sp.sphere.x, z), lat = std::asin(std::clamp(sp.sphere.y, -1.0, 1.0));
  // Big lumps first, then fine rubble; both scale with the rock.
  double lumps = 0.13 * fbm(lon * 1.4, lat * 1.4, r.seed + 2, 5);
  double detail = std::min(1.0, r.radius / 40.0);
  double rubble =
      (0.010 * ridged(lon * 6.0, lat * 6.0, r.seed + 3, 4) +
       0.004 * ridged(lon * 16, lat * 16, r.seed + 8, 3) + 0.0015 * fbm(lon * 40, lat * 40, r.seed + 6, 3)) *
      detail;
  double h = lumps + rubble;
  double alb = 0.85 + 0.28 * fbm(lon * 2.0, lat * 2.0, r.seed + 4, 4) +
               0.18 * fbm(lon * 8.0, lat * 8.0, r.seed + 7, 3) +
               0.10 * fbm(lon * 45.0, lat * 45.0, r.seed + 9, 2) * detail;
  for (const Crater& c : r.craters) {
    double d = std::acos(std::clamp(sp.sphere.normalized().dot(c.centre), -1.0, 1.0)) / c.radius;
    if (d > 1.8) continue;
    if (d < 1.0) {
      h += c.depth * (d * d - 1.0);
      alb *= 0.88 + 0.12 * d;
    }
    h += c.depth * 0.45 * std::exp(-(d - 1.0) * (d - 1.0) / 0.05);
    alb *= 1.0 + 0.12 * std::exp(-(d - 1.15) * (d - 1.15) / 0.08);  // bright ejecta
  }
  sp.height = h;
  sp.albedo = alb;
  return sp;
}

void paintRock(FloatImage& img, const Rock& r, Rgb haze, Rgb fillColour) {
  const Rgb sunColour = srgbHex(0xFFEBD2);
  double ext = r.radius * std::max(r.stretch, 1.0) * 1.35 + 2;
  int x0 = std::max(0, static_cast<int>(r.at.x - ext)),
      x1 = std::min(img.w - 1, static_cast<int>(r.at.x + ext));
  int y0 = std::max(0, static_cast<int>(r.at.y - ext)),
      y1 = std::min(img.h - 1, static_cast<int>(r.at.y + ext));
  const double e = 0.5;  // pixel step for the relief gradient
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      double px = x + 0.5, py = y + 0.5;
      SurfacePoint s = surface(r, px, py);
      if (!s.inside) continue;
      SurfacePoint sx = surface(r, px + e, py), sy = surface(r, px, py + e);
      double gx = sx.inside ? (sx.height - s.height) / e * r.radius : 0;
      double gy = sy.inside ? (sy.height - s.height) / e * r.radius : 0;
      // Relief tilts the normal less toward the limb, where lon/lat texture is squeezed.
      double relief = 0.7 * std::sqrt(s.sphere.z) * smoothstep(0.02, 0.3, s.sphere.z);
      Vec3 n = (s.normal + Vec3{-gx, -gy, 0} * relief).normalized();
      double lambert = n.dot(kLight);
      // Slight wrap softens the terminator the way regolith scatters light.
      double key = clamp01((lambert + 0.06) / 1.06);
      double fill = clamp01(n.dot(kFill)) * 0.05;
      double rim = std::pow(clamp01(1.0 - n.z), 3.0) * clamp01(n.dot(Vec3{0.8, -0.6, 0})) * 0.25;
      Rgb lit = r.albedo * sunColour * (s.albedo * key * 1.4) + r.albedo * (s.albedo * 0.01) +
                fillColour * fill + srgbHex(0xFFE2C0) * rim;
      // Distance flattens contrast toward the haze and dims the sunlit side.
      Rgb c = mix(lit * (1.0 - 0.45 * r.depth01), haze, r.depth01 * 0.6);
      img.at(x, y) = mix(img.at(x, y), c, s.coverage);
    }
  }
}

Rock makeRock(Rng& rng, Vec2 at, double radius, double depth01) {
  Rock r;
  r.at = at;
  r.radius = radius;
  r.stretch = rng.range(1.0, 1.7);
  r.angle = rng.uniform() * kPi;
  r.depth01 = depth01;
  r.seed = rng.next();
  const Rgb tones[] = {srgbHex(0x8A8178), srgbHex(0x7A6A5C), srgbHex(0x8C7A6A), srgbHex(0x6E6E72),
                       srgbHex(0x957D66)};
  r.albedo = tones[rng.below(5)] * rng.range(0.8, 1.1);
  int n = 3 + static_cast<int>(std::min(radius, 160.0) / 4.0);
  for (int i = 0; i < n; ++i) {
    Crater c;
    double a = rng.uniform() * 2 * kPi, rr = std::sqrt(rng.uniform()) * 0.95;
    c.centre = Vec3{rr * std::cos(a), rr * std::sin(a), std::sqrt(1 - rr * rr)}.normalized();
    // Mostly small pits, now and then a large basin.
    c.radius = 0.025 + 0.25 * std::pow(rng.uniform(), 3.5);
    c.depth = c.radius * rng.range(0.25, 0.45);
    r.craters.push_back(c);
  }
  return r;
}

}  // namespace

Image8 paintAsteroidenfeld() {
  const int W = kPictureWidth, H = kPictureHeight;
  FloatImage img(W, H);
  paintSkyBackground(img, kSeed, Rgb(0.0010, 0.0011, 0.0020), Rgb(0.0040, 0.0030, 0.0042), 360.0);
  Rng rng(kSeed);
  StarFieldStyle stars;
  stars.count = 2600;
  stars.faintest = 0.04;
  stars.brightest = 20;
  stars.spikesFrom = 60;
  paintStarField(img, rng, stars);

  // Dust lit by the sun: a warm haze near it, cooler and thinner across the field.
  const Rgb warmDust = srgbHex(0xC08050);
  const Rgb coolDust = srgbHex(0x4A5C8C);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      double d = std::hypot(x - kSun.x, y - kSun.y) / 900.0;
      double n = 0.5 + 0.5 * warpedFbm(x / 300.0, y / 300.0, kSeed + 5, 5, 1.2);
      double streaks = ridged(x / 220.0 + 2.0 * n, y / 260.0, kSeed + 6, 5);
      double dust = (0.35 * n * n + 0.25 * streaks * streaks) * (0.3 + 0.7 * n);
      img.at(x, y) += mix(warmDust, coolDust, clamp01(d)) * (dust * 0.08 * std::exp(-d * 1.3));
    }
  }
  addHalo(img, kSun, 60, 1.05, 1500, srgbHex(0xFFD7A8) * 0.9);
  addHalo(img, kSun, 20, 1.5, 500, srgbHex(0xFFF2E0) * 2.5);

  // Far to near; each band smaller and more numerous than the one in front.
  std::vector<Rock> rocks;
  const Rgb haze = srgbHex(0x2A2C3A);
  // The field is a stream running diagonally down the frame; rocks thin out away from it.
  auto inStream = [&](Vec2 p) {
    double d = std::fabs(0.36 * p.x - p.y + 190) / std::sqrt(1 + 0.36 * 0.36);
    return rng.uniform() < 0.2 + 0.8 * std::exp(-(d / 230) * (d / 230));
  };
  auto scatter = [&](int count, double rMin, double rMax, double dMin, double dMax) {
    for (int placed = 0; placed < count;) {
      Vec2 p{rng.uniform() * W, rng.uniform() * H};
      if (!inStream(p)) continue;
      rocks.push_back(makeRock(rng, p, rng.range(rMin, rMax), rng.range(dMin, dMax)));
      ++placed;
    }
  };
  scatter(150, 2.0, 7.0, 0.9, 1.0);
  scatter(32, 8.0, 22.0, 0.55, 0.85);
  scatter(9, 24.0, 50.0, 0.25, 0.45);
  // Hand-placed foreground: frame the picture, keep the middle open for the craft.
  const struct {
    Vec2 at;
    double radius;
  } hero[] = {{{95, 690}, 175}, {{930, 640}, 120}, {{760, 110}, 70}, {{210, 120}, 52}, {{560, 705}, 58}};
  for (const auto& h : hero) rocks.push_back(makeRock(rng, h.at, h.radius, 0.0));

  for (const Rock& r : rocks) paintRock(img, r, haze, srgbHex(0x6E88C8));

  return develop(img, 1.0, kSeed + 9);
}

}  // namespace artgen
