#include "craft/Shapes.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace artgen {

Outline ellipse(Vec2 c, double rx, double ry, int segments) {
  Outline o;
  for (int i = 0; i < segments; ++i) {
    double a = 2 * kPi * i / segments;
    o.push_back({c.x + rx * std::cos(a), c.y + ry * std::sin(a)});
  }
  return o;
}

Outline roundedRect(double x0, double y0, double x1, double y1, double r) {
  return rounded({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, r);
}

Outline rounded(std::initializer_list<Vec2> cornersList, double radius) {
  std::vector<Vec2> c(cornersList);
  Outline o;
  const size_t n = c.size();
  for (size_t i = 0; i < n; ++i) {
    Vec2 prev = c[(i + n - 1) % n], cur = c[i], next = c[(i + 1) % n];
    Vec2 a = prev - cur, b = next - cur;
    double la = a.length(), lb = b.length();
    // Never cut more than a third of either edge, or neighbouring arcs would overlap.
    double r = std::min({radius, la / 3.0, lb / 3.0});
    if (r <= 0.01) {
      o.push_back(cur);
      continue;
    }
    Vec2 pa = cur + a * (r / la), pb = cur + b * (r / lb);
    const int steps = 5;
    for (int s = 0; s <= steps; ++s) {
      double t = static_cast<double>(s) / steps;
      // Quadratic Bezier with the corner as control point.
      Vec2 q = pa * ((1 - t) * (1 - t)) + cur * (2 * t * (1 - t)) + pb * (t * t);
      o.push_back(q);
    }
  }
  return o;
}

Outline moved(const Outline& o, Vec2 by) {
  Outline r;
  r.reserve(o.size());
  for (const Vec2& v : o) r.push_back(v + by);
  return r;
}

}  // namespace artgen
