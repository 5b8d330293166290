// "Nebel": an emission nebula lit by a young cluster. Hydrogen red and oxygen teal
// gas, dark dust lanes whose edges facing the cluster are rim-lit, and stars both
// behind the cloud (dimmed by the dust) and in front of it.
#include "Color.hpp"
#include "Glow.hpp"
#include "Noise.hpp"
#include "Pictures.hpp"
#include "Space.hpp"
#include "Stars.hpp"

#include <cmath>

namespace artgen {
namespace {

constexpr std::uint64_t kSeed = 0x4E6562656C2D3031ull;

// Cluster position in height-normalised coordinates (x runs to 4/3).
constexpr Vec2 kCluster{0.86, 0.40};

double envelope(double x, double y) {
  // A broad ribbon of gas rising from lower left to upper right, bent by noise.
  double centre = 0.70 - 0.42 * x + 0.10 * std::sin(2.6 * x + 0.4);
  double wobble = 0.16 * fbm(x * 1.3, y * 1.3, kSeed + 40, 4);
  double d = (y - centre + wobble) / 0.30;
  double ribbon = std::exp(-d * d);
  double dx = x - kCluster.x, dy = y - kCluster.y;
  double bubble = std::exp(-(dx * dx + dy * dy) / 0.09);
  return clamp01(ribbon * 0.85 + bubble * 0.7);
}

struct Dust {
  double lanes;   // thin dark filaments
  double clouds;  // broad dark clouds; their sunward faces get rim-lit
};

Dust dust(double x, double y) {
  double r = ridged(x * 3.4 + 3.0, y * 3.4, kSeed + 50, 6, 2.1, 0.55);
  double blobs = smoothstep(0.05, 0.6, fbm(x * 1.7, y * 1.7, kSeed + 51, 5));
  double centre = 0.62 - 0.38 * x;
  double band = std::exp(-std::pow((y - centre) / 0.36, 2.0));
  return {smoothstep(0.35, 0.8, r) * 1.5 * band, blobs * 1.2 * band};
}

}  // namespace

Image8 paintNebel() {
  const int W = kPictureWidth, H = kPictureHeight;
  FloatImage sky(W, H);
  paintSkyBackground(sky, kSeed, Rgb(0.0012, 0.0010, 0.0024), Rgb(0.0045, 0.0022, 0.0060), 420.0);

  Rng rng(kSeed);
  StarFieldStyle far;
  far.count = 9000;
  far.faintest = 0.03;
  far.brightest = 6.0;
  far.slope = 1.25;
  paintStarField(sky, rng, far);

  FloatImage out(W, H);
  const Rgb hydrogen = srgbHex(0xE8306A) * 1.0;
  const Rgb sulphur = srgbHex(0xF08A3A) * 0.8;
  const Rgb oxygen = srgbHex(0x2FC4C8) * 0.9;
  const Rgb reflection = srgbHex(0x5C86FF) * 0.7;
  const Rgb rimColour = srgbHex(0xFFC8C0);
  const double towardStep = 0.02;

  for (int py = 0; py < H; ++py) {
    for (int px = 0; px < W; ++px) {
      double x = (px + 0.5) / H, y = (py + 0.5) / H;
      double env = envelope(x, y);
      // Soft large-scale glow, folded mid-scale gas and sharp bright filaments.
      double broad = 0.5 + 0.5 * fbm(x * 1.6, y * 1.6, kSeed + 4, 5);
      double gas = 0.5 + 0.5 * warpedFbm(x * 1.8, y * 1.8, kSeed + 1, 7, 1.1);
      double fil = ridged(x * 3.2 + 0.8 * gas, y * 3.2 - 0.8 * gas, kSeed + 5, 7, 2.05, 0.6);
      double fine = 0.5 + 0.5 * fbm(x * 11.0, y * 11.0, kSeed + 2, 4);
      double h = env * (0.30 * broad * broad + std::pow(clamp01(gas * 1.3 - 0.2), 2.0) * (0.7 + 0.3 * fine) +
                        0.55 * std::pow(fil, 3.0) * broad);

      double cdx = x - kCluster.x, cdy = y - kCluster.y;
      double cd = std::sqrt(cdx * cdx + cdy * cdy);
      double ion = std::exp(-cd * cd / 0.06);
      double gas2 = 0.5 + 0.5 * warpedFbm(x * 2.4 + 7.0, y * 2.4, kSeed + 3, 6, 1.4);
      double o = ion * (0.35 + std::pow(clamp01(gas2 * 1.3 - 0.1), 1.6)) * (0.6 + 0.4 * fine);

      // Sulphur glows where the hydrogen is dense but the cluster's light is weak.
      double s = h * smoothstep(0.5, 0.9, gas) * (1.0 - ion);
      // The cluster's wind has cleared a cavity: less hydrogen right around it.
      h *= 1.0 - 0.65 * std::exp(-cd * cd / 0.018);

      Dust here = dust(x, y);
      double dd = here.lanes + here.clouds;
      // Rim light: a cloud whose neighbour toward the cluster is thinner is a lit
      // ionisation front. Only the broad clouds count; lit filaments look crumpled.
      double ux = cd > 1e-6 ? -cdx / cd : 0, uy = cd > 1e-6 ? -cdy / cd : 0;
      double toward = dust(x + ux * towardStep, y + uy * towardStep).clouds;
      double rim = std::pow(clamp01((here.clouds - toward) * 5.0), 1.6) * std::exp(-cd / 0.3);
      double trans = std::exp(-dd * 2.4);

      Rgb emission = hydrogen * (h * 0.72) + oxygen * (o * 0.95) + sulphur * (s * 0.45) +
                     reflection * (0.22 * ion * broad);
      Rgb c = sky.at(px, py) * trans + emission * (0.2 + 0.8 * trans) + rimColour * (rim * 0.45);
      out.at(px, py) = c;
    }
  }

  // The cluster: a knot of hot stars whose glare lights the cavity.
  Rng cl(kSeed + 77);
  StarFieldStyle bright;
  bright.brightest = 120;
  bright.haloFrom = 2.0;
  bright.spikesFrom = 30.0;
  bright.spikeLength = 8;
  addHalo(out, {kCluster.x * H, kCluster.y * H}, 40, 1.1, 330, srgbHex(0x9FC4FF) * 0.05);
  for (int i = 0; i < 40; ++i) {
    double r = std::fabs(cl.normal()) * 42 + 2;
    double a = cl.uniform() * 2 * kPi;
    Vec2 p{kCluster.x * H + r * std::cos(a), kCluster.y * H + r * std::sin(a) * 0.8};
    double flux = std::pow(cl.uniform(), 8.0) * 120 + 1.0;
    paintStar(out, p, flux, blackbody(cl.range(9000, 30000)), bright);
  }

  // Foreground stars, a few with spikes.
  StarFieldStyle near;
  near.count = 260;
  near.faintest = 0.12;
  near.brightest = 70;
  near.slope = 1.1;
  near.haloFrom = 2.5;
  near.spikesFrom = 25;
  paintStarField(out, rng, near);

  return develop(out, 1.0, kSeed + 99);
}

}  // namespace artgen
