// Shorthand for the outlines the craft designs are built from.
#pragma once

#include "Geometry.hpp"

#include <initializer_list>

namespace artgen {

Outline ellipse(Vec2 centre, double rx, double ry, int segments = 48);
Outline roundedRect(double x0, double y0, double x1, double y1, double radius);

// A control polygon with rounded joins: each corner is cut into a short arc of the
// given radius, so designs can stay angular where they want to and soft elsewhere.
Outline rounded(std::initializer_list<Vec2> corners, double radius);

// Shifts an outline (for repeating engines, windows, spikes).
Outline moved(const Outline& o, Vec2 by);

}  // namespace artgen
