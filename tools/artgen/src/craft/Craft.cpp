#include "craft/Craft.hpp"

#include "Noise.hpp"
#include "Rng.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace artgen {
namespace {

// One lighting rig for every craft: a warm key from above and slightly ahead, a
// cool bounce from below, and a rim from behind that picks out the top edges.
const Vec3 kKey = Vec3{0.30, -0.86, 0.40}.normalized();
const Rgb kKeyColour{1.30, 1.22, 1.08};
const Vec3 kFill = Vec3{-0.25, 0.75, 0.60}.normalized();
const Rgb kFillColour{0.12, 0.18, 0.36};
const Vec3 kRim = Vec3{-0.55, -0.45, -0.70}.normalized();
const Rgb kRimColour{0.50, 0.60, 0.85};
const Rgb kAmbient{0.030, 0.036, 0.050};
const Vec3 kHalf = (kKey + Vec3{0, 0, 1}).normalized();

// What a shiny surface mirrors: a pale band at the horizon, deep blue above, dark below.
Rgb skyReflection(Vec3 r) {
  double up = -r.y;
  Rgb horizon(0.30, 0.36, 0.48), zenith(0.03, 0.05, 0.10), ground(0.02, 0.03, 0.05);
  return up > 0 ? mix(horizon, zenith, smoothstep(0.0, 0.7, up))
                : mix(horizon, ground, smoothstep(0.0, 0.35, -up));
}

Vec3 reflectView(Vec3 n) {
  return {2 * n.z * n.x, 2 * n.z * n.y, 2 * n.z * n.z - 1};
}

Rgb shade(Rgb albedo, Vec3 n, double gloss, double shininess) {
  double key = std::max(0.0, n.dot(kKey));
  double fill = std::max(0.0, n.dot(kFill));
  double rim = std::max(0.0, n.dot(kRim));
  double highlight = std::pow(std::max(0.0, n.dot(kHalf)), shininess) * gloss;
  Rgb c = albedo * (kAmbient + kKeyColour * key + kFillColour * fill);
  c += kKeyColour * highlight + kRimColour * (rim * rim * 0.9);
  c += skyReflection(reflectView(n)) * (gloss * 0.35);
  return c;
}

struct PixelRect {
  int x0, y0, x1, y1;
};

PixelRect pixelRect(const Bounds& b, const Affine& m, int w, int h, double pad) {
  Bounds pb;
  pb.include(m.apply({b.x0, b.y0}));
  pb.include(m.apply({b.x1, b.y0}));
  pb.include(m.apply({b.x0, b.y1}));
  pb.include(m.apply({b.x1, b.y1}));
  return {std::max(0, static_cast<int>(std::floor(pb.x0 - pad))),
          std::max(0, static_cast<int>(std::floor(pb.y0 - pad))),
          std::min(w - 1, static_cast<int>(std::ceil(pb.x1 + pad))),
          std::min(h - 1, static_cast<int>(std::ceil(pb.y1 + pad)))};
}

// Anti-aliased line profile: 1 on the line, 0 from one pixel away.
inline double lineProfile(double distPx) {
  return std::max(0.0, 1.0 - std::fabs(distPx) / 0.8);
}

struct ExhaustSample {
  double intensity;
  double coreness;
};

ExhaustSample exhaustAt(const Exhaust& e, Vec2 q) {
  double t = (e.exit.x - q.x) / e.length;
  if (t < -0.3 || t > 1.0) return {0, 0};
  double tc = std::max(0.0, t);
  double across = (q.y - e.exit.y) / e.radius;
  double w = 1.0 - 0.45 * tc;
  double body = std::exp(-1.1 * (across / w) * (across / w)) * std::pow(1.0 - tc, 1.2);
  double core = std::exp(-(across / (0.42 * w)) * (across / (0.42 * w))) * std::pow(1.0 - tc, 2.6);
  // Faint shock diamonds near the nozzle.
  double diamonds = 1.0 + 0.22 * std::cos(tc * kPi * 7.0) * std::exp(-tc * 2.5);
  double inNozzle = smoothstep(-0.3, 0.0, t);
  return {(0.8 * body + 0.7 * core) * diamonds * inNozzle, clamp01(core * 1.3)};
}

}  // namespace

