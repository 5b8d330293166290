#include "Stars.hpp"

#include "Color.hpp"
#include "Glow.hpp"

#include <cmath>

namespace artgen {

double starTemperature(Rng& rng, double hotFraction) {
  if (rng.chance(hotFraction)) return rng.range(8500, 26000);
  // Cool stars cluster around sun-like temperatures with a tail of red dwarfs/giants.
  double t = 5600 + rng.normal() * 1100;
  return std::clamp(t, 2800.0, 8000.0);
}

void paintStar(FloatImage& img, Vec2 c, double flux, Rgb colour, const StarFieldStyle& style) {
  // Saturated cores look white on film; keep the hue in the wings instead.
  Rgb core = mix(colour, Rgb(1, 1, 1), std::min(0.5, flux / (style.brightest * 2)));
  addPointSource(img, c, flux, core, style.sigma);
  if (flux > style.haloFrom) {
    double k = (flux - style.haloFrom) / style.haloFrom;
    double core_r = 1.2 + std::sqrt(k) * 0.9;
    addHalo(img, c, core_r, 1.4, core_r * 14, colour * (0.05 * flux / (core_r * core_r)));
  }
  if (flux > style.spikesFrom) {
    // Spike length grows slowly with brightness; long spikes on every star look cheap.
    double k = flux / style.spikesFrom;
    addSpikes(img, c, 4, style.spikeAngle, style.spikeLength * (1.0 + 0.45 * std::log(k)), 0.5,
              colour * (0.03 * std::pow(flux, 0.75)));
  }
}

void paintStarField(FloatImage& img, Rng& rng, const StarFieldStyle& style,
                    const std::function<double(double, double)>& density) {
  int placed = 0, attempts = 0;
  while (placed < style.count && attempts < style.count * 40) {
    ++attempts;
    Vec2 p{rng.uniform() * img.w, rng.uniform() * img.h};
    double keep = rng.uniform();
    double u = rng.uniform();
    double temp = starTemperature(rng, style.hotFraction);
    if (density && keep > density(p.x, p.y)) continue;
    // Inverse-CDF sample of a power law between faintest and brightest.
    double flux = style.faintest * std::pow(1.0 - u, -1.0 / style.slope);
    if (flux > style.brightest) flux = style.brightest * (0.7 + 0.3 * u);
    paintStar(img, p, flux, blackbody(temp), style);
    ++placed;
  }
}

}  // namespace artgen
