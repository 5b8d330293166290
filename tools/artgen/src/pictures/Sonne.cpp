// "Sonne": a star seen close up. A granulated, limb-darkened disc with sunspots and
// a flare, the thin red chromosphere, prominence loops standing on the limb, and a
// streamer-laced corona fading into the glare.
#include "Color.hpp"
#include "Glow.hpp"
#include "Noise.hpp"
#include "Pictures.hpp"
#include "Space.hpp"
#include "Stars.hpp"

#include <cmath>

namespace artgen {
namespace {

constexpr std::uint64_t kSeed = 0x536F6E6E65ull;
constexpr Vec2 kCentre{450, 410};
constexpr double kRadius = 232;

struct Spot {
  double lon, lat, size;
};

// Sunspots: darkening factor for a point on the sphere given as longitude/latitude.
double spotFactor(double lon, double lat, const Spot* spots, int n, double& penumbraOut) {
  double f = 1.0;
  penumbraOut = 0;
  for (int i = 0; i < n; ++i) {
    double dl = (lon - spots[i].lon) * std::cos(lat), db = lat - spots[i].lat;
    double d = std::sqrt(dl * dl + db * db) / spots[i].size;
    double ragged = 1.0 + 0.25 * fbm(lon * 60, lat * 60, kSeed + 30 + i, 3);
    double penumbra = 1.0 - smoothstep(0.9, 1.25, d * ragged);
    double umbra = 1.0 - smoothstep(0.35, 0.55, d * ragged);
    f *= 1.0 - 0.55 * penumbra - 0.4 * umbra;
    penumbraOut = std::max(penumbraOut, penumbra - umbra);
  }
  return f;
}

void paintDisc(FloatImage& img) {
  const Spot spots[] = {{-0.35, 0.28, 0.05}, {-0.28, 0.25, 0.03},  {-0.24, 0.31, 0.018},
                        {0.42, -0.2, 0.04},  {0.48, -0.17, 0.022}, {0.1, 0.42, 0.016}};
  const Rgb hot = srgbHex(0xFFE7A0);
  const Rgb warm = srgbHex(0xFFA22C);
  const Rgb limb = srgbHex(0xE0501A);
  const Rgb deep = srgbHex(0x7A1606);
  for (int y = static_cast<int>(kCentre.y - kRadius - 2); y <= kCentre.y + kRadius + 2; ++y) {
    for (int x = static_cast<int>(kCentre.x - kRadius - 2); x <= kCentre.x + kRadius + 2; ++x) {
      if (!img.inside(x, y)) continue;
      double dx = (x + 0.5 - kCentre.x) / kRadius, dy = (y + 0.5 - kCentre.y) / kRadius;
      double d = std::sqrt(dx * dx + dy * dy);
      double cover = clamp01((1.0 - d) * kRadius + 0.5);
      if (cover <= 0) continue;
      double mu = std::sqrt(std::max(0.0, 1.0 - std::min(d, 1.0) * std::min(d, 1.0)));
      double lon = std::atan2(dx, mu), lat = std::asin(std::clamp(dy, -1.0, 1.0));

      // Granulation: bright cells, dark lanes; mottled and filamentary on larger scales.
      CellSample cs = cellular(lon * 58, lat * 58, kSeed + 1);
      double gran = smoothstep(0.0, 0.35, cs.f2 - cs.f1);
      double mottle = 0.5 + 0.5 * warpedFbm(lon * 2.6, lat * 2.6, kSeed + 2, 6, 1.4);
      double veins = ridged(lon * 5.0 + mottle, lat * 5.0, kSeed + 5, 5);
      double fine = 0.5 + 0.5 * fbm(lon * 24, lat * 24, kSeed + 3, 4);
      double heat = 0.66 + 0.05 * gran + 0.55 * (mottle - 0.5) + 0.16 * veins + 0.10 * (fine - 0.5);
      // Faculae: bright network patches that show best toward the limb.
      double fac = smoothstep(0.55, 0.8, 0.5 + 0.5 * fbm(lon * 7, lat * 7, kSeed + 4, 4));
      heat += fac * 0.35 * (1.0 - mu) * (1.0 - mu);

      double penumbra = 0;
      double spot = spotFactor(lon, lat, spots, 6, penumbra);
      // Penumbral filaments run radially out of each spot.
      heat *= spot * (1.0 - 0.12 * penumbra * (0.5 + 0.5 * std::sin(std::atan2(dy, dx) * 90)));
      heat *= 0.45 + 0.55 * std::pow(mu, 0.6);

      // Colour follows temperature: dark red lanes, orange surface, yellow-white hot spots.
      Rgb c = heat < 0.5   ? mix(deep, limb, heat / 0.5)
              : heat < 0.8 ? mix(limb, warm, (heat - 0.5) / 0.3)
                           : mix(warm, hot, std::min(1.0, (heat - 0.8) / 0.35));
      c = c * (0.35 + 0.75 * heat);
      img.at(x, y) = mix(img.at(x, y), c, cover);
    }
  }
}

// Chromosphere, spicules and corona: everything just outside the limb.
void paintCorona(FloatImage& img) {
  const Rgb chromo = srgbHex(0xFF4A28);
  const Rgb inner = srgbHex(0xFFD9A0);
  const Rgb outer = srgbHex(0xFF8A50);
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      double dx = x + 0.5 - kCentre.x, dy = y + 0.5 - kCentre.y;
      double r = std::sqrt(dx * dx + dy * dy) / kRadius;
      if (r < 0.985) continue;
      double a = std::atan2(dy, dx);
      double h = r - 1.0;
      // Streamers: angular noise stretched radially (noise in angle vs log r).
      double lr = std::log(r);
      double streak =
          0.5 + 0.5 * fbm(std::cos(a) * 3.2 + lr * 0.8, std::sin(a) * 3.2 + lr * 0.8, kSeed + 10, 5);
      double fine = 0.5 + 0.5 * fbm(std::cos(a) * 22 + lr * 2, std::sin(a) * 22 + lr * 2, kSeed + 11, 3);
      double streamer = std::pow(streak, 2.2) * (0.7 + 0.6 * fine);
      double corona = (0.22 * std::pow(r, -7.0) + 0.9 * streamer * std::pow(r, -3.2)) * 0.55;
      double spic = 0.5 + 0.5 * fbm(a * 420, h * 40, kSeed + 12, 3);
      double chromoLayer = std::exp(-std::max(0.0, h) * kRadius / (4.0 + 3.0 * spic)) * (0.7 + 0.6 * spic);
      double fadeIn = smoothstep(0.985, 1.002, r);
      Rgb c = mix(inner, outer, smoothstep(0.0, 0.8, h)) * corona + chromo * (chromoLayer * 1.3);
      img.at(x, y) += c * fadeIn;
    }
  }
}

