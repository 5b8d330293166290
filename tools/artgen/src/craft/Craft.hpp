// The spacecraft renderer. A craft is data: outlines with a surface finish each,
// painted areas, lamps and exhaust plumes. One renderer lights them all, so the four
// designs share every shading rule and differ only in shape and colour.
#pragma once

#include "Geometry.hpp"
#include "Image.hpp"

#include <cstdint>
#include <vector>

namespace artgen {

enum class Finish {
  Tube,   // body of revolution: shaded across its height, like a fuselage or pod
  Plate,  // flat panel with bevelled edges: fins, wings, armour
  Glass,  // canopy: dark, reflects a sky gradient, sharp highlight
  Glow,   // self-lit: nozzle throats, reactor vents
};

// A decal or differently coloured area on a part (stripes, tiles, windows).
struct Paint {
  Outline area;
  Rgb albedo;
  Rgb emission{0, 0, 0};  // lit windows glow regardless of the light
};

struct Part {
  Outline shape;
  Finish finish = Finish::Tube;
  Rgb albedo{0.5, 0.5, 0.5};
  double gloss = 0.35;  // strength of the light's highlight
  double shininess = 24;
  Vec3 facing{0, 0, 1};        // Plate: which way the flat face points
  double bevel = 4;            // Plate: bevel width, design units
  std::vector<double> seamsX;  // vertical panel lines at these x
  std::vector<double> seamsV;  // Tube: lines at these heights in [-1, 1]; Plate: at these y
  std::vector<Paint> paints;
  double castShadow = 0.55;  // darkening it throws onto parts drawn before it
  Rgb emission{0, 0, 0};     // Glow finish
  double grime = 0.12;
};

struct Exhaust {
  Vec2 exit;      // centre of the nozzle exit
  double radius;  // half height of the plume at the exit
  double length;  // how far behind (to the left) it reaches
  Rgb core, outer;
};

struct Lamp {
  Vec2 at;
  double radius;
  Rgb colour;
};

struct CraftDesign {
  std::vector<Exhaust> exhausts;  // drawn first, behind the hull
  std::vector<Part> parts;        // back to front
  std::vector<Lamp> lamps;        // drawn last
  std::uint64_t seed = 1;
};

// Design space to pixel space: px = a*x + b*y + tx, py = c*x + d*y + ty.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  Vec2 apply(Vec2 p) const { return {a * p.x + b * p.y + tx, c * p.x + d * p.y + ty}; }
  Affine inverse() const;
  double scale() const;  // pixels per design unit (geometric mean)
};

// Premultiplied linear colour plus coverage for every pixel.
struct CraftImage {
  int w = 0, h = 0;
  std::vector<Rgb> colour;
  std::vector<float> alpha;
  CraftImage(int width, int height)
      : w(width),
        h(height),
        colour(static_cast<size_t>(width) * height),
        alpha(static_cast<size_t>(width) * height, 0.f) {}
};

CraftImage renderCraft(const CraftDesign& design, const Affine& toPixels, int w, int h,
                       bool alphaOnly = false);

// Extent of the design in design units, plumes included (to their visible tips).
Bounds designBounds(const CraftDesign& design);

// Finds the mapping that makes the pixels with alpha >= threshold fill exactly the
// target box. Starts from a plain fit of designBounds and corrects edge by edge.
Affine fitCraft(const CraftDesign& design, int w, int h, PixelBox target, double threshold);

// Which pixels are solid: coverage at or above the threshold, minus crumbs that
// came loose from thin tips and plus pinholes, so the cut-out outline stays clean.
std::vector<bool> solidMask(const CraftImage& img, double threshold);

// Bounding box of the solid pixels.
PixelBox alphaBounds(const CraftImage& img, double threshold);

}  // namespace artgen
