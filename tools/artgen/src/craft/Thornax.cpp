// Thornax: the long, angular warship. A dagger hull of dark gunmetal facets, a ram
// prow, raked thorns above and below, a bridge tower amidships and three engines
// burning a hot red.
#include "Color.hpp"
#include "craft/Designs.hpp"
#include "craft/Shapes.hpp"

namespace artgen {
namespace {

// A thorn: a long, slightly curved spike raked back from its base.
Outline thorn(Vec2 base, double width, Vec2 tip) {
  Vec2 mid = (base + tip) * 0.5;
  return smoothOutline({{base.x - width * 0.5, base.y},
                        {mid.x - width * 0.12, mid.y},
                        tip,
                        {mid.x + width * 0.22, mid.y},
                        {base.x + width * 0.5, base.y}},
                       6, {true, false, true, false, true});
}

Part plate(Outline shape, Rgb albedo, Vec3 facing, double bevel) {
  Part p;
  p.shape = std::move(shape);
  p.finish = Finish::Plate;
  p.albedo = albedo;
  p.facing = facing;
  p.bevel = bevel;
  p.gloss = 0.3;
  p.shininess = 40;
  p.grime = 0.18;
  return p;
}

}  // namespace

CraftDesign designThornax() {
  CraftDesign d;
  d.seed = 0x54686F726Eull;
  const Rgb gunmetal = srgbHex(0x3A3F48);
  const Rgb darkMetal = srgbHex(0x2A2E35);
  const Rgb crimson = srgbHex(0xA01424);
  const Rgb bone = srgbHex(0x8E8A80);

  const Rgb core = srgbHex(0xFFE8D0), outer = srgbHex(0xFF2A14);
  d.exhausts = {
      {{64, 112}, 10, 72, core, outer}, {{64, 134}, 12, 76, core, outer}, {{64, 156}, 10, 72, core, outer}};

  // Thorns behind the hull: dorsal ones raked back, ventral ones raked forward-down.
  const struct {
    Vec2 base;
    double width;
    Vec2 tip;
  } dorsal[] = {{{152, 104}, 34, {112, 33}},
                {{230, 104}, 28, {196, 52}},
                {{302, 110}, 22, {276, 66}},
                {{366, 118}, 16, {344, 86}}},
    ventral[] = {{{142, 164}, 30, {104, 218}}, {{222, 164}, 24, {192, 206}}, {{298, 158}, 18, {276, 192}}};
  // Each thorn darkens to crimson toward its point, as if heated.
  auto tipPaint = [&](Vec2 base, Vec2 tip) {
    Vec2 a = base + (tip - base) * 0.62;
    Vec2 dir = (tip - base) * (1.0 / (tip - base).length());
    Vec2 side{-dir.y * 30, dir.x * 30};
    return Paint{Outline{a + side, tip + dir * 10 + side, tip + dir * 10 - side, a - side}, crimson * 0.8};
  };
  for (const auto& t : dorsal) {
    Part p = plate(thorn(t.base, t.width, t.tip), bone, {-0.2, -0.3, 1}, 3);
    p.paints = {tipPaint(t.base, t.tip)};
    d.parts.push_back(p);
  }
  for (const auto& t : ventral) {
    Part p = plate(thorn(t.base, t.width, t.tip), bone * 0.8, {-0.2, 0.4, 1}, 3);
    p.paints = {tipPaint(t.base, t.tip)};
    d.parts.push_back(p);
  }

  // Engine bells in an armoured housing.
  for (double y : {112.0, 134.0, 156.0}) {
    Part bell;
    double r = y == 134.0 ? 12 : 10;
    bell.shape = rounded(
        {{84, y - r + 4}, {84, y + r - 4}, {66, y + r}, {64, y + r - 2}, {64, y - r + 2}, {66, y - r}}, 2);
    bell.albedo = darkMetal;
    bell.gloss = 0.6;
    bell.grime = 0.3;
    d.parts.push_back(bell);
    Part throat;
    throat.shape = ellipse({65, y}, 1.8, r - 1, 20);
    throat.finish = Finish::Glow;
    throat.emission = srgbHex(0xFFB090) * 1.6;
    throat.castShadow = 0;
    d.parts.push_back(throat);
  }

  // The hull: armour segments along the length, each facet turned a little
  // differently so the light breaks across them, meeting at a chine.
  auto lerpY = [](const std::vector<Vec2>& line, double x) {
    for (size_t i = 1; i < line.size(); ++i)
      if (x <= line[i].x) {
        double t = (x - line[i - 1].x) / (line[i].x - line[i - 1].x);
        return line[i - 1].y + (line[i].y - line[i - 1].y) * t;
      }
    return line.back().y;
  };
  const std::vector<Vec2> topLine = {{80, 98}, {200, 95}, {360, 110}, {482, 140}};
  const std::vector<Vec2> chine = {{80, 136}, {300, 136}, {482, 140}};
  const std::vector<Vec2> keel = {{80, 170}, {200, 173}, {360, 160}, {482, 140}};
  const double cuts[] = {80, 150, 220, 290, 360, 420, 482};
  for (int i = 0; i + 1 < 7; ++i) {
    double x0 = cuts[i], x1 = cuts[i + 1];
    double turn = (i % 2 == 0) ? 0.14 : -0.08;
    Part up = plate(Outline{{x0, lerpY(topLine, x0)},
                            {x1, lerpY(topLine, x1)},
                            {x1, lerpY(chine, x1)},
                            {x0, lerpY(chine, x0)}},
                    gunmetal, {turn, -0.32, 1}, 3);
    up.seamsV = {lerpY(chine, (x0 + x1) / 2) - 8};
    up.castShadow = 0.2;
    d.parts.push_back(up);
    Part down = plate(
        Outline{{x0, lerpY(chine, x0)}, {x1, lerpY(chine, x1)}, {x1, lerpY(keel, x1)}, {x0, lerpY(keel, x0)}},
        gunmetal * 0.75, {-turn, 0.55, 1}, 3);
    down.castShadow = 0.2;
    d.parts.push_back(down);
  }
  // Crimson chine band and glowing vents along the lower hull.
  Part band =
      plate(Outline{{150, 133}, {420, 135}, {482, 140}, {420, 140}, {150, 139}}, crimson, {0, -0.2, 1}, 1.5);
  band.castShadow = 0.3;
  d.parts.push_back(band);
  for (int i = 0; i < 4; ++i) {
    double x = 170 + i * 46;
    Part vent =
        plate(rounded({{x, 150}, {x + 26, 149}, {x + 24, 154}, {x, 155}}, 1), darkMetal, {0, 0.3, 1}, 1);
    vent.paints = {{Outline{{x + 2, 151.2}, {x + 23, 150.5}, {x + 22, 153}, {x + 2, 153.6}},
                    srgbHex(0x200608), srgbHex(0xFF3818) * 0.9}};
    vent.castShadow = 0.3;
    d.parts.push_back(vent);
  }
  // Greebles: small raised plates along the upper hull.
  const double gb[][4] = {
      {150, 104, 172, 112}, {196, 103, 226, 110}, {330, 116, 356, 124}, {372, 121, 398, 128}};
  for (const auto& g : gb) {
    Part p = plate(roundedRect(g[0], g[1], g[2], g[3], 1.5), darkMetal, {0, -0.6, 1}, 1.5);
    p.castShadow = 0.5;
    d.parts.push_back(p);
  }
  Part ridge =
      plate(Outline{{96, 98}, {210, 91}, {330, 106}, {210, 99}, {96, 103}}, darkMetal, {0, -0.9, 0.5}, 2);
  d.parts.push_back(ridge);

  // Armoured engine housing over the rear.
  Part housing =
      plate(rounded({{78, 94}, {118, 90}, {128, 134}, {118, 176}, {78, 174}}, 4), darkMetal, {0, 0, 1}, 6);
  housing.seamsV = {120, 148};
  housing.paints = {{Outline{{96, 128}, {124, 128}, {126, 140}, {96, 140}}, crimson}};
  d.parts.push_back(housing);

  // Bridge tower amidships: stepped, with a slit of red-lit windows.
  Part tower = plate(rounded({{238, 102}, {252, 80}, {300, 78}, {318, 90}, {324, 110}}, 3), gunmetal * 1.1,
                     {0.1, -0.4, 1}, 4);
  tower.seamsX = {270};
  tower.paints = {
      {Outline{{256, 88}, {306, 87}, {310, 91}, {258, 92}}, srgbHex(0x120608), srgbHex(0xFF3020) * 1.2}};
  d.parts.push_back(tower);

  // Prow blade and the crimson band along the chine.
  Part prow = plate(Outline{{400, 126}, {482, 140}, {400, 148}, {410, 137}}, bone, {0.4, 0, 1}, 3);
  d.parts.push_back(prow);

  d.lamps = {{{476, 140}, 1.2, srgbHex(0xFF2010) * 1.5},
             {{114, 36}, 1.2, srgbHex(0xFF2010) * 1.4},
             {{106, 215}, 1.2, srgbHex(0xFF2010) * 1.4},
             {{340, 125}, 0.9, srgbHex(0xFF6040)}};
  return d;
}

}  // namespace artgen
