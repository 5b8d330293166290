// Bitmaps and JPEG pictures as the picture controls hold them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "forms/Errors.h"
#include "forms/Picture.h"
#include "tests/common/JpegMarkers.h"

namespace {

// A Windows bitmap file of 3 x 2 pixels at the given depth. Colours per pixel,
// top row first: red, green, blue / white, black, (10, 20, 30).
std::vector<std::uint8_t> SampleBmp(int bitsPerPixel, bool bottomUp) {
  const RGBQUAD colours[6] = {{0, 0, 255, 0},     {0, 255, 0, 0}, {255, 0, 0, 0},
                              {255, 255, 255, 0}, {0, 0, 0, 0},   {30, 20, 10, 0}};
  int stride = ((3 * bitsPerPixel + 31) / 32) * 4;
  int tableEntries = bitsPerPixel == 8 ? 6 : 0;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = 3;
  info.biHeight = bottomUp ? 2 : -2;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.biCompression = BI_RGB;
  info.biClrUsed = static_cast<DWORD>(tableEntries);
  file.bfType = 0x4D42;
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof info + tableEntries * sizeof(RGBQUAD));
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * 2);
  std::vector<std::uint8_t> bytes(file.bfSize);
  std::memcpy(bytes.data(), &file, sizeof file);
  std::memcpy(bytes.data() + sizeof file, &info, sizeof info);
  if (tableEntries) std::memcpy(bytes.data() + sizeof file + sizeof info, colours, sizeof colours);
  for (int row = 0; row < 2; ++row) {
    std::uint8_t* line = bytes.data() + file.bfOffBits + (bottomUp ? 1 - row : row) * stride;
    for (int x = 0; x < 3; ++x) {
      const RGBQUAD& c = colours[row * 3 + x];
      if (bitsPerPixel == 8) line[x] = static_cast<std::uint8_t>(row * 3 + x);
      if (bitsPerPixel >= 24) {
        std::uint8_t* pixel = line + x * (bitsPerPixel / 8);
        pixel[0] = c.rgbBlue;
        pixel[1] = c.rgbGreen;
        pixel[2] = c.rgbRed;
      }
    }
  }
  return bytes;
}

std::vector<std::uint8_t> Pixels24(const forms::TBitmap& bitmap) {
  std::vector<std::uint8_t> pixels;
  for (int row = 0; row < bitmap.Height(); ++row)
    pixels.insert(pixels.end(), bitmap.ScanLine(row), bitmap.ScanLine(row) + 3 * bitmap.Width());
  return pixels;
}

TEST(Picture, EveryDepthAndRowOrderConvertsToTheSame24BitPixels) {
  forms::TBitmap reference = forms::TBitmap::FromBmpFile(SampleBmp(24, true));
  ASSERT_EQ(reference.BitsPerPixel(), 24);
  const std::uint8_t topLeft[3] = {0, 0, 255};  // red, stored blue-green-red
  EXPECT_EQ(std::memcmp(reference.ScanLine(0), topLeft, 3), 0) << "row 0 must be the top row";
  const std::uint8_t bottomRight[3] = {30, 20, 10};
  EXPECT_EQ(std::memcmp(reference.ScanLine(1) + 6, bottomRight, 3), 0);

  struct Case {
    int bits;
    bool bottomUp;
  } cases[] = {{8, true}, {32, true}, {24, false}, {32, false}};
  for (const auto& c : cases) {
    forms::TBitmap bitmap = forms::TBitmap::FromBmpFile(SampleBmp(c.bits, c.bottomUp));
    EXPECT_EQ(bitmap.BitsPerPixel(), c.bits);
    bitmap.SetPixelFormat24();
    EXPECT_EQ(bitmap.BitsPerPixel(), 24);
    EXPECT_EQ(Pixels24(bitmap), Pixels24(reference)) << c.bits << " bits, bottom-up " << c.bottomUp;
  }
}

TEST(Picture, CopiesAreIndependentButShareTheJpegStream) {
  forms::TPicture original = forms::TPicture::FromData(SampleBmp(24, true));
  forms::TPicture copy = original;
  copy.Bitmap().ScanLine(0)[0] = 77;
  EXPECT_EQ(original.Bitmap().ScanLine(0)[0], 0) << "a copy must not write into the original";

  forms::TPicture jpeg = forms::TPicture::FromResource("PIC_NEBEL");
  forms::TPicture jpegCopy = jpeg;
  EXPECT_EQ(jpegCopy.Kind(), forms::TPicture::Format::Jpeg);
  EXPECT_EQ(jpegCopy.JpegStream().data(), jpeg.JpegStream().data());
  EXPECT_EQ(Pixels24(jpegCopy.Bitmap()), Pixels24(jpeg.Bitmap()));
}

