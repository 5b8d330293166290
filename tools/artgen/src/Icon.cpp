#include "Color.hpp"
#include "Extras.hpp"
#include "craft/Designs.hpp"

#include <cmath>

namespace artgen {
namespace {

// The standard 16-colour palette: it is what a 4-bit icon is drawn in everywhere.
constexpr std::array<std::array<std::uint8_t, 3>, 16> kPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

// 4x4 Bayer matrix: a fixed pattern keeps the tiny image calm, unlike error diffusion.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int nearest(double r, double g, double b) {
  int best = 0;
  double bestD = 1e300;
  for (int i = 0; i < 16; ++i) {
    // Weighted the way the eye weighs the channels.
    double dr = r - kPalette[i][0], dg = g - kPalette[i][1], db = b - kPalette[i][2];
    double d = 0.30 * dr * dr + 0.59 * dg * dg + 0.11 * db * db;
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return best;
}

}  // namespace

Icon16 paintIcon() {
  constexpr int n = Icon16::kSize, ss = 4, big = n * ss;
  CraftDesign craft = designSarvane();
  // At 32 pixels the plumes would eat half the width; keep short stubs of flame.
  for (Exhaust& e : craft.exhausts) e.length *= 0.6;
  const Bounds b = designBounds(craft);
  // Level flight, as on screen: horizontal lines (stripe, belly) stay crisp at this size.
  const double angle = 0.0;
  // Leave a pixel on each side for the dark outline.
  const double s =
      (big - 2.5 * ss) / ((b.x1 - b.x0) * std::cos(angle) + (b.y1 - b.y0) * std::fabs(std::sin(angle)));
  const Vec2 centre{(b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2};
  Affine m;
  m.a = s * std::cos(angle);
  m.b = -s * std::sin(angle);
  m.c = s * std::sin(angle);
  m.d = s * std::cos(angle);
  m.tx = big / 2.0 - (m.a * centre.x + m.b * centre.y);
  m.ty = big / 2.0 - (m.c * centre.x + m.d * centre.y);
  CraftImage ci = renderCraft(craft, m, big, big);

  Icon16 icon;
  icon.palette = kPalette;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      Rgb sum;
      double alpha = 0;
      for (int j = 0; j < ss; ++j)
        for (int i = 0; i < ss; ++i) {
          size_t k = static_cast<size_t>(y * ss + j) * big + (x * ss + i);
          sum += ci.colour[k];
          alpha += ci.alpha[k];
        }
      alpha /= ss * ss;
      int idx = y * n + x;
      icon.transparent[idx] = alpha < 0.35;
      if (icon.transparent[idx]) continue;
      Rgb c = sum * (1.0 / (ss * ss * alpha));  // un-premultiply: edge pixels keep their hue
      double t = (kBayer[y % 4][x % 4] + 0.5) / 16.0 - 0.5;
      const double spread = 24.0;
      icon.index[idx] = static_cast<std::uint8_t>(nearest(srgbEncode(filmic(c.r)) * 255 + t * spread,
                                                          srgbEncode(filmic(c.g)) * 255 + t * spread,
                                                          srgbEncode(filmic(c.b)) * 255 + t * spread));
    }
  // A one-pixel dark outline keeps the silhouette readable on light desktops.
  Icon16 outlined = icon;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      if (!icon.transparent[y * n + x]) continue;
      bool touches = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          int xx = x + dx, yy = y + dy;
          if ((dx == 0) == (dy == 0)) continue;  // edge neighbours only: a thin, even line
          if (xx >= 0 && yy >= 0 && xx < n && yy < n && !icon.transparent[yy * n + xx]) touches = true;
        }
      if (touches) {
        outlined.transparent[y * n + x] = false;
        outlined.index[y * n + x] = 0;
      }
    }
  return outlined;
}

}  // namespace artgen
