// Sarvane: the large, sleek shuttle. Pearl-white hull over a dark heat-shield belly,
// a swept tail fin, a delta wing seen edge-on from slightly below, and three
// hydrogen engines burning blue.
#include "Color.hpp"
#include "craft/Designs.hpp"
#include "craft/Shapes.hpp"

namespace artgen {

CraftDesign designSarvane() {
  CraftDesign d;
  d.seed = 0x5361727661ull;
  const Rgb white = srgbHex(0xD6D9DE);
  const Rgb shield = srgbHex(0x26282E);
  const Rgb cobalt = srgbHex(0x1F4FB8);
  const Rgb signal = srgbHex(0xE0612A);
  const Rgb nozzleMetal = srgbHex(0x5A5E66);

  const Rgb plumeCore = srgbHex(0xF4FAFF);
  const Rgb plumeOuter = srgbHex(0x3C7CFF);
  d.exhausts = {{{92, 150}, 15, 100, plumeCore, plumeOuter},
                {{92, 182}, 15, 100, plumeCore, plumeOuter},
                {{100, 123}, 7, 62, plumeCore, plumeOuter}};

  // Engine bells: narrow throat at the hull, flaring toward the exit.
  for (double y : {150.0, 182.0}) {
    Part bell;
    bell.shape =
        rounded({{116, y - 8}, {116, y + 8}, {90, y + 14}, {88, y + 13}, {88, y - 13}, {90, y - 14}}, 2);
    bell.albedo = nozzleMetal;
    bell.gloss = 0.6;
    bell.shininess = 40;
    bell.seamsX = {96, 104};
    bell.grime = 0.3;
    d.parts.push_back(bell);
    Part throat;
    throat.shape = ellipse({89.5, y}, 2.2, 11.5, 24);
    throat.finish = Finish::Glow;
    throat.emission = srgbHex(0xBFE0FF) * 1.6;
    throat.castShadow = 0;
    d.parts.push_back(throat);
  }
  Part oms;
  oms.shape = rounded({{114, 118}, {114, 128}, {100, 131}, {100, 115}}, 1.5);
  oms.albedo = nozzleMetal;
  oms.gloss = 0.6;
  d.parts.push_back(oms);

  // Wing: the near delta, swept back and dipping below the belly.
  Part wing;
  wing.shape = rounded({{428, 186}, {300, 214}, {205, 236}, {162, 239}, {130, 230}, {118, 196}}, 6);
  wing.finish = Finish::Plate;
  wing.facing = {0, 0.25, 1};
  wing.bevel = 6;
  wing.albedo = srgbHex(0xC9CCD2);
  wing.seamsX = {170, 230};
  wing.seamsV = {214};
  wing.paints = {
      {rounded({{430, 184}, {300, 212}, {205, 234}, {162, 237}, {162, 245}, {440, 200}}, 3), shield},
      {rounded({{150, 218}, {230, 218}, {230, 245}, {110, 245}}, 2), srgbHex(0x9EA3AC)}};
  d.parts.push_back(wing);

  Part fuselage;
  fuselage.shape = smoothOutline({{108, 118},
                                  {160, 111},
                                  {260, 107},
                                  {360, 105},
                                  {420, 109},
                                  {458, 121},
                                  {482, 136},
                                  {496, 152},
                                  {500, 161},
                                  {492, 172},
                                  {472, 186},
                                  {440, 198},
                                  {380, 205},
                                  {250, 207},
                                  {140, 207},
                                  {108, 204},
                                  {104, 190},
                                  {104, 130}},
                                 8,
                                 {false, false, false, false, false, false, false, false, false, false, false,
                                  false, false, false, false, true, false, true});
  fuselage.albedo = white;
  fuselage.gloss = 0.45;
  fuselage.shininess = 30;
  fuselage.seamsX = {150, 205, 260, 315, 370, 425};
  fuselage.seamsV = {-0.62, -0.2};
  fuselage.grime = 0.10;
  fuselage.paints = {
      // Heat shield along the belly and over the nose cap.
      {smoothOutline({{100, 188},
                      {250, 193},
                      {380, 190},
                      {440, 183},
                      {474, 172},
                      {494, 162},
                      {510, 160},
                      {510, 230},
                      {100, 230}},
                     6, {true, false, false, false, false, false, true, true, true}),
       shield},
      // Cobalt stripe sweeping forward, with a thin signal line below it.
      {smoothOutline({{150, 150}, {300, 146}, {430, 141}, {462, 146}, {430, 151}, {300, 156}, {150, 160}}, 6,
                     {true, false, false, true, false, false, true}),
       cobalt},
      {smoothOutline({{150, 162}, {300, 158}, {430, 153}, {300, 161}, {150, 165}}, 6,
                     {true, false, true, false, true}),
       signal},
  };
  // Cabin windows, lit from inside.
  for (int i = 0; i < 6; ++i) {
    double x = 300 + i * 14;
    fuselage.paints.push_back(
        {ellipse({x + 3.5, 128}, 3.8, 3.8, 16), srgbHex(0x101418), srgbHex(0xFFB860) * 1.8});
  }
  d.parts.push_back(fuselage);

  // Body flap under the engines.
  Part flap;
  flap.shape = rounded({{104, 203}, {150, 205}, {150, 214}, {108, 216}}, 2);
  flap.finish = Finish::Plate;
  flap.albedo = shield;
  flap.bevel = 3;
  d.parts.push_back(flap);

  // Tail fin with its rudder.
  Part fin;
  fin.shape = rounded({{126, 114}, {238, 114}, {146, 50}, {114, 48}}, 4);
  fin.finish = Finish::Plate;
  fin.facing = {0, -0.12, 1};
  fin.bevel = 5;
  fin.albedo = white;
  fin.seamsX = {150};
  fin.paints = {{rounded({{150, 58}, {168, 58}, {182, 80}, {155, 80}}, 2), cobalt},
                {rounded({{100, 40}, {160, 40}, {150, 54}, {100, 54}}, 1), shield}};
  d.parts.push_back(fin);

  // Manoeuvring pod on the hull's shoulder, in front of the fin root.
  Part pod;
  pod.shape = smoothOutline({{112, 110}, {150, 102}, {205, 104}, {224, 114}, {205, 124}, {112, 126}}, 8,
                            {true, false, false, false, false, true});
  pod.albedo = white;
  pod.gloss = 0.45;
  pod.seamsX = {160, 195};
  d.parts.push_back(pod);

  Part canopy;
  // The windscreen follows the nose's upper curve instead of sitting on it like a bubble.
  canopy.shape = smoothOutline({{398, 106},
                                {426, 102},
                                {452, 109},
                                {473, 121},
                                {484, 133},
                                {470, 135},
                                {446, 124},
                                {424, 117},
                                {400, 114}},
                               8, {true, false, false, false, true, true, false, false, true});
  canopy.finish = Finish::Glass;
  canopy.albedo = srgbHex(0x0C1626);
  canopy.seamsX = {428, 452};
  d.parts.push_back(canopy);

  d.lamps = {{{166, 233}, 2.0, srgbHex(0xFF3020) * 1.5},
             {{120, 51}, 1.4, srgbHex(0xFFFFFF) * 1.0},
             {{480, 170}, 1.0, srgbHex(0xFFE0A0) * 0.6}};
  return d;
}

}  // namespace artgen
