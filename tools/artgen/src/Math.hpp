// Small value types shared by every painter: 2-D/3-D vectors, linear RGB, and the
// smoothing helpers the pictures keep reaching for.
#pragma once

#include <algorithm>
#include <cmath>

namespace artgen {

constexpr double kPi = 3.14159265358979323846;

struct Vec2 {
  double x = 0, y = 0;
  Vec2 operator+(Vec2 o) const { return {x + o.x, y + o.y}; }
  Vec2 operator-(Vec2 o) const { return {x - o.x, y - o.y}; }
  Vec2 operator*(double s) const { return {x * s, y * s}; }
  double dot(Vec2 o) const { return x * o.x + y * o.y; }
  double length() const { return std::sqrt(x * x + y * y); }
};

struct Vec3 {
  double x = 0, y = 0, z = 0;
  Vec3 operator+(Vec3 o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vec3 operator-(Vec3 o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
  double dot(Vec3 o) const { return x * o.x + y * o.y + z * o.z; }
  double length() const { return std::sqrt(dot(*this)); }
  Vec3 normalized() const {
    double l = length();
    return l > 0 ? Vec3{x / l, y / l, z / l} : Vec3{0, 0, 1};
  }
};

// Linear-light colour. Values above 1 are allowed: the tone curve rolls them off.
struct Rgb {
  float r = 0, g = 0, b = 0;
  Rgb() = default;
  constexpr Rgb(double rr, double gg, double bb)
      : r(static_cast<float>(rr)), g(static_cast<float>(gg)), b(static_cast<float>(bb)) {}
  Rgb operator+(Rgb o) const { return {r + o.r, g + o.g, b + o.b}; }
  Rgb operator-(Rgb o) const { return {r - o.r, g - o.g, b - o.b}; }
  Rgb operator*(double s) const { return {r * s, g * s, b * s}; }
  Rgb operator*(Rgb o) const { return {r * o.r, g * o.g, b * o.b}; }
  Rgb& operator+=(Rgb o) {
    r += o.r;
    g += o.g;
    b += o.b;
    return *this;
  }
  double luminance() const { return 0.2126 * r + 0.7152 * g + 0.0722 * b; }
};

inline double clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}
inline double mix(double a, double b, double t) {
  return a + (b - a) * t;
}
inline Rgb mix(Rgb a, Rgb b, double t) {
  return a + (b - a) * t;
}
inline double smoothstep(double e0, double e1, double v) {
  double t = clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// Axis-aligned pixel rectangle, inclusive on both ends.
struct PixelBox {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool empty() const { return right < left || bottom < top; }
  bool operator==(const PixelBox&) const = default;
};

}  // namespace artgen
