// Unit tests of the art generator's building blocks: the hand-written Windows file
// writers, colour keying of sprites, the exact bounding-box fit and the dithered
// quantiser. Built natively with the generator (tools/artgen/CMakeLists.txt).
#include "Color.hpp"
#include "Geometry.hpp"
#include "Image.hpp"
#include "Noise.hpp"
#include "Writers.hpp"
#include "craft/Craft.hpp"
#include "craft/Shapes.hpp"
#include "craft/Sprite.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>

namespace artgen {

void PrintTo(const PixelBox& b, std::ostream* os) {
  *os << "columns " << b.left << ".." << b.right << ", rows " << b.top << ".." << b.bottom;
}

namespace {

std::uint32_t le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

Image8 gradientImage(int w, int h) {
  Image8 img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = img.at(x, y);
      p[0] = static_cast<std::uint8_t>(10 + x);
      p[1] = static_cast<std::uint8_t>(100 + y);
      p[2] = static_cast<std::uint8_t>(200 + x + y);
    }
  return img;
}

// --- BMP: every width exercises a different amount of row padding.

class BmpWriter : public ::testing::TestWithParam<int> {};

TEST_P(BmpWriter, PadsRowsStoresBottomUpAndSwapsToBgr) {
  const int w = GetParam(), h = 3;
  const Image8 img = gradientImage(w, h);
  const Bytes bmp = encodeBmp24(img);
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
  ASSERT_EQ(bmp.size(), 54 + stride * h);
  EXPECT_EQ(le32(bmp, 2), bmp.size());
  EXPECT_EQ(le32(bmp, 10), 54u);
  EXPECT_EQ(le32(bmp, 34), stride * h) << "biSizeImage";
  for (int row = 0; row < h; ++row) {
    const size_t base = 54 + stride * row;
    const int y = h - 1 - row;  // first stored row is the bottom one
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = img.at(x, y);
      EXPECT_EQ(bmp[base + 3 * x + 0], p[2]) << "blue, x=" << x << " row=" << row;
      EXPECT_EQ(bmp[base + 3 * x + 1], p[1]);
      EXPECT_EQ(bmp[base + 3 * x + 2], p[0]);
    }
    for (size_t pad = static_cast<size_t>(w) * 3; pad < stride; ++pad)
      EXPECT_EQ(bmp[base + pad], 0) << "fill byte";
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpWriter, ::testing::Values(1, 2, 3, 4, 5, 390));

// --- ICO: nibble order and the AND mask.

TEST(IcoWriter, PacksLeftPixelHighAndMasksTransparency) {
  Icon16 icon;
  for (int i = 0; i < 16; ++i) icon.palette[i] = {static_cast<std::uint8_t>(i * 16), 0, 0};
  const int n = Icon16::kSize;
  // Top row: indices 1 and 2 in the first two pixels; the third pixel transparent.
  icon.index[0] = 1;
  icon.index[1] = 2;
  icon.index[2] = 7;
  icon.transparent[2] = true;
  const Bytes ico = encodeIco(icon);
  ASSERT_EQ(ico.size(), 6u + 16 + 40 + 64 + 512 + 128);
  EXPECT_EQ(le32(ico, 6 + 8), 40u + 64 + 512 + 128) << "bytes in resource";
  const size_t header = 22, palette = header + 40, xorBits = palette + 64, andBits = xorBits + 512;
  EXPECT_EQ(le32(ico, header + 8), 64u) << "height counts XOR and AND bitmaps";
  EXPECT_EQ(ico[palette + 4 * 3 + 2], 48) << "palette stored as B, G, R, 0";
  // The top row is stored last (bottom-up).
  const size_t topXor = xorBits + (n - 1) * 16, topAnd = andBits + (n - 1) * 4;
  EXPECT_EQ(ico[topXor], 0x12);
  EXPECT_EQ(ico[topXor + 1] >> 4, 0) << "a transparent pixel's colour must be black";
  EXPECT_EQ(ico[topAnd], 0x20) << "only the third pixel is masked";
}

// --- Sprite keying: run counting and the non-key bounding box.

struct KeyCase {
  const char* what;
  std::vector<std::pair<int, int>> hull;  // non-key pixels
  int runs;
  PixelBox box;
};

class KeyedImage : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyedImage, CountsRunsAndBounds) {
  const std::array<std::uint8_t, 3> key = {255, 0, 255};
  Image8 img(6, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) std::copy(key.begin(), key.end(), img.at(x, y));
  for (auto [x, y] : GetParam().hull) img.at(x, y)[1] = 40;
  EXPECT_EQ(countKeyRuns(img, key), GetParam().runs);
  EXPECT_EQ(nonKeyBounds(img, key), GetParam().box);
}