Affine Affine::inverse() const {
  double det = a * d - b * c;
  Affine r;
  r.a = d / det;
  r.b = -b / det;
  r.c = -c / det;
  r.d = a / det;
  r.tx = -(r.a * tx + r.b * ty);
  r.ty = -(r.c * tx + r.d * ty);
  return r;
}

double Affine::scale() const {
  return std::sqrt(std::fabs(a * d - b * c));
}

Bounds designBounds(const CraftDesign& design) {
  Bounds b;
  for (const Part& p : design.parts)
    for (const Vec2& v : p.shape) b.include(v);
  for (const Exhaust& e : design.exhausts) {
    b.include({e.exit.x - e.length, e.exit.y - e.radius});
    b.include({e.exit.x - e.length, e.exit.y + e.radius});
  }
  return b;
}

CraftImage renderCraft(const CraftDesign& design, const Affine& m, int w, int h, bool alphaOnly) {
  CraftImage img(w, h);
  const Affine inv = m.inverse();
  const double scale = m.scale();
  auto designPoint = [&](int x, int y) { return inv.apply({x + 0.5, y + 0.5}); };

  // Plumes first: additive light with their own coverage.
  for (const Exhaust& e : design.exhausts) {
    Bounds eb;
    eb.include({e.exit.x - e.length, e.exit.y - e.radius * 1.8});
    eb.include({e.exit.x + e.radius, e.exit.y + e.radius * 1.8});
    PixelRect r = pixelRect(eb, m, w, h, 2);
    for (int y = r.y0; y <= r.y1; ++y)
      for (int x = r.x0; x <= r.x1; ++x) {
        ExhaustSample s = exhaustAt(e, designPoint(x, y));
        if (s.intensity <= 0) continue;
        size_t i = static_cast<size_t>(y) * w + x;
        double a = clamp01(s.intensity * 1.3);
        img.alpha[i] = static_cast<float>(1.0 - (1.0 - img.alpha[i]) * (1.0 - a));
        if (!alphaOnly) img.colour[i] += mix(e.outer, e.core, s.coreness) * (s.intensity * 1.5);
      }
  }

  // Direction, in design units, from a surface toward the key light as seen on screen.
  Vec2 lightDir = inv.apply(Vec2{kKey.x, kKey.y} * (1.0 / std::hypot(kKey.x, kKey.y))) - inv.apply({0, 0});
  lightDir = lightDir * (1.0 / lightDir.length());

  for (size_t pi = 0; pi < design.parts.size(); ++pi) {
    const Part& part = design.parts[pi];
    const Bounds pb = boundsOf(part.shape);

    if (!alphaOnly && part.castShadow > 0) {
      const double reach = 3.0 / scale;  // shadow offset: three pixels
      PixelRect r = pixelRect(pb, m, w, h, 6);
      for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x) {
          size_t i = static_cast<size_t>(y) * w + x;
          if (img.alpha[i] <= 0) continue;
          Vec2 q = designPoint(x, y);
          double sd = signedDistance(part.shape, q + lightDir * reach).distance * scale;
          double amount = smoothstep(2.5, -2.5, sd) * part.castShadow;
          img.colour[i] = img.colour[i] * (1.0 - 0.75 * amount);
        }
    }

    PixelRect r = pixelRect(pb, m, w, h, 2);
    for (int y = r.y0; y <= r.y1; ++y) {
      for (int x = r.x0; x <= r.x1; ++x) {
        Vec2 q = designPoint(x, y);
        DistanceInfo di = signedDistance(part.shape, q);
        double cover = clamp01(0.5 - di.distance * scale);
        if (cover <= 0) continue;
        size_t i = static_cast<size_t>(y) * w + x;
        img.alpha[i] = static_cast<float>(img.alpha[i] * (1.0 - cover) + cover);
        if (alphaOnly) continue;

        // Height position across the part, for round shading and lengthwise seams.
        double top = pb.y0, bottom = pb.y1;
        bool span = verticalSpan(part.shape, q.x, q.y, top, bottom);
        double half = std::max(1e-6, (bottom - top) * 0.5);
        double v = span ? std::clamp((q.y - (top + half)) / half, -1.0, 1.0) : 0.0;

        Rgb albedo = part.albedo;
        Rgb emission{0, 0, 0};
        // Panel-by-panel tint, so plating reads as separate sheets.
        int cellX = static_cast<int>(
            std::count_if(part.seamsX.begin(), part.seamsX.end(), [&](double s) { return s < q.x; }));
        double across = part.finish == Finish::Tube ? v : q.y;
        int cellY = static_cast<int>(
            std::count_if(part.seamsV.begin(), part.seamsV.end(), [&](double s) { return s < across; }));
        albedo = albedo * (0.93 + 0.14 * hashUnit(cellX, cellY, design.seed + pi));
        double dirt = 0.5 + 0.5 * fbm(q.x / 28.0, q.y / 28.0, design.seed + 100 + pi, 4);
        double grain = fbm(q.x / 3.0, q.y / 3.0, design.seed + 200 + pi, 2);
        albedo = albedo * ((1.0 - part.grime * dirt) * (1.0 + 0.04 * grain));
        for (const Paint& paint : part.paints) {
          double pc = clamp01(0.5 - signedDistance(paint.area, q).distance * scale);
          if (pc <= 0) continue;
          albedo = mix(albedo, paint.albedo * (1.0 - part.grime * 0.5 * dirt), pc);
          emission += paint.emission * pc;
        }

        Vec3 n{0, 0, 1};
        if (part.finish == Finish::Tube || part.finish == Finish::Glass || part.finish == Finish::Glow) {
          // Body of revolution: the radius change along x tips the normal fore or aft.
          double slope = 0;
          double t1, b1, t2, b2;
          const double dx = 2.0;
          double mid = top + half;
          if (verticalSpan(part.shape, q.x + dx, mid, t1, b1) &&
              verticalSpan(part.shape, q.x - dx, mid, t2, b2))
            slope = ((b1 - t1) - (b2 - t2)) / (4.0 * dx);
          double nz = std::sqrt(std::max(0.0, 1.0 - v * v));
          n = Vec3{-slope * 1.5, v, nz}.normalized();
        } else {
          double inner = -di.distance;
          double tilt = 1.0 - clamp01(inner / part.bevel);
          n = (part.facing.normalized() + Vec3{di.outward.x, di.outward.y, 0} * (tilt * tilt * 1.3))
                  .normalized();
        }

        Rgb c;
        switch (part.finish) {
          case Finish::Glow:
            c = part.emission * (0.55 + 0.45 * (1.0 - v * v));
            break;
          case Finish::Glass: {
            double fresnel = 0.06 + 0.94 * std::pow(1.0 - std::max(0.0, n.z), 4.0);
            double highlight = std::pow(std::max(0.0, n.dot(kHalf)), 90.0);
            c = albedo * 0.25 + skyReflection(reflectView(n)) * (0.35 + 0.9 * fresnel) +
                kKeyColour * (highlight * 2.2);
            // A soft second highlight along the upper curve, like a long window reflection.
            c += Rgb(0.6, 0.7, 0.9) * (0.25 * std::exp(-std::pow((v + 0.55) / 0.12, 2.0)));
            break;
          }
          default:
            c = shade(albedo, n, part.gloss, part.shininess);
        }
        c += emission;

        // Seams: a dark groove with a faint lit lip on the side facing the light.
        double groove = 0, lip = 0;
        for (double s : part.seamsX) {
          double d = (q.x - s) * scale;
          groove = std::max(groove, lineProfile(d));
          lip = std::max(lip, lineProfile(d - 1.2));
        }
        for (double s : part.seamsV) {
          double d = part.finish == Finish::Tube ? (v - s) * half * scale : (q.y - s) * scale;
          groove = std::max(groove, lineProfile(d));
          lip = std::max(lip, lineProfile(d + 1.2));
        }
        if (part.finish != Finish::Glow) c = c * (1.0 - 0.5 * groove) + c * (0.18 * lip * (1.0 - groove));

        img.colour[i] = img.colour[i] * (1.0 - cover) + c * cover;
      }
    }
  }

  if (!alphaOnly) {
    for (const Lamp& l : design.lamps) {
      Vec2 c = m.apply(l.at);
      double rp = std::max(0.6, l.radius * scale);
      int x0 = std::max(0, static_cast<int>(c.x - rp * 5)),
          x1 = std::min(w - 1, static_cast<int>(c.x + rp * 5));
      int y0 = std::max(0, static_cast<int>(c.y - rp * 5)),
          y1 = std::min(h - 1, static_cast<int>(c.y + rp * 5));
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          double d = std::hypot(x + 0.5 - c.x, y + 0.5 - c.y) / rp;
          double g = std::exp(-d * d) * 1.6 + 0.35 * std::exp(-d * 0.9);
          size_t i = static_cast<size_t>(y) * w + x;
          // Only on the hull: a halo spilling into space would fray the outline with stray dots.
          img.colour[i] += l.colour * (g * img.alpha[i]);
        }
    }
  }
  return img;
}

