// "Dolphin": a nebula that has taken the shape of a leaping dolphin, rising over
// the limb of a blue ocean world at sunrise. The outline is a glowing shell of
// gas, brightest at its edges, with wisps torn off behind the tail like spray.
#include "Color.hpp"
#include "Geometry.hpp"
#include "Glow.hpp"
#include "Noise.hpp"
#include "Pictures.hpp"
#include "Planet.hpp"
#include "Space.hpp"
#include "Stars.hpp"

#include <algorithm>
#include <cmath>

namespace artgen {
namespace {

constexpr std::uint64_t kSeed = 0x446F6C7068696Eull;

// Side view, nose to the right, body length ~560 units, y down.
const std::vector<Vec2> kDolphin = {{560, 10},  {538, 2},   {512, -4},  {488, -22},  {455, -42}, {400, -54},
                                    {345, -58}, {318, -60}, {290, -92}, {256, -124}, {262, -96}, {264, -70},
                                    {246, -54}, {190, -42}, {130, -28}, {82, -16},   {52, -14},  {26, -40},
                                    {-4, -66},  {8, -36},   {24, -4},   {6, 30},     {-8, 62},   {30, 28},
                                    {62, 12},   {120, 24},  {200, 40},  {282, 50},   {266, 80},  {250, 104},
                                    {300, 74},  {330, 56},  {400, 50},  {460, 38},   {505, 24},  {540, 17}};
const std::vector<bool> kSharp = {true,  false, false, false, false, false, false, false, false,
                                  true,  false, false, false, false, false, false, false, false,
                                  true,  false, true,  false, true,  false, false, false, false,
                                  false, false, true,  false, false, false, false, false, false};

// Pose: rotate nose-up and arch the back, then place in the frame.
Outline posedDolphin() {
  Outline raw = smoothOutline(kDolphin, 14, kSharp);
  Outline out;
  const double angle = -0.40, scale = 1.02;
  const Vec2 pivot{280, 0}, at{540, 300};
  for (Vec2 v : raw) {
    Vec2 q = v - pivot;
    q.y += 0.00055 * q.x * q.x;  // arch: nose and tail dip below the back
    double c = std::cos(angle), s = std::sin(angle);
    out.push_back(Vec2{q.x * c - q.y * s, q.x * s + q.y * c} * scale + at);
  }
  return out;
}

}  // namespace

Image8 paintDolphin() {
  const int W = kPictureWidth, H = kPictureHeight;
  FloatImage img(W, H);
  paintSkyBackground(img, kSeed, Rgb(0.0008, 0.0012, 0.0026), Rgb(0.0026, 0.0040, 0.0085), 400.0);
  Rng rng(kSeed);
  StarFieldStyle stars;
  stars.count = 3200;
  stars.faintest = 0.04;
  stars.brightest = 30;
  stars.spikesFrom = 40;
  paintStarField(img, rng, stars);

  const Outline dolphin = posedDolphin();
  const Bounds b = boundsOf(dolphin);
  const Rgb cyan = srgbHex(0x3FD8E8);
  const Rgb blue = srgbHex(0x2F62E0);
  const Rgb violet = srgbHex(0x8C52E0);
  const Rgb pink = srgbHex(0xF0609C);
  const double margin = 110;
  for (int y = std::max(0, static_cast<int>(b.y0 - margin)); y < std::min(H, static_cast<int>(b.y1 + margin));
       ++y) {
    for (int x = std::max(0, static_cast<int>(b.x0 - margin * 2));
         x < std::min(W, static_cast<int>(b.x1 + margin)); ++x) {
      double u = x / 300.0, v = y / 300.0;
      // Warp the lookup so the edge frays into wisps instead of tracing a clean line.
      double wx = fbm(u * 2.5, v * 2.5, kSeed + 1, 6), wy = fbm(u * 2.5 + 3.1, v * 2.5, kSeed + 2, 6);
      Vec2 q{x + 0.5 + wx * 16.0, y + 0.5 + wy * 16.0};
      double sd = signedDistance(dolphin, q).distance;
      double gas = 0.5 + 0.5 * warpedFbm(u * 2.2, v * 2.2, kSeed + 3, 7, 1.3);
      double fine = 0.5 + 0.5 * fbm(u * 10.0, v * 10.0, kSeed + 4, 4);
      double lanes = smoothstep(0.55, 0.85, ridged(u * 4.0, v * 4.0, kSeed + 6, 5));
      double inside = smoothstep(6.0, -30.0, sd);
      // The shell is bright in patches only, like gas compressed at a shock front.
      double shellNoise = std::pow(0.5 + 0.5 * fbm(u * 5.0, v * 5.0, kSeed + 7, 4), 1.5);
      double edge = std::exp(-(sd * sd) / (2 * 9.0 * 9.0)) * (0.25 + 1.1 * shellNoise) * (0.6 + 0.4 * fine);
      double halo = std::exp(-std::max(0.0, sd) / 35.0) * (1.0 - inside) * gas * gas;
      // Spray: gas streaming back from the flukes, down and to the left.
      double along = (x - b.x0) / 220.0;
      double spray = 0.0;
      if (along < 0.7) {
        double streak = ridged(u * 3.0 + v * 1.5, v * 6.0 - u * 2.0, kSeed + 5, 5);
        spray =
            std::pow(streak, 3.0) * std::exp(-std::max(0.0, sd) / 60.0) * smoothstep(0.7, 0.0, along) * 0.6;
      }
      double density = inside * (0.3 + 0.7 * std::pow(gas, 1.5)) * (0.6 + 0.4 * fine) * (1.0 - 0.6 * lanes);
      // Head to tail the gas shifts from oxygen cyan through blue to violet and pink.
      double t = clamp01((b.x1 - x) / (b.x1 - b.x0));
      Rgb tint = t < 0.5 ? mix(cyan, blue, t / 0.5) : mix(blue, violet, (t - 0.5) / 0.5);
      Rgb c = tint * (density * 0.85 + halo * 0.12) + cyan * (edge * 0.17 + spray * 0.3) +
              pink * (density * std::pow(gas, 3.0) * 0.5 * t);
      img.at(x, y) = img.at(x, y) * (1.0 - 0.5 * inside * lanes) + c;
    }
  }
  // The eye: a bright blue-white star where a dolphin's eye would be.
  const Vec2 eyeLocal{468, -20};
  {
    Outline eye = {eyeLocal};
    Vec2 q = eye[0] - Vec2{280, 0};
    q.y += 0.00055 * q.x * q.x;
    double c = std::cos(-0.40), s = std::sin(-0.40);
    Vec2 at = Vec2{q.x * c - q.y * s, q.x * s + q.y * c} * 1.02 + Vec2{540, 300};
    StarFieldStyle eyeStyle = stars;
    eyeStyle.spikesFrom = 20;
    paintStar(img, at, 45, blackbody(14000), eyeStyle);
  }

  // The ocean world, its limb catching the sunrise on the right.
  PlanetStyle planet;
  planet.centre = {430, 1720};
  planet.radius = 1150;
  planet.light = {0.85, -0.22, -0.12};
  planet.spin = 0.25;
  planet.landLevel = 0.32;
  planet.cloudCover = 0.58;
  planet.deepOcean = srgbHex(0x061C4A);
  planet.shallowOcean = srgbHex(0x1A6A9E);
  planet.land = srgbHex(0x5E7A3A);
  planet.highland = srgbHex(0x8E7A5C);
  planet.cloud = srgbHex(0xF2F4FA);
  planet.atmosphere = srgbHex(0x4C9CFF);
  planet.atmosphereHeight = 0.012;
  planet.featureScale = 1.6;
  planet.brightness = 1.2;
  planet.seed = kSeed + 9;
  paintPlanet(img, planet);
  // Sunrise: the sun just behind the limb lights a bright arc and a glare.
  const double sunAngle = 0.50;  // from the planet's top, toward the right
  Vec2 sunrise{planet.centre.x + planet.radius * std::sin(sunAngle),
               planet.centre.y - planet.radius * std::cos(sunAngle)};
  addHalo(img, sunrise, 14, 1.3, 650, srgbHex(0xFFE6C0) * 2.0);
  addHalo(img, sunrise, 90, 1.0, 900, srgbHex(0x7FB4FF) * 0.15);

  return develop(img, 1.0, kSeed + 7);
}

}  // namespace artgen
