// Our own generators, so the art does not change when the C++ library does:
// std:: distributions are free to differ between implementations.
#pragma once

#include <cmath>
#include <cstdint>

namespace artgen {

inline std::uint64_t mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Stateless hash of a lattice point, used by the noise functions and per-panel tints.
inline std::uint64_t hashCell(std::int64_t x, std::int64_t y, std::uint64_t seed) {
  std::uint64_t h = mix64(seed ^ 0x9E3779B97F4A7C15ull);
  h = mix64(h ^ static_cast<std::uint64_t>(x) * 0xD6E8FEB86659FD93ull);
  return mix64(h ^ static_cast<std::uint64_t>(y) * 0xA0761D6478BD642Full);
}

inline double hashUnit(std::int64_t x, std::int64_t y, std::uint64_t seed) {
  return static_cast<double>(hashCell(x, y, seed) >> 11) * (1.0 / 9007199254740992.0);
}

// SplitMix64: tiny, fast, and good enough for scattering stars and rocks.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    state_ += 0x9E3779B97F4A7C15ull;
    return mix64(state_);
  }
  double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
  int below(int n) { return static_cast<int>(uniform() * n); }
  bool chance(double p) { return uniform() < p; }
  double normal() {
    // Box-Muller; the 1-u keeps log() away from zero.
    double u = 1.0 - uniform();
    double v = uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * 3.14159265358979323846 * v);
  }
  // A child stream: lets one picture add a layer without shifting every later draw.
  Rng fork(std::uint64_t salt) const { return Rng(mix64(state_ ^ mix64(salt))); }

 private:
  std::uint64_t state_;
};

}  // namespace artgen
