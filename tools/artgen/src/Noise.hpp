// Lattice noise and the fractal sums built from it. All hashing is our own, so a
// given seed paints the same clouds on every machine with the same compiler.
#pragma once

#include <cstdint>

namespace artgen {

// Gradient noise in roughly [-1, 1].
double gradientNoise(double x, double y, std::uint64_t seed);

// Fractional Brownian motion: octaves of gradient noise, each rotated a little so
// the lattice axes never line up into visible streaks. Roughly [-1, 1].
double fbm(double x, double y, std::uint64_t seed, int octaves, double lacunarity = 2.0, double gain = 0.5);

// Ridged multifractal in [0, 1]: sharp bright creases, good for filaments and dust lanes.
double ridged(double x, double y, std::uint64_t seed, int octaves, double lacunarity = 2.0,
              double gain = 0.5);

// fBm looked up through two layers of fBm offsets: the swirling, folded look of gas.
double warpedFbm(double x, double y, std::uint64_t seed, int octaves, double warp);

struct CellSample {
  double f1;         // distance to the nearest feature point
  double f2;         // distance to the second nearest
  std::uint64_t id;  // hash of the nearest cell, for per-cell variation
};

// Worley noise on a unit lattice with one jittered point per cell.
CellSample cellular(double x, double y, std::uint64_t seed);

}  // namespace artgen
