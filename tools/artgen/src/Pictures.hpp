// One painter per background picture. Each returns the final 8-bit image.
#pragma once

#include "Image.hpp"

namespace artgen {

constexpr int kPictureWidth = 1024;
constexpr int kPictureHeight = 768;

Image8 paintDolphin();
Image8 paintAsteroidenfeld();
Image8 paintSonne();
Image8 paintDeepSpace();
Image8 paintNebel();

}  // namespace artgen
