// Colour helpers: star temperatures, sRGB conversion and the tone curve that maps
// the painters' open-ended linear light onto displayable values.
#pragma once

#include "Math.hpp"

#include <cstdint>

namespace artgen {

// Colour of a black body at the given temperature, linear, brightest channel = 1.
Rgb blackbody(double kelvin);

// Linear colour from an sRGB hex triplet such as 0x3A6FD8: palettes read better
// as the colours one would pick in a paint program.
Rgb srgbHex(std::uint32_t hex);

double srgbEncode(double linear);
double srgbDecode(double encoded);

// Filmic curve (ACES fit): keeps the darks rich and rolls bright cores off to white.
double filmic(double x);

Rgb saturate(Rgb c, double amount);

}  // namespace artgen
