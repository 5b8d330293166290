#include "vessels/SpriteRegion.h"

#include <algorithm>
#include <cstdint>

namespace vessels {

forms::UniqueHrgn CreateSpriteRegion(forms::TBitmap& bitmap) {
  bitmap.SetPixelFormat24();
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  forms::UniqueHrgn region(CreateRectRgn(0, 0, width, height));
  auto cut = [&](int left, int top, int right) {
    forms::UniqueHrgn run(CreateRectRgn(left, top, right, top + 1));
    CombineRgn(region.get(), region.get(), run.get(), RGN_DIFF);
  };
  std::uint8_t key[3] = {};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    if (y == 0) std::copy(row, row + 3, key);
    int start = -1;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* pixel = row + 3 * x;
      bool isKey = pixel[0] == key[0] && pixel[1] == key[1] && pixel[2] == key[2];
      if (isKey) {
        if (start < 0) start = x;
      } else if (start >= 0) {
        cut(start, y, x);
        start = -1;
      }
    }
    if (start >= 0) cut(start, y, width);
  }
  return region;
}

}  // namespace vessels
