// Tarn Skimmer: the small, agile one. A faceted wedge in disruptive olive camouflage,
// a bubble canopy, swept dorsal and ventral fins, and twin engines burning cyan.
#include "Color.hpp"
#include "Rng.hpp"
#include "craft/Designs.hpp"
#include "craft/Shapes.hpp"

#include <cmath>

namespace artgen {
namespace {

// Camouflage: a few irregular blotches scattered over a part's bounds.
std::vector<Paint> camouflage(const Outline& over, std::uint64_t seed, const Rgb* tones, int toneCount,
                              int count) {
  Bounds b = boundsOf(over);
  Rng rng(seed);
  std::vector<Paint> out;
  for (int i = 0; i < count; ++i) {
    Vec2 c{rng.range(b.x0, b.x1), rng.range(b.y0, b.y1)};
    double rx = rng.range(6, 14), ry = rng.range(3, 6);
    std::vector<Vec2> pts;
    for (int k = 0; k < 7; ++k) {
      double a = 2 * kPi * k / 7;
      double r = rng.range(0.6, 1.15);
      pts.push_back({c.x + rx * r * std::cos(a), c.y + ry * r * std::sin(a)});
    }
    out.push_back({smoothOutline(pts, 5), tones[rng.below(toneCount)]});
  }
  return out;
}

}  // namespace

CraftDesign designTarnSkimmer() {
  CraftDesign d;
  d.seed = 0x5461726E53ull;
  const Rgb olive = srgbHex(0x4A5634);
  const Rgb camo[] = {srgbHex(0x262C1C), srgbHex(0x6E6844), srgbHex(0x33402C)};
  const Rgb dark = srgbHex(0x2A2D2A);
  const Rgb metal = srgbHex(0x60646A);
  const Rgb signal = srgbHex(0xE8B020);

  const Rgb core = srgbHex(0xEFFFFF), outer = srgbHex(0x20D8E0);
  d.exhausts = {{{40, 70}, 7.5, 46, core, outer}, {{40, 86}, 7.5, 46, core, outer}};

  for (double y : {70.0, 86.0}) {
    Part bell;
    bell.shape = rounded({{54, y - 5}, {54, y + 5}, {40, y + 7.5}, {40, y - 7.5}}, 1.5);
    bell.albedo = metal;
    bell.gloss = 0.6;
    bell.grime = 0.3;
    d.parts.push_back(bell);
    Part throat;
    throat.shape = ellipse({41, y}, 1.4, 6.2, 20);
    throat.finish = Finish::Glow;
    throat.emission = srgbHex(0xA0FFF8) * 1.5;
    throat.castShadow = 0;
    d.parts.push_back(throat);
  }

  // Ventral fin and the swept wing blade, behind the hull.
  Part ventral;
  ventral.shape = rounded({{64, 90}, {96, 92}, {72, 123}, {58, 123}}, 3);
  ventral.finish = Finish::Plate;
  ventral.gloss = 0.12;  // matte camouflage paint
  ventral.facing = {0, 0.3, 1};
  ventral.albedo = olive * 0.8;
  ventral.bevel = 3;
  ventral.paints = {{rounded({{50, 116}, {80, 116}, {80, 130}, {50, 130}}, 1), signal}};
  d.parts.push_back(ventral);

  Part wing;
  wing.shape = rounded({{96, 84}, {152, 84}, {130, 110}, {104, 112}, {92, 100}}, 4);
  wing.finish = Finish::Plate;
  wing.gloss = 0.12;  // matte camouflage paint
  wing.facing = {0, 0.35, 1};
  wing.albedo = olive * 0.75;
  wing.bevel = 4;
  wing.seamsX = {104};
  d.parts.push_back(wing);

  // Two facets meeting at a chine: the upper catches the light, the lower does not.
  Outline upper = rounded({{52, 60}, {92, 52}, {150, 58}, {190, 76}, {150, 76}, {52, 76}}, 3);
  Part top;
  top.shape = upper;
  top.finish = Finish::Plate;
  top.gloss = 0.12;  // matte camouflage paint
  top.facing = {0, -0.4, 1};
  top.bevel = 5;
  top.albedo = olive;
  top.seamsX = {78, 118, 160};
  top.paints = camouflage(upper, d.seed + 1, camo, 3, 14);
  top.paints.push_back({rounded({{150, 64}, {175, 70}, {172, 72}, {150, 67}}, 1), signal});
  top.grime = 0.2;
  d.parts.push_back(top);

  Outline lower = rounded({{52, 75}, {190, 75}, {164, 86}, {110, 95}, {58, 96}, {50, 90}}, 3);
  Part belly;
  belly.shape = lower;
  belly.finish = Finish::Plate;
  belly.gloss = 0.12;  // matte camouflage paint
  belly.facing = {0, 0.6, 1};
  belly.bevel = 4;
  belly.albedo = olive * 0.85;
  belly.seamsX = {78, 118, 160};
  belly.paints = camouflage(lower, d.seed + 2, camo, 3, 8);
  belly.paints.push_back({rounded({{178, 74}, {196, 74}, {196, 90}, {170, 90}}, 1), dark});
  belly.grime = 0.25;
  d.parts.push_back(belly);

  // Canard just behind the nose.
  Part canard;
  canard.shape = rounded({{150, 73}, {166, 74}, {152, 86}, {144, 86}}, 2);
  canard.finish = Finish::Plate;
  canard.facing = {0.2, 0.2, 1};
  canard.albedo = dark;
  canard.bevel = 2;
  d.parts.push_back(canard);

  Part dorsal;
  dorsal.shape = rounded({{56, 60}, {92, 55}, {58, 18}, {46, 15}, {44, 24}}, 3);
  dorsal.finish = Finish::Plate;
  dorsal.gloss = 0.12;  // matte camouflage paint
  dorsal.facing = {0, -0.1, 1};
  dorsal.albedo = olive;
  dorsal.bevel = 4;
  dorsal.paints = camouflage(dorsal.shape, d.seed + 3, camo, 3, 4);
  dorsal.paints.push_back({rounded({{40, 10}, {70, 10}, {62, 24}, {40, 24}}, 1), dark});
  d.parts.push_back(dorsal);

  Part canopy;
  canopy.shape = smoothOutline({{96, 56}, {112, 45}, {132, 43}, {150, 50}, {162, 63}, {126, 60}}, 8,
                               {true, false, false, false, true, false});
  canopy.finish = Finish::Glass;
  canopy.albedo = srgbHex(0x0C1820);
  canopy.seamsX = {120, 140};
  d.parts.push_back(canopy);

  d.lamps = {{{60, 121}, 1.6, srgbHex(0xFF3020) * 1.4},
             {{48, 18}, 1.3, srgbHex(0xFFFFFF)},
             {{186, 76}, 1.0, srgbHex(0x60FFB0) * 0.8}};
  return d;
}

}  // namespace artgen
