// Closed outlines and their signed distance: the craft and the dolphin are drawn
// as outlines, and the distance gives anti-aliasing, bevels and soft edges for free.
#pragma once

#include "Math.hpp"

#include <vector>

namespace artgen {

using Outline = std::vector<Vec2>;  // closed polygon; the last point joins the first

// Smooth closed curve through the control points (centripetal-free, uniform
// Catmull-Rom), `steps` samples per segment. Corners marked sharp stay sharp.
Outline smoothOutline(const std::vector<Vec2>& controls, int steps, const std::vector<bool>& sharp = {});

struct DistanceInfo {
  double distance;  // negative inside
  Vec2 outward;     // unit direction away from the outline's inside at the nearest point
};

DistanceInfo signedDistance(const Outline& poly, Vec2 p);
bool contains(const Outline& poly, Vec2 p);

struct Bounds {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  void include(Vec2 p) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
};
Bounds boundsOf(const Outline& poly);

// The vertical chord through x that contains y (top <= y <= bottom); false if none.
bool verticalSpan(const Outline& poly, double x, double y, double& top, double& bottom);

}  // namespace artgen
