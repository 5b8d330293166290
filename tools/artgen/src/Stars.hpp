// Star fields: power-law brightness, temperature-tinted colours, and optics
// (halos, spikes) for the few bright ones.
#pragma once

#include "Image.hpp"
#include "Rng.hpp"

#include <functional>

namespace artgen {

struct StarFieldStyle {
  int count = 2000;
  double faintest = 0.02;        // flux of the faintest star (pixel-integrated linear light)
  double brightest = 40.0;       // cap for the rare bright ones
  double slope = 1.35;           // power-law index: higher = fewer bright stars
  double sigma = 0.55;           // point spread in pixels
  double haloFrom = 3.0;         // stars brighter than this get a soft halo
  double spikesFrom = 12.0;      // ... and beyond this diffraction spikes
  double spikeAngle = 0.785398;  // 45 degrees
  double spikeLength = 9.0;
  double hotFraction = 0.18;  // share of blue-white stars
};

// Plausible star temperature: mostly cool yellow-orange, some hot blue-white.
double starTemperature(Rng& rng, double hotFraction);

// Draws one star with the optics its brightness calls for.
void paintStar(FloatImage& img, Vec2 c, double flux, Rgb colour, const StarFieldStyle& style);

// Scatters style.count stars; `density` (0..1 at a position) thins them out by rejection.
void paintStarField(FloatImage& img, Rng& rng, const StarFieldStyle& style,
                    const std::function<double(double, double)>& density = {});

}  // namespace artgen
