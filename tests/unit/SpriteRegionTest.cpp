// The window region cut from a sprite: small synthetic bitmaps checked pixel
// by pixel with the platform's own region functions, and the four real craft
// windows after their show handler.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/Program.h"
#include "backgrounds/UnitScreenSaver.h"
#include "forms/Application.h"
#include "forms/Picture.h"
#include "vessels/SpriteRegion.h"
#include "vessels/UnitScreenSaverForeground.h"
#include "vessels/UnitScreenSaverForegroundCalderine.h"
#include "vessels/UnitScreenSaverForegroundSarvane.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace {

using Grid = std::vector<std::string>;

// k: the usual key colour; c, w: craft colours; r, g, b: one step off the key
// in red, green or blue.
const std::map<char, RGBQUAD> kColours = {
    {'k', {255, 0, 255, 0}}, {'c', {30, 20, 10, 0}},  {'w', {255, 255, 255, 0}},
    {'r', {255, 0, 254, 0}}, {'g', {255, 1, 255, 0}}, {'b', {254, 0, 255, 0}},
};

// A Windows bitmap file of the grid at 8, 24 or 32 bits per pixel, stored
// bottom-up or top-down.
std::vector<std::uint8_t> BmpFile(const Grid& grid, int bits, bool topDown = false) {
  const int width = static_cast<int>(grid[0].size());
  const int height = static_cast<int>(grid.size());
  const int stride = (width * bits + 31) / 32 * 4;
  std::vector<char> palette;
  for (const auto& [name, colour] : kColours) palette.push_back(name);
  const std::size_t paletteBytes = bits == 8 ? palette.size() * sizeof(RGBQUAD) : 0;

  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = topDown ? -height : height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bits);
  info.biCompression = BI_RGB;
  info.biClrUsed = bits == 8 ? static_cast<DWORD>(palette.size()) : 0;
  file.bfType = 0x4D42;
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof info + paletteBytes);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);

  std::vector<std::uint8_t> bytes(file.bfSize);
  std::memcpy(bytes.data(), &file, sizeof file);
  std::memcpy(bytes.data() + sizeof file, &info, sizeof info);
  for (std::size_t i = 0; bits == 8 && i < palette.size(); ++i)
    std::memcpy(bytes.data() + sizeof file + sizeof info + i * sizeof(RGBQUAD), &kColours.at(palette[i]),
                sizeof(RGBQUAD));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row =
        bytes.data() + file.bfOffBits + static_cast<std::size_t>(topDown ? y : height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      char name = grid[y][x];
      const RGBQUAD& colour = kColours.at(name);
      if (bits == 8) {
        row[x] = static_cast<std::uint8_t>(std::find(palette.begin(), palette.end(), name) - palette.begin());
      } else {
        std::uint8_t* pixel = row + x * (bits / 8);
        pixel[0] = colour.rgbBlue;
        pixel[1] = colour.rgbGreen;
        pixel[2] = colour.rgbRed;
      }
    }
  }
  return bytes;
}

// '#' where the region holds the pixel, '.' where it does not.
Grid Mask(HRGN region, int width, int height) {
  Grid mask(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), '.'));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (PtInRegion(region, x, y)) mask[y][x] = '#';
  return mask;
}

class SpriteRegion : public ::testing::Test {
 protected:
  void SetUp() override { app::CreateStartupWindows(); }
  void TearDown() override { forms::Application.DestroyForms(); }

  forms::UniqueHrgn RegionOf(forms::TBitmap& bitmap) { return vessels::CreateSpriteRegion(bitmap); }
  forms::UniqueHrgn RegionOf(const Grid& grid, int bits = 24, bool topDown = false) {
    forms::TBitmap bitmap = forms::TBitmap::FromBmpFile(BmpFile(grid, bits, topDown));
    return RegionOf(bitmap);
  }
};

TEST_F(SpriteRegion, KeyColourPixelsBecomeHolesAndNothingElse) {
  struct Case {
    const char* name;
    Grid sprite;
    Grid expected;
  } cases[] = {
      {"a row all key colour, runs at both edges, single pixels, one step off the key",
       {"kkkkkk", "kckkck", "ckcckk", "crgbck", "kkkkkk"},
       {"......", ".#..#.", "#.##..", "#####.", "......"}},
      {"the top-left pixel names the key even where it is a craft colour",
       {"ccw", "wcc", "ckc"},
       {"..#", "#..", ".#."}},
      {"no key colour but the corner", {"kw", "ww"}, {".#", "##"}},
      {"a single pixel", {"k"}, {"."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int width = static_cast<int>(c.sprite[0].size());
    const int height = static_cast<int>(c.sprite.size());
    forms::UniqueHrgn region = RegionOf(c.sprite);
    ASSERT_TRUE(region);
    // A margin around the bitmap shows that the region never reaches beyond it.
    Grid mask = Mask(region.get(), width + 2, height + 2);
    for (int y = 0; y < height + 2; ++y) {
      std::string expected = y < height ? c.expected[y] + ".." : std::string(width + 2, '.');
      EXPECT_EQ(mask[y], expected) << "row " << y;
    }
  }
}

// Other depths and storage orders give the region of the 24-bit bitmap, and
// the bitmap is left converted to 24 bits.
TEST_F(SpriteRegion, EightAndThirtyTwoBitSpritesGiveTheRegionOfTheirTwentyFourBitTwin) {
  const Grid sprite = {"kkkkkkk", "kkwcwkk", "kcrcgck", "wcbckkk", "kkkkkkc"};
  forms::UniqueHrgn twin = RegionOf(sprite, 24);
  for (int bits : {8, 32}) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, top-down " << topDown);
      forms::TBitmap bitmap = forms::TBitmap::FromBmpFile(BmpFile(sprite, bits, topDown));
      forms::UniqueHrgn region = RegionOf(bitmap);
      EXPECT_EQ(bitmap.BitsPerPixel(), 24);
      EXPECT_TRUE(EqualRgn(region.get(), twin.get()));
      EXPECT_EQ(Mask(region.get(), 7, 5), Mask(twin.get(), 7, 5));
    }
  }
}

// The real craft after their show handler: the window region is the sprite's
// outline, inside the bitmap's rectangle, never the surplus of the picture
// control or the window.
TEST_F(SpriteRegion, CraftWindowsAreCutToTheirSpritesWhenShown) {
  struct Case {
    TVesselForm* craft;
    RECT craftPixels;
  } cases[] = {
      {ScreenSaverForegroundSarvane, {32, 48, 494, 240}},
      {ScreenSaverForeground, {1, 15, 191, 124}},
      {ScreenSaverForegroundCalderine, {19, 41, 297, 180}},
      {ScreenSaverForegroundThornax, {2, 33, 483, 219}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.craft->Name());
    c.craft->FormShow();
    forms::UniqueHrgn region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(c.craft->Handle(), region.get()), COMPLEXREGION);
    RECT box;
    GetRgnBox(region.get(), &box);
    EXPECT_TRUE(EqualRect(&box, &c.craftPixels))
        << box.left << "," << box.top << "," << box.right << "," << box.bottom;
    EXPECT_EQ(c.craft->imgShuttle.Picture().Bitmap().BitsPerPixel(), 24);
    // The picture in the control now is the converted bitmap; it gives the same region again.
    forms::UniqueHrgn again = RegionOf(c.craft->imgShuttle.Picture().Bitmap());
    EXPECT_TRUE(EqualRgn(region.get(), again.get()));
  }
}

}  // namespace
