// Calderine: the chunky hauler. A yellow cab up front, a spine of cargo containers,
// a heavy engine block with one big bell burning orange, landing legs below and a
// mast with a dish above. Worn, industrial, hazard-striped.
#include "Color.hpp"
#include "craft/Designs.hpp"
#include "craft/Shapes.hpp"

namespace artgen {
namespace {

// Diagonal hazard stripes clipped to a band: alternate parallelograms.
std::vector<Paint> hazardStripes(double x0, double x1, double y0, double y1, double pitch, Rgb colour) {
  std::vector<Paint> out;
  double slant = (y1 - y0) * 0.8;
  for (double x = x0; x < x1; x += pitch * 2) {
    double xa = x, xb = std::min(x + pitch, x1);
    out.push_back({Outline{{xa + slant, y0}, {xb + slant, y0}, {xb, y1}, {xa, y1}}, colour});
  }
  return out;
}

}  // namespace

CraftDesign designCalderine() {
  CraftDesign d;
  d.seed = 0x43616C6465ull;
  const Rgb hull = srgbHex(0x7C8088);
  const Rgb darkHull = srgbHex(0x44474E);
  const Rgb yellow = srgbHex(0xE2A81E);
  const Rgb black = srgbHex(0x1C1C1E);
  const Rgb rust = srgbHex(0x8A4A2A);
  const Rgb teal = srgbHex(0x2E7078);
  const Rgb orange = srgbHex(0xC8642A);

  d.exhausts = {{{72, 120}, 21, 70, srgbHex(0xFFF6D8), srgbHex(0xFF6A18)}};

  // Landing legs, folded half down, behind the hull.
  for (double x : {118.0, 236.0}) {
    Part leg;
    leg.shape = rounded({{x, 150},
                         {x + 12, 150},
                         {x + 4, 172},
                         {x + 16, 172},
                         {x + 16, 179},
                         {x - 14, 179},
                         {x - 14, 172},
                         {x - 4, 172}},
                        1.5);
    leg.finish = Finish::Plate;
    leg.albedo = darkHull;
    leg.bevel = 2;
    leg.paints = {{Outline{{x - 20, 171}, {x + 20, 171}, {x + 20, 180}, {x - 20, 180}}, black}};
    d.parts.push_back(leg);
  }

  // Mast and dish on the spine.
  Part mast;
  mast.shape = rounded({{196, 76}, {202, 76}, {201, 52}, {197, 52}}, 1);
  mast.finish = Finish::Plate;
  mast.albedo = darkHull;
  mast.bevel = 1.5;
  d.parts.push_back(mast);
  Part dish;
  dish.shape = smoothOutline({{184, 50}, {199, 41}, {214, 50}, {199, 56}}, 8, {true, false, true, false});
  dish.albedo = srgbHex(0xC8CCD2);
  dish.gloss = 0.6;
  d.parts.push_back(dish);

  // Engine block with the big bell.
  Part bell;
  bell.shape = rounded({{112, 104}, {112, 136}, {76, 146}, {73, 143}, {73, 97}, {76, 94}}, 3);
  bell.albedo = srgbHex(0x5A4E48);
  bell.gloss = 0.55;
  bell.shininess = 35;
  bell.seamsX = {84, 96};
  bell.grime = 0.35;
  d.parts.push_back(bell);
  Part throat;
  throat.shape = ellipse({74.5, 120}, 3.0, 23, 28);
  throat.finish = Finish::Glow;
  throat.emission = srgbHex(0xFFC070) * 1.7;
  throat.castShadow = 0;
  d.parts.push_back(throat);

  Part block;
  block.shape = rounded({{108, 84}, {160, 78}, {160, 162}, {108, 156}}, 6);
  block.albedo = darkHull;
  block.gloss = 0.3;
  block.seamsX = {124, 142};
  block.seamsV = {-0.5, 0.5};
  block.grime = 0.35;
  block.paints = {{roundedRect(128, 90, 154, 100, 2), black}};
  for (const Paint& p : hazardStripes(128, 154, 90, 100, 5, yellow)) block.paints.push_back(p);
  d.parts.push_back(block);

  // The spine: a long box the containers are clamped to.
  Part spine;
  spine.shape = rounded({{150, 74}, {252, 74}, {252, 164}, {150, 164}}, 5);
  spine.finish = Finish::Plate;
  spine.facing = {0, 0, 1};
  spine.albedo = hull;
  spine.bevel = 4;
  spine.seamsX = {176, 202, 228};
  spine.grime = 0.35;
  d.parts.push_back(spine);

  // Containers in mixed liveries, as if picked up at different ports.
  const struct {
    double x0, y0, x1, y1;
    Rgb colour;
  } boxes[] = {{154, 80, 200, 116, orange},
               {202, 80, 248, 116, teal},
               {154, 120, 186, 158, rust},
               {188, 120, 220, 158, srgbHex(0x98A0A6)},
               {222, 120, 248, 158, orange}};
  for (const auto& b : boxes) {
    Part box;
    box.shape = roundedRect(b.x0, b.y0, b.x1, b.y1, 1.5);
    box.finish = Finish::Plate;
    box.facing = {0, -0.05, 1};
    box.albedo = b.colour;
    box.bevel = 2.5;
    box.castShadow = 0.45;
    box.grime = 0.4;
    // Corrugation: close vertical grooves.
    for (double x = b.x0 + 4; x < b.x1 - 2; x += 4) box.seamsX.push_back(x);
    d.parts.push_back(box);
  }

  // The cab: rounded nose, wrap-around windows, hazard band on the chin.
  Part cab;
  cab.shape = smoothOutline(
      {{246, 84}, {268, 80}, {286, 88}, {296, 108}, {296, 128}, {288, 144}, {268, 152}, {246, 154}}, 8,
      {true, false, false, false, false, false, false, true});
  cab.albedo = yellow;
  cab.gloss = 0.4;
  cab.seamsX = {262};
  cab.seamsV = {0.45};
  cab.grime = 0.3;
  cab.paints = {{roundedRect(240, 138, 300, 158, 1), black}};
  for (const Paint& p : hazardStripes(240, 300, 138, 158, 6, yellow)) cab.paints.push_back(p);
  cab.paints.push_back(
      {smoothOutline({{266, 96}, {284, 98}, {292, 112}, {272, 112}}, 6, {true, false, true, true}),
       srgbHex(0x101820), srgbHex(0x70B0FF) * 0.12});
  cab.paints.push_back({roundedRect(250, 98, 262, 110, 2), srgbHex(0x101820), srgbHex(0x70B0FF) * 0.10});
  d.parts.push_back(cab);

  d.lamps = {{{293, 122}, 2.2, srgbHex(0xFFF0C0) * 1.6},
             {{200, 46}, 1.2, srgbHex(0xFF3020) * 1.4},
             {{112, 88}, 1.4, srgbHex(0xFFA020) * 1.2}};
  return d;
}

}  // namespace artgen
