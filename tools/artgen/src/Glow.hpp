// Additive light primitives: point sources, soft halos and diffraction spikes.
// Everything adds linear light, so overlapping glows brighten the way optics do.
#pragma once

#include "Image.hpp"
#include "Math.hpp"

namespace artgen {

// A point source spread by a Gaussian blur, integrated over each pixel so a faint
// star sitting on a pixel corner is as bright in total as one sitting in a centre.
void addPointSource(FloatImage& img, Vec2 c, double flux, Rgb colour, double sigma);

// Soft round halo, 1 / (1 + (d/core)^2)^falloff, cut off smoothly at maxRadius.
void addHalo(FloatImage& img, Vec2 c, double core, double falloff, double maxRadius, Rgb colour);

// Gaussian glow, useful for broad illumination pools.
void addGaussian(FloatImage& img, Vec2 c, double sigma, Rgb colour);

// Thin spikes radiating from c (count evenly spaced, starting at angle),
// fading exponentially over `length` pixels.
void addSpikes(FloatImage& img, Vec2 c, int count, double angle, double length, double width, Rgb colour);

}  // namespace artgen