INSTANTIATE_TEST_SUITE_P(Shapes, KeyedImage,
                         ::testing::Values(KeyCase{"AllKey", {}, 4, {6, 4, -1, -1}},
                                           KeyCase{"OneInside", {{2, 1}}, 5, {2, 1, 2, 1}},
                                           KeyCase{"TouchingLeftEdge", {{0, 0}, {0, 3}}, 4, {0, 0, 0, 3}},
                                           KeyCase{
                                               "TwoSpansInARow", {{1, 2}, {3, 2}, {5, 2}}, 6, {1, 2, 5, 2}}),
                         [](const auto& info) { return std::string(info.param.what); });

// --- The fit: the pixels at or above the threshold must fill the target exactly.

CraftDesign testCraft() {
  CraftDesign d;
  Part hull;
  hull.shape = rounded({{20, 10}, {90, 14}, {100, 30}, {90, 44}, {20, 48}}, 6);
  hull.albedo = Rgb(0.7, 0.7, 0.72);
  Part fin;
  fin.shape = rounded({{24, 12}, {50, 12}, {30, 0}, {22, 0}}, 2);
  fin.finish = Finish::Plate;
  d.parts = {hull, fin};
  d.exhausts = {{{20, 30}, 6, 24, Rgb(1, 1, 1), Rgb(0.2, 0.5, 1.0)}};
  return d;
}

class CraftFit : public ::testing::TestWithParam<PixelBox> {};

TEST_P(CraftFit, LandsExactlyOnTheTargetBox) {
  const PixelBox target = GetParam();
  const CraftDesign d = testCraft();
  const Affine m = fitCraft(d, 160, 90, target, kSpriteThreshold);
  EXPECT_EQ(alphaBounds(renderCraft(d, m, 160, 90, true), kSpriteThreshold), target);
}

INSTANTIATE_TEST_SUITE_P(Boxes, CraftFit,
                         ::testing::Values(PixelBox{1, 1, 158, 88}, PixelBox{10, 20, 110, 60},
                                           PixelBox{3, 7, 64, 33}, PixelBox{40, 2, 151, 71}));

// --- Clean-up of the thresholded outline: crumbs go, pinholes close, real gaps stay.

struct MaskCase {
  const char* what;
  int x0, y0, x1, y1;  // a rectangle of alpha 0 or 1 drawn on a solid 20x20 block at (10,10)
  float alpha;
  bool expectSolid;  // state of the rectangle's pixels afterwards
};

class SolidMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(SolidMask, DropsCrumbsAndFillsPinholesOnly) {
  const MaskCase& c = GetParam();
  CraftImage img(40, 40);
  for (int y = 10; y < 30; ++y)
    for (int x = 10; x < 30; ++x) img.alpha[y * 40 + x] = 1.f;
  for (int y = c.y0; y <= c.y1; ++y)
    for (int x = c.x0; x <= c.x1; ++x) img.alpha[y * 40 + x] = c.alpha;
  const std::vector<bool> solid = solidMask(img, 0.5);
  for (int y = c.y0; y <= c.y1; ++y)
    for (int x = c.x0; x <= c.x1; ++x) EXPECT_EQ(solid[y * 40 + x], c.expectSolid) << x << "," << y;
  EXPECT_TRUE(solid[12 * 40 + 12]) << "the block itself stays";
}

INSTANTIATE_TEST_SUITE_P(Cases, SolidMask,
                         ::testing::Values(MaskCase{"LooseCrumb", 2, 2, 3, 3, 1.f, false},
                                           MaskCase{"LooseChunk", 1, 1, 4, 4, 1.f, true},
                                           MaskCase{"Pinhole", 20, 20, 21, 21, 0.f, true},
                                           MaskCase{"RealGap", 15, 15, 18, 18, 0.f, false},
                                           MaskCase{"NotchAtTheEdge", 10, 20, 11, 20, 0.f, false}),
                         [](const auto& info) { return std::string(info.param.what); });

// --- Sprites: soft edges are blended toward dark space, never toward the key.

TEST(SpriteEdges, HaveNoKeyColouredFringe) {
  SpriteFormat format{"test", 160, 90, {255, 0, 255}, {8, 6, 150, 80}};
  const Image8 img = makeSprite(testCraft(), format);
  int edgePixels = 0;
  for (int y = 1; y + 1 < img.h; ++y)
    for (int x = 1; x + 1 < img.w; ++x) {
      const std::uint8_t* p = img.at(x, y);
      if (p[0] == 255 && p[1] == 0 && p[2] == 255) continue;
      bool nextToKey = false;
      for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        if (img.at(x + dx, y + dy)[1] == 0 && img.at(x + dx, y + dy)[0] == 255) nextToKey = true;
      if (!nextToKey) continue;
      ++edgePixels;
      // Pink shows as red and blue both well above green.
      EXPECT_FALSE(p[0] > p[1] + 60 && p[2] > p[1] + 60) << "pinkish edge pixel at " << x << "," << y;
    }
  EXPECT_GT(edgePixels, 100) << "the test craft should have a long outline";
}