namespace {

// Flood-fills every region of `value` (4- or 8-connected) and flips the ones
// smaller than minSize; regions touching the border are never flipped if keepBorder.
void dropSmallRegions(std::vector<bool>& mask, int w, int h, bool value, bool eightWay, size_t minSize,
                      bool keepBorder) {
  std::vector<bool> seen(mask.size(), false);
  std::vector<size_t> region, stack;
  for (size_t start = 0; start < mask.size(); ++start) {
    if (seen[start] || mask[start] != value) continue;
    region.clear();
    stack.assign(1, start);
    seen[start] = true;
    bool border = false;
    while (!stack.empty()) {
      size_t i = stack.back();
      stack.pop_back();
      region.push_back(i);
      int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
      border = border || x == 0 || y == 0 || x == w - 1 || y == h - 1;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          if ((dx == 0 && dy == 0) || (!eightWay && dx != 0 && dy != 0)) continue;
          int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          size_t j = static_cast<size_t>(ny) * w + nx;
          if (!seen[j] && mask[j] == value) {
            seen[j] = true;
            stack.push_back(j);
          }
        }
    }
    if (region.size() < minSize && !(keepBorder && border))
      for (size_t i : region) mask[i] = !value;
  }
}

}  // namespace

std::vector<bool> solidMask(const CraftImage& img, double threshold) {
  std::vector<bool> mask(img.alpha.size());
  for (size_t i = 0; i < mask.size(); ++i) mask[i] = img.alpha[i] >= threshold;
  // A sharp tip thinner than a pixel breaks into dots; a dot floating off the
  // outline reads as dirt, and every one costs the window region extra runs.
  dropSmallRegions(mask, img.w, img.h, true, true, 8, false);
  dropSmallRegions(mask, img.w, img.h, false, false, 8, true);
  return mask;
}

