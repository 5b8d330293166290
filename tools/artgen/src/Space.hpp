// The faint, never-quite-black sky every picture starts from.
#pragma once

#include "Image.hpp"

#include <cstdint>

namespace artgen {

// Large-scale mottling between two dark tints, plus a whisper of fine grain, so a
// sky with nothing in it still reads as depth rather than as a flat fill.
void paintSkyBackground(FloatImage& img, std::uint64_t seed, Rgb deep, Rgb haze, double scale);

}  // namespace artgen
