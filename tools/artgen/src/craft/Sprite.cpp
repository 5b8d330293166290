#include "craft/Sprite.hpp"

#include "Color.hpp"

#include <algorithm>
#include <stdexcept>

namespace artgen {
namespace {

// The backdrop soft edges are blended against: near-black space, so no pink fringe
// can survive once the key colour around the craft is cut away.
const Rgb kBackdrop = Rgb(0.004, 0.004, 0.007);

bool isKey(const std::uint8_t* p, const std::array<std::uint8_t, 3>& key) {
  return p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
}

}  // namespace

Image8 makeSprite(const CraftDesign& design, const SpriteFormat& format) {
  Affine fit = fitCraft(design, format.width, format.height, format.box, kSpriteThreshold);
  CraftImage ci = renderCraft(design, fit, format.width, format.height);
  const std::vector<bool> solid = solidMask(ci, kSpriteThreshold);
  Image8 out(format.width, format.height);
  for (int y = 0; y < format.height; ++y)
    for (int x = 0; x < format.width; ++x) {
      size_t i = static_cast<size_t>(y) * format.width + x;
      std::uint8_t* p = out.at(x, y);
      if (!solid[i]) {
        p[0] = format.key[0];
        p[1] = format.key[1];
        p[2] = format.key[2];
        continue;
      }
      Rgb c = ci.colour[i] + kBackdrop * (1.0 - ci.alpha[i]);
      const double ch[3] = {c.r, c.g, c.b};
      for (int k = 0; k < 3; ++k)
        p[k] = quantize(srgbEncode(filmic(ch[k])), triangularDither(design.seed, x, y, k));
      // A hull pixel that happens to equal the key would become a hole.
      if (isKey(p, format.key)) p[1] = static_cast<std::uint8_t>(p[1] + 1);
    }
  if (!(nonKeyBounds(out, format.key) == format.box))
    throw std::runtime_error(format.file + ": bounding box mismatch");
  return out;
}

int countKeyRuns(const Image8& img, const std::array<std::uint8_t, 3>& key) {
  int runs = 0;
  for (int y = 0; y < img.h; ++y) {
    bool inRun = false;
    for (int x = 0; x < img.w; ++x) {
      bool k = isKey(img.at(x, y), key);
      if (k && !inRun) ++runs;
      inRun = k;
    }
  }
  return runs;
}

PixelBox nonKeyBounds(const Image8& img, const std::array<std::uint8_t, 3>& key) {
  PixelBox b{img.w, img.h, -1, -1};
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      if (!isKey(img.at(x, y), key)) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

}  // namespace artgen