// A prominence: many loose strands of glowing plasma arching between two feet on
// the limb, thick and bright near the feet, frayed and clumpy along the arch.
void paintProminence(FloatImage& img, Rng& rng, double angle, double span, double height, double brightness) {
  const Rgb hot = srgbHex(0xFF5A24);
  const Rgb core = srgbHex(0xFFB070);
  const int strands = 22;
  std::uint64_t seed = rng.next();
  for (int s = 0; s < strands; ++s) {
    double offset = rng.normal() * 0.5;
    double width = rng.range(1.8, 4.5);
    double lift = rng.range(0.6, 1.1);
    double skew = rng.range(-0.25, 0.25);
    int steps = static_cast<int>((span * kRadius + 2.5 * height) * 1.2);
    for (int k = 0; k <= steps; ++k) {
      double t = static_cast<double>(k) / steps;
      double arch = std::pow(std::sin(kPi * t), 0.7);
      double a = angle + span * (t - 0.5) + span * 0.2 * offset * arch + skew * span * arch * (t - 0.5);
      double sway = fbm(t * 2.5, s * 0.9, seed, 4);
      double r = kRadius * 0.995 + height * lift * arch * (1.0 + 0.45 * sway);
      Vec2 p{kCentre.x + r * std::cos(a), kCentre.y + r * std::sin(a)};
      double clump = 0.5 + 0.5 * fbm(t * 7.0, s * 1.3, seed + 1, 4);
      double knot = std::pow(clamp01(clump * 1.5 - 0.25), 2.0);
      double outside = smoothstep(kRadius * 0.99, kRadius * 1.03, r);
      double w = width * (1.0 + 0.8 * (1.0 - arch));
      Rgb c = mix(hot, core, knot * 0.6) * (brightness * knot * (0.3 + 0.7 * outside));
      addPointSource(img, p, w * 0.5, c, w);
    }
  }
}

}  // namespace

Image8 paintSonne() {
  const int W = kPictureWidth, H = kPictureHeight;
  FloatImage img(W, H);
  paintSkyBackground(img, kSeed, Rgb(0.0016, 0.0010, 0.0012), Rgb(0.0050, 0.0026, 0.0020), 400.0);
  Rng rng(kSeed);
  StarFieldStyle stars;
  stars.count = 900;
  stars.faintest = 0.05;
  stars.brightest = 14;
  stars.haloFrom = 4;
  stars.spikesFrom = 100;
  // Glare hides the faint stars near the sun.
  paintStarField(img, rng, stars, [](double x, double y) {
    double d = std::hypot(x - kCentre.x, y - kCentre.y) / kRadius;
    return smoothstep(1.3, 2.6, d);
  });

  paintCorona(img);
  paintDisc(img);

  const struct {
    double angle, span, height, brightness;
  } proms[] = {{-1.2, 0.32, 85, 0.65}, {-0.3, 0.18, 45, 0.7}, {0.55, 0.42, 120, 0.6},
               {2.5, 0.25, 60, 0.65},  {-2.3, 0.15, 35, 0.7}, {1.75, 0.12, 28, 0.7}};
  for (const auto& p : proms) paintProminence(img, rng, p.angle, p.span, p.height, p.brightness);

  // A flare near the eastern limb: a white-hot ribbon and its glow.
  Vec2 flare{kCentre.x + kRadius * 0.62, kCentre.y - kRadius * 0.55};
  addHalo(img, flare, 4, 1.4, 110, srgbHex(0xFFF0D0) * 1.2);
  addPointSource(img, flare + Vec2{-4, 2}, 30, srgbHex(0xFFFFFF), 2.2);
  addPointSource(img, flare + Vec2{5, -3}, 22, srgbHex(0xFFF6E0), 1.8);

  // Scattered light in the optics: a broad warm glow over everything.
  addHalo(img, kCentre, kRadius * 0.9, 1.2, kRadius * 4.0, srgbHex(0xFF9A58) * 0.16);

  return develop(img, 1.0, kSeed + 9);
}

}  // namespace artgen
