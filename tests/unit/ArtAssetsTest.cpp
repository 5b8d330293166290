// Checks the embedded art against the facts the screensaver relies on: every
// background is a baseline JFIF JPEG of the stage size, every sprite has its exact
// size, key colour and craft bounding box, the preview bitmap has exactly the header
// preview mode stretches from, and the icon holds one 32x32 16-colour image.
// Everything is read back from the running module's own resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>

namespace {

struct Blob {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

Blob loadResource(const wchar_t* name, const wchar_t* type) {
  HRSRC found = FindResourceW(nullptr, name, type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return {};
  return {static_cast<const std::uint8_t*>(LockResource(loaded)), SizeofResource(nullptr, found)};
}

std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t les32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(le32(p));
}
std::uint16_t be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// Resource names are wide; test names must be plain identifiers.
std::string narrow(const wchar_t* s) {
  std::string out;
  for (; *s; ++s) out += static_cast<char>(*s);
  return out;
}

// ---------------------------------------------------------------------------
// JPEG: walk the marker segments up to the first scan.

struct JpegFacts {
  std::string problem;  // empty when the walk succeeded
  bool jfif = false;
  int baselineFrames = 0;     // SOF0
  int progressiveFrames = 0;  // SOF2
  int otherFrames = 0;        // any other SOFn
  int precision = 0, width = 0, height = 0, components = 0;
  bool endsWithEoi = false;
};

JpegFacts walkJpeg(Blob b) {
  JpegFacts f;
  if (b.size < 4 || b.data[0] != 0xFF || b.data[1] != 0xD8) {
    f.problem = "no SOI marker";
    return f;
  }
  f.endsWithEoi = b.data[b.size - 2] == 0xFF && b.data[b.size - 1] == 0xD9;
  std::size_t pos = 2;
  while (true) {
    if (pos + 4 > b.size) {
      f.problem = "ran out of data before the first scan";
      return f;
    }
    if (b.data[pos] != 0xFF) {
      f.problem = "expected a marker at offset " + std::to_string(pos);
      return f;
    }
    const std::uint8_t marker = b.data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    const std::size_t length = be16(b.data + pos + 2);
    if (length < 2 || pos + 2 + length > b.size) {
      f.problem = "segment overruns the file at offset " + std::to_string(pos);
      return f;
    }
    const std::uint8_t* seg = b.data + pos + 4;
    const std::size_t segLength = length - 2;
    if (marker == 0xE0 && segLength >= 5 && std::memcmp(seg, "JFIF\0", 5) == 0) f.jfif = true;
    const bool isFrame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (isFrame) {
      if (marker == 0xC0)
        ++f.baselineFrames;
      else if (marker == 0xC2)
        ++f.progressiveFrames;
      else
        ++f.otherFrames;
      if (segLength >= 6) {
        f.precision = seg[0];
        f.height = be16(seg + 1);
        f.width = be16(seg + 3);
        f.components = seg[5];
      }
    }
    if (marker == 0xDA) return f;  // start of scan: the frame header has been seen by now
    pos += 2 + length;
  }
}

class BackgroundPicture : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(BackgroundPicture, IsBaselineJfifAtStageSize) {
  const Blob jpeg = loadResource(GetParam(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  ASSERT_NE(jpeg.data, nullptr) << "resource missing";
  EXPECT_GE(jpeg.size, 80u * 1024) << "suspiciously small for a 1024x768 picture";
  EXPECT_LE(jpeg.size, 400u * 1024);

  const JpegFacts f = walkJpeg(jpeg);
  ASSERT_TRUE(f.problem.empty()) << f.problem;
  EXPECT_TRUE(f.jfif) << "no JFIF APP0 segment";
  EXPECT_EQ(f.baselineFrames, 1) << "expected exactly one SOF0 frame";
  EXPECT_EQ(f.progressiveFrames, 0) << "progressive JPEG";
  EXPECT_EQ(f.otherFrames, 0);
  EXPECT_EQ(f.precision, 8);
  EXPECT_EQ(f.width, 1024);
  EXPECT_EQ(f.height, 768);
  EXPECT_EQ(f.components, 3) << "not YCbCr colour";
  EXPECT_TRUE(f.endsWithEoi) << "file does not end with EOI";
}

INSTANTIATE_TEST_SUITE_P(Embedded, BackgroundPicture,
                         ::testing::Values(L"PIC_DOLPHIN", L"PIC_ASTEROIDENFELD", L"PIC_SONNE",
                                           L"PIC_DEEPSPACE", L"PIC_NEBEL"),
                         [](const auto& info) { return narrow(info.param); });

// ---------------------------------------------------------------------------
// Sprites: 24-bit bottom-up BMP files, key colour around an exactly placed craft.

struct SpriteCase {
  const wchar_t* name;
  int width, height;
  std::uint8_t keyR, keyG, keyB;
  int left, top, right, bottom;  // craft bounding box, rows counted from the top
};

void PrintTo(const SpriteCase& c, std::ostream* os) {
  *os << narrow(c.name);
}

class CraftSprite : public ::testing::TestWithParam<SpriteCase> {};

TEST_P(CraftSprite, HasExactGeometryAndKeyColour) {
  const SpriteCase& c = GetParam();
  const Blob bmp = loadResource(c.name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  ASSERT_NE(bmp.data, nullptr) << "resource missing";
  ASSERT_GE(bmp.size, 54u);

  const std::uint8_t* p = bmp.data;
  ASSERT_EQ(p[0], 'B');
  ASSERT_EQ(p[1], 'M');
  EXPECT_EQ(le32(p + 2), bmp.size) << "bfSize";
  ASSERT_EQ(le32(p + 10), 54u) << "bfOffBits: pixels must follow a 40-byte header with no colour table";
  const std::uint8_t* info = p + 14;
  ASSERT_EQ(le32(info), 40u) << "BITMAPINFOHEADER";
  ASSERT_EQ(les32(info + 4), c.width);
  ASSERT_EQ(les32(info + 8), c.height) << "height must be positive (bottom-up) and exact";
  EXPECT_EQ(le16(info + 12), 1) << "planes";
  ASSERT_EQ(le16(info + 14), 24) << "bits per pixel";
  ASSERT_EQ(le32(info + 16), 0u) << "BI_RGB";
  EXPECT_EQ(le32(info + 32), 0u) << "biClrUsed";

  const std::size_t stride = (static_cast<std::size_t>(c.width) * 3 + 3) & ~std::size_t{3};
  ASSERT_EQ(bmp.size, 54 + stride * c.height) << "rows must be padded to 4 bytes and nothing else follow";

  auto pixel = [&](int x, int rowFromTop) {
    return p + 54 + stride * (c.height - 1 - rowFromTop) + 3 * static_cast<std::size_t>(x);
  };
  auto isKey = [&](const std::uint8_t* px) { return px[2] == c.keyR && px[1] == c.keyG && px[0] == c.keyB; };

  EXPECT_TRUE(isKey(pixel(0, 0))) << "top-left corner";
  EXPECT_TRUE(isKey(pixel(c.width - 1, 0))) << "top-right corner";
  EXPECT_TRUE(isKey(pixel(0, c.height - 1))) << "bottom-left corner";
  EXPECT_TRUE(isKey(pixel(c.width - 1, c.height - 1))) << "bottom-right corner";

  int left = c.width, top = c.height, right = -1, bottom = -1;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      if (!isKey(pixel(x, y))) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_EQ(left, c.left);
  EXPECT_EQ(top, c.top);
  EXPECT_EQ(right, c.right);
  EXPECT_EQ(bottom, c.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Embedded, CraftSprite,
    ::testing::Values(SpriteCase{L"SPRITE_SARVANE", 498, 248, 255, 0, 255, 32, 48, 493, 239},
                      SpriteCase{L"SPRITE_TARNSKIMMER", 192, 144, 255, 0, 255, 1, 15, 190, 123},
                      SpriteCase{L"SPRITE_CALDERINE", 300, 240, 154, 0, 154, 19, 41, 296, 179},
                      SpriteCase{L"SPRITE_THORNAX", 500, 241, 181, 0, 181, 2, 33, 482, 218}),
    [](const auto& info) { return narrow(info.param.name); });

// ---------------------------------------------------------------------------
// Preview bitmap, as the resource compiler stores it: header and pixels only.

TEST(PreviewBitmap, HasTheExactHeaderAndSize) {
  const Blob b = loadResource(L"RES_PREVIEW", MAKEINTRESOURCEW(2) /* RT_BITMAP */);
  ASSERT_NE(b.data, nullptr) << "resource missing";
  ASSERT_EQ(b.size, 314136u);
  const std::uint8_t* h = b.data;
  EXPECT_EQ(le32(h), 40u) << "biSize";
  EXPECT_EQ(les32(h + 4), 390) << "biWidth";
  EXPECT_EQ(les32(h + 8), 268) << "biHeight (bottom-up)";
  EXPECT_EQ(le16(h + 12), 1) << "biPlanes";
  EXPECT_EQ(le16(h + 14), 24) << "biBitCount";
  EXPECT_EQ(le32(h + 16), 0u) << "biCompression";
  EXPECT_EQ(le32(h + 20), 314096u) << "biSizeImage: 268 rows of 1172 bytes";
  EXPECT_EQ(les32(h + 24), 3780) << "biXPelsPerMeter";
  EXPECT_EQ(les32(h + 28), 3780) << "biYPelsPerMeter";
  EXPECT_EQ(le32(h + 32), 0u) << "biClrUsed";
  EXPECT_EQ(le32(h + 36), 0u) << "biClrImportant";
  // The two fill bytes closing every row are zero.
  for (std::size_t row = 0; row < 268; ++row) {
    const std::uint8_t* fill = h + 40 + row * 1172 + 1170;
    ASSERT_EQ(fill[0] | fill[1], 0) << "row " << row;
  }
}

// ---------------------------------------------------------------------------
// Icon: one 32x32, 16-colour image with its AND mask.

TEST(MainIcon, HoldsOne32x32SixteenColourImage) {
  const Blob group = loadResource(L"MAINICON", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  ASSERT_NE(group.data, nullptr) << "resource missing";
  ASSERT_EQ(group.size, 6u + 14u) << "a group with exactly one entry";
  EXPECT_EQ(le16(group.data), 0) << "reserved";
  EXPECT_EQ(le16(group.data + 2), 1) << "type: icon";
  ASSERT_EQ(le16(group.data + 4), 1) << "entry count";
  const std::uint8_t* e = group.data + 6;
  EXPECT_EQ(e[0], 32) << "width";
  EXPECT_EQ(e[1], 32) << "height";
  EXPECT_EQ(e[2], 16) << "colour count";
  EXPECT_EQ(le16(e + 4), 1) << "planes";
  EXPECT_EQ(le16(e + 6), 4) << "bits per pixel";
  const std::uint32_t bytes = le32(e + 8);
  const std::uint16_t id = le16(e + 12);

  const Blob image = loadResource(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3) /* RT_ICON */);
  ASSERT_NE(image.data, nullptr) << "the group's RT_ICON entry is missing";
  EXPECT_EQ(image.size, bytes);
  // Header, 16 palette entries, 4-bit XOR bitmap, 1-bit AND mask.
  EXPECT_EQ(image.size, 40u + 16 * 4 + 32 * 32 / 2 + 32 * 4);
  ASSERT_GE(image.size, 40u);
  EXPECT_EQ(le32(image.data), 40u) << "biSize";
  EXPECT_EQ(les32(image.data + 4), 32) << "biWidth";
  EXPECT_EQ(les32(image.data + 8), 64) << "biHeight covers the XOR and AND bitmaps";
  EXPECT_EQ(le16(image.data + 14), 4) << "biBitCount";
  EXPECT_EQ(le32(image.data + 16), 0u) << "biCompression";
}

}  // namespace