PixelBox alphaBounds(const CraftImage& img, double threshold) {
  const std::vector<bool> solid = solidMask(img, threshold);
  PixelBox b{img.w, img.h, -1, -1};
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      if (solid[static_cast<size_t>(y) * img.w + x]) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

Affine fitCraft(const CraftDesign& design, int w, int h, PixelBox target, double threshold) {
  const Bounds db = designBounds(design);
  double el = target.left, er = target.right + 1.0, et = target.top, eb = target.bottom + 1.0;
  auto mapping = [&] {
    Affine a;
    a.a = (er - el) / (db.x1 - db.x0);
    a.d = (eb - et) / (db.y1 - db.y0);
    a.tx = el - a.a * db.x0;
    a.ty = et - a.d * db.y0;
    return a;
  };
  // Each measured edge moves by whole pixels as its mapped edge slides, so a
  // correction by the error converges in a step or two; smaller steps later
  // settle any edge that a rounding threshold keeps flipping.
  for (int iter = 0; iter < 60; ++iter) {
    Affine a = mapping();
    PixelBox got = alphaBounds(renderCraft(design, a, w, h, true), threshold);
    if (got == target) return a;
    double gain = iter < 8 ? 1.0 : (iter < 24 ? 0.5 : 0.2);
    el += (target.left - got.left) * gain;
    er += (target.right - got.right) * gain;
    et += (target.top - got.top) * gain;
    eb += (target.bottom - got.bottom) * gain;
  }
  throw std::runtime_error("craft outline does not settle on the requested bounding box");
}

}  // namespace artgen