// A palette bitmap's copy must carry the colour table, or it turns to black.
TEST(Picture, ClonedPaletteBitmapKeepsItsColours) {
  forms::TBitmap original = forms::TBitmap::FromBmpFile(SampleBmp(8, true));
  forms::TBitmap copy = original.Clone();
  EXPECT_EQ(copy.BitsPerPixel(), 8);
  copy.SetPixelFormat24();
  original.SetPixelFormat24();
  EXPECT_EQ(Pixels24(copy), Pixels24(original));
}

// Bitmap resources carry no file header: the pixels follow the information header.
TEST(Picture, PackedBitmapOfThePreviewResource) {
  auto dib = forms::ResourceBytes("RES_PREVIEW", MAKEINTRESOURCEW(2));
  forms::TBitmap preview = forms::TBitmap::FromPackedDib(dib);
  EXPECT_EQ(preview.Width(), 390);
  EXPECT_EQ(preview.Height(), 268);
  // Bottom-up storage: the last stored row is the top row.
  EXPECT_EQ(std::memcmp(preview.ScanLine(0), dib.data() + 40 + 267 * 1172, 1170), 0);
  EXPECT_EQ(std::memcmp(preview.ScanLine(267), dib.data() + 40, 1170), 0);
  EXPECT_THROW(forms::TBitmap::FromPackedDib(dib.first(40 + 1172)), forms::EError);
}

TEST(Picture, BrokenDataAndMissingResourcesAreErrors) {
  std::vector<std::uint8_t> garbage = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
  EXPECT_THROW(forms::TPicture::FromData(garbage), forms::EError);
  std::vector<std::uint8_t> truncated = SampleBmp(24, true);
  truncated.resize(truncated.size() - 4);
  EXPECT_THROW(forms::TBitmap::FromBmpFile(truncated), forms::EError);
  // Sizes from a header are limited before anything is computed from them.
  std::vector<std::uint8_t> huge = SampleBmp(24, true);
  const std::int32_t width = 0x7FFFFFFF;
  std::memcpy(huge.data() + sizeof(BITMAPFILEHEADER) + 4, &width, sizeof width);
  EXPECT_THROW(forms::TBitmap::FromBmpFile(huge), forms::EError);

  // A progressive picture of 32 x 32 pixels whose smallest scan comes again
  // and again, 300 scans in all: every scan is one more pass over the whole
  // picture, so at a screen's size such a file of normal length decodes for
  // seconds. Cut after its first n scans (and closed with the end marker),
  // it decodes as long as n keeps within the limit.
  std::ifstream file(SARVANE_UNIT_DATA_DIR "/many-scans.jpg", std::ios::binary);
  const std::vector<unsigned char> manyScans{std::istreambuf_iterator<char>(file),
                                             std::istreambuf_iterator<char>()};
  const std::vector<std::size_t> scans = testing_jpeg::MarkerOffsets(manyScans, 0xDA);
  ASSERT_GT(scans.size(), static_cast<std::size_t>(forms::kMaxJpegScans) + 1);
  struct Cut {
    std::size_t scans;
    bool decodes;
  } cuts[] = {
      {10, true}, {forms::kMaxJpegScans, true}, {forms::kMaxJpegScans + 1, false}, {scans.size(), false}};
  for (const auto& cut : cuts) {
    std::vector<std::uint8_t> stream(
        manyScans.begin(),
        manyScans.begin() +
            static_cast<long>(cut.scans < scans.size() ? scans[cut.scans] : manyScans.size() - 2));
    stream.insert(stream.end(), {0xFF, 0xD9});
    try {
      forms::TBitmap bitmap = forms::DecodeJpeg(stream);
      EXPECT_TRUE(cut.decodes) << cut.scans << " scans must be refused";
      EXPECT_EQ(bitmap.Width(), 32);
    } catch (const forms::EError& error) {
      EXPECT_FALSE(cut.decodes) << cut.scans << " scans: " << error.what();
      EXPECT_STREQ(error.what(), "JPEG-Fehler: mehr als 100 Scans");
    }
  }

  try {
    forms::TPicture::FromResource("PIC_NOWHERE");
    ADD_FAILURE();
  } catch (const forms::EError& error) {
    EXPECT_STREQ(error.what(), "Ressource PIC_NOWHERE nicht gefunden");
  }
}

}  // namespace
