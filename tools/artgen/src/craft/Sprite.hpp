// Turning a rendered craft into a colour-keyed sprite: opaque pixels are shaded over
// dark space, everything else becomes the key colour that the window cuts away.
#pragma once

#include "Image.hpp"
#include "craft/Craft.hpp"

#include <array>
#include <cstdint>
#include <string>

namespace artgen {

struct SpriteFormat {
  std::string file;
  int width, height;
  std::array<std::uint8_t, 3> key;
  PixelBox box;  // where the craft's pixels must lie, exactly
};

// Coverage below this is cut away. Lower would keep more of the soft edge, but its
// dark blend would then read as an outline over light backgrounds.
constexpr double kSpriteThreshold = 0.42;

Image8 makeSprite(const CraftDesign& design, const SpriteFormat& format);

// Number of horizontal runs of key colour, summed over all rows: the window region
// is built from these, so this is the figure to keep modest.
int countKeyRuns(const Image8& img, const std::array<std::uint8_t, 3>& key);

// Bounding box of every pixel that is not exactly the key colour.
PixelBox nonKeyBounds(const Image8& img, const std::array<std::uint8_t, 3>& key);

}  // namespace artgen
