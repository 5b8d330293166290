// The small assets built from the big ones: the display settings preview, the
// program icon and the contact sheet for reviewing everything at a glance.
#pragma once

#include "Image.hpp"
#include "Writers.hpp"

#include <array>
#include <string>
#include <vector>

namespace artgen {

constexpr int kPreviewWidth = 390;
constexpr int kPreviewHeight = 268;

// The Sarvane passing a planet, a bright star and a star field.
Image8 paintPreview();

// The Sarvane, nose up, in the classic 16 colours.
Icon16 paintIcon();

struct SheetItem {
  std::string label;
  Image8 image;
  bool sprite = false;  // sprites are shown over dark and light backdrops
  std::array<std::uint8_t, 3> key{};
};

// Pictures as thumbnails, sprites at one shared scale, extras (preview, icon) at
// their own size; keyed items appear over both a dark and a light backdrop.
Bytes makeContactSheet(const std::vector<SheetItem>& pictures, const std::vector<SheetItem>& sprites,
                       const std::vector<SheetItem>& extras);

}  // namespace artgen
