#include "Planet.hpp"

#include "Color.hpp"
#include "Noise.hpp"

#include <algorithm>
#include <cmath>

namespace artgen {

void paintPlanet(FloatImage& img, const PlanetStyle& p) {
  const Vec3 L = p.light.normalized();
  const Vec3 H = (L + Vec3{0, 0, 1}).normalized();
  const double outer = p.radius * (1.0 + p.atmosphereHeight * 6.0);
  int x0 = std::max(0, static_cast<int>(p.centre.x - outer)),
      x1 = std::min(img.w - 1, static_cast<int>(p.centre.x + outer));
  int y0 = std::max(0, static_cast<int>(p.centre.y - outer)),
      y1 = std::min(img.h - 1, static_cast<int>(p.centre.y + outer));
  const double cs = std::cos(p.spin), sn = std::sin(p.spin);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      double dx = (x + 0.5 - p.centre.x) / p.radius, dy = (y + 0.5 - p.centre.y) / p.radius;
      double d = std::sqrt(dx * dx + dy * dy);
      // Light reaching the limb at this angle: the sunward side glows, the night side does not.
      double sideLit = d > 0 ? clamp01((dx * L.x + dy * L.y) / d * 0.8 + 0.35 + L.z * 0.3) : 0.0;
      double halo = std::exp(-std::max(0.0, d - 1.0) / p.atmosphereHeight) * sideLit * 0.9;
      double cover = clamp01((1.0 - d) * p.radius + 0.5);
      Rgb c;
      if (cover > 0) {
        double dd = std::min(d, 1.0);
        double z = std::sqrt(1.0 - dd * dd);
        Vec3 n{dx, dy, z};
        // Texture lookup on the turned sphere, by longitude and latitude.
        double tx = n.x * cs - n.y * sn, ty = n.x * sn + n.y * cs;
        double lon = std::atan2(tx, z), lat = std::asin(std::clamp(ty, -1.0, 1.0));
        double f = p.featureScale;
        double continent =
            fbm(lon * f, lat * f * 1.4, p.seed, 7) + 0.15 * fbm(lon * f * 4, lat * f * 4, p.seed + 1, 4);
        double landMask = smoothstep(p.landLevel, p.landLevel + 0.03, continent);
        double coast = 1.0 - smoothstep(p.landLevel - 0.18, p.landLevel, continent);
        Rgb ocean = mix(p.shallowOcean, p.deepOcean, coast);
        double rough = 0.5 + 0.5 * fbm(lon * f * 6, lat * f * 6, p.seed + 2, 4);
        Rgb ground = mix(p.land, p.highland, smoothstep(0.3, 0.75, rough + (continent - p.landLevel)));
        Rgb surface = mix(ocean, ground, landMask);
        // Clouds: zonal bands torn into swirls by a warped field.
        double swirl = warpedFbm(lon * f * 1.6, lat * f * 4.0, p.seed + 3, 6, 0.9);
        double band = 0.5 + 0.5 * std::sin(lat * 9.0 + swirl * 2.5);
        double cloudField = 0.5 + 0.5 * fbm(lon * f * 3.0 + swirl, lat * f * 7.0, p.seed + 4, 6);
        double cloud =
            smoothstep(1.0 - p.cloudCover, 1.05 - p.cloudCover * 0.5, cloudField * (0.7 + 0.45 * band));
        double diffuse = n.dot(L);
        double lit = smoothstep(-0.08, 0.25, diffuse) * std::max(0.0, diffuse + 0.08) / 1.08;
        double glint = std::pow(std::max(0.0, n.dot(H)), 60.0) * (1.0 - landMask) * (1.0 - cloud) * 0.9;
        Rgb body = mix(surface, p.cloud, cloud) * lit + Rgb(1.0, 0.95, 0.85) * glint;
        // Looking through more air toward the limb turns the day side blue.
        double airPath = std::pow(1.0 - z, 2.5);
        c = body * (1.0 - 0.5 * airPath) + p.atmosphere * (airPath * 0.9 * clamp01(diffuse + 0.25));
      }
      img.at(x, y) =
          mix(img.at(x, y), c * p.brightness, cover) + p.atmosphere * (halo * (1.0 - cover) * p.brightness);
    }
  }
}

}  // namespace artgen
