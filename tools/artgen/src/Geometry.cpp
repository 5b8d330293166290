#include "Geometry.hpp"

#include <algorithm>
#include <cmath>

namespace artgen {

Outline smoothOutline(const std::vector<Vec2>& c, int steps, const std::vector<bool>& sharp) {
  Outline out;
  const size_t n = c.size();
  auto isSharp = [&](size_t i) { return i < sharp.size() && sharp[i]; };
  for (size_t i = 0; i < n; ++i) {
    Vec2 p1 = c[i], p2 = c[(i + 1) % n];
    // A sharp end point acts as its own neighbour, which straightens the tangent there.
    Vec2 p0 = isSharp(i) ? p1 : c[(i + n - 1) % n];
    Vec2 p3 = isSharp((i + 1) % n) ? p2 : c[(i + 2) % n];
    for (int s = 0; s < steps; ++s) {
      double t = static_cast<double>(s) / steps, t2 = t * t, t3 = t2 * t;
      Vec2 q = (p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
                (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
               0.5;
      out.push_back(q);
    }
  }
  return out;
}

bool contains(const Outline& poly, Vec2 p) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Vec2 &a = poly[i], &b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

DistanceInfo signedDistance(const Outline& poly, Vec2 p) {
  double best = 1e300;
  Vec2 nearest{};
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    Vec2 a = poly[j], ab = poly[i] - a;
    double len2 = ab.dot(ab);
    double t = len2 > 0 ? std::clamp((p - a).dot(ab) / len2, 0.0, 1.0) : 0.0;
    Vec2 q = a + ab * t;
    Vec2 d = p - q;
    double d2 = d.dot(d);
    if (d2 < best) {
      best = d2;
      nearest = q;
    }
  }
  double dist = std::sqrt(best);
  bool in = contains(poly, p);
  Vec2 dir = p - nearest;
  double l = dir.length();
  Vec2 outward = l > 1e-12 ? dir * (1.0 / l) : Vec2{0, -1};
  if (in) outward = outward * -1.0;
  return {in ? -dist : dist, outward};
}

Bounds boundsOf(const Outline& poly) {
  Bounds b;
  for (const Vec2& v : poly) b.include(v);
  return b;
}

bool verticalSpan(const Outline& poly, double x, double y, double& top, double& bottom) {
  double above = -1e300, below = 1e300;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Vec2 &a = poly[j], &b = poly[i];
    if ((a.x > x) == (b.x > x)) continue;
    double yy = a.y + (x - a.x) * (b.y - a.y) / (b.x - a.x);
    if (yy <= y && yy > above) above = yy;
    if (yy >= y && yy < below) below = yy;
  }
  if (above < -1e299 || below > 1e299) return false;
  top = above;
  bottom = below;
  return true;
}

}  // namespace artgen