// --- Quantising: the dither must not shift the average, or skies would drift.

class Dither : public ::testing::TestWithParam<double> {};

TEST_P(Dither, KeepsTheMeanAndStaysWithinOneStep) {
  const double level = GetParam();  // in 8-bit steps, between two codes
  double sum = 0;
  int lo = 256, hi = -1;
  const int n = 200;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      int v = quantize(level / 255.0, triangularDither(7, x, y, 0));
      sum += v;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  EXPECT_NEAR(sum / (n * n), level, 0.02);
  EXPECT_GE(lo, static_cast<int>(std::floor(level)) - 1);
  EXPECT_LE(hi, static_cast<int>(std::ceil(level)) + 1);
  EXPECT_GT(hi, lo) << "a level between two codes must be dithered, not rounded";
}

INSTANTIATE_TEST_SUITE_P(Levels, Dither, ::testing::Values(3.25, 17.5, 100.8, 200.1));

// --- Outlines: the signed distance drives every anti-aliased edge of the craft.

struct DistanceCase {
  const char* what;
  Vec2 at;
  double distance;  // negative inside
};

class SquareDistance : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(SquareDistance, IsSignedAndExact) {
  const Outline square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const DistanceInfo d = signedDistance(square, GetParam().at);
  EXPECT_NEAR(d.distance, GetParam().distance, 1e-9);
  EXPECT_EQ(contains(square, GetParam().at), GetParam().distance < 0);
  EXPECT_NEAR(d.outward.length(), 1.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Points, SquareDistance,
                         ::testing::Values(DistanceCase{"Centre", {5, 5}, -5},
                                           DistanceCase{"NearLeftInside", {1, 4}, -1},
                                           DistanceCase{"AboveTop", {5, -3}, 3},
                                           DistanceCase{"OffCorner", {13, 14}, 5}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(VerticalSpan, FindsTheChordThroughAPoint) {
  // A U shape: two prongs, so a vertical line through a prong meets it once.
  const Outline u = {{0, 0}, {4, 0}, {4, 6}, {6, 6}, {6, 0}, {10, 0}, {10, 10}, {0, 10}};
  double top = 0, bottom = 0;
  ASSERT_TRUE(verticalSpan(u, 2, 5, top, bottom));
  EXPECT_DOUBLE_EQ(top, 0);
  EXPECT_DOUBLE_EQ(bottom, 10);
  ASSERT_TRUE(verticalSpan(u, 5, 8, top, bottom));
  EXPECT_DOUBLE_EQ(top, 6) << "the notch between the prongs is not part of the chord";
  EXPECT_FALSE(verticalSpan(u, 12, 5, top, bottom));
}

// --- Colour: star tints must run from red through white to blue with temperature.

TEST(Blackbody, GetsBluerAsItGetsHotter) {
  const double kelvins[] = {2500, 3500, 5000, 6500, 9000, 15000, 30000};
  double lastRatio = 0;
  for (double k : kelvins) {
    const Rgb c = blackbody(k);
    EXPECT_NEAR(std::max({c.r, c.g, c.b}), 1.0, 1e-6) << k << " K: brightest channel is normalised";
    const double ratio = c.b / c.r;
    EXPECT_GT(ratio, lastRatio) << k << " K";
    lastRatio = ratio;
  }
}

// --- Noise: seeds must matter and values stay in range, or layers would clip.

class NoiseRange : public ::testing::TestWithParam<int> {};

TEST_P(NoiseRange, StaysBoundedAndDependsOnTheSeed) {
  const int octaves = GetParam();
  double lo = 1e9, hi = -1e9, differ = 0;
  for (int i = 0; i < 4000; ++i) {
    const double x = i * 0.173, y = i * 0.091;
    const double a = fbm(x, y, 11, octaves), b = fbm(x, y, 12, octaves);
    lo = std::min(lo, a);
    hi = std::max(hi, a);
    differ += std::fabs(a - b);
  }
  EXPECT_GE(lo, -1.0);
  EXPECT_LE(hi, 1.0);
  EXPECT_GT(hi - lo, 0.8) << "noise should use most of its range";
  EXPECT_GT(differ / 4000, 0.1) << "two seeds gave nearly the same field";
}

INSTANTIATE_TEST_SUITE_P(Octaves, NoiseRange, ::testing::Values(1, 4, 7));

}  // namespace
}  // namespace artgen
