#include "Writers.hpp"

#include <gd.h>

#include <cstdio>
#include <stdexcept>

namespace artgen {
namespace {

void put16(Bytes& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}

void put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

constexpr std::uint32_t kPelsPerMeter = 3780;  // 96 dpi

void putInfoHeader(Bytes& b, int w, int h, int bpp, std::uint32_t imageSize) {
  put32(b, 40);
  put32(b, static_cast<std::uint32_t>(w));
  put32(b, static_cast<std::uint32_t>(h));
  put16(b, 1);
  put16(b, static_cast<unsigned>(bpp));
  put32(b, 0);  // BI_RGB
  put32(b, imageSize);
  put32(b, kPelsPerMeter);
  put32(b, kPelsPerMeter);
  put32(b, 0);
  put32(b, 0);
}

}  // namespace

Bytes encodeJpeg(const Image8& img, int quality) {
  gdImagePtr im = gdImageCreateTrueColor(img.w, img.h);
  if (!im) throw std::runtime_error("gdImageCreateTrueColor failed");
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const std::uint8_t* p = img.at(x, y);
      im->tpixels[y][x] = gdTrueColor(p[0], p[1], p[2]);
    }
  gdImageInterlace(im, 0);  // interlaced would mean progressive JPEG
  int size = 0;
  void* data = gdImageJpegPtr(im, &size, quality);
  gdImageDestroy(im);
  if (!data) throw std::runtime_error("JPEG encoding failed");
  Bytes out(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  gdFree(data);
  return out;
}

Image8 decodeJpeg(const Bytes& jpeg) {
  gdImagePtr im =
      gdImageCreateFromJpegPtr(static_cast<int>(jpeg.size()), const_cast<std::uint8_t*>(jpeg.data()));
  if (!im) throw std::runtime_error("JPEG decoding failed");
  Image8 out(gdImageSX(im), gdImageSY(im));
  for (int y = 0; y < out.h; ++y)
    for (int x = 0; x < out.w; ++x) {
      int c = gdImageGetTrueColorPixel(im, x, y);
      std::uint8_t* p = out.at(x, y);
      p[0] = gdTrueColorGetRed(c);
      p[1] = gdTrueColorGetGreen(c);
      p[2] = gdTrueColorGetBlue(c);
    }
  gdImageDestroy(im);
  return out;
}

Bytes encodeBmp24(const Image8& img) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(img.w) * 3 + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(img.h);
  Bytes b;
  b.reserve(54 + imageSize);
  b.push_back('B');
  b.push_back('M');
  put32(b, 54 + imageSize);
  put32(b, 0);
  put32(b, 54);
  putInfoHeader(b, img.w, img.h, 24, imageSize);
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      const std::uint8_t* p = img.at(x, y);
      b.push_back(p[2]);
      b.push_back(p[1]);
      b.push_back(p[0]);
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(img.w) * 3; pad < stride; ++pad) b.push_back(0);
  }
  return b;
}

Bytes encodeIco(const Icon16& icon) {
  constexpr int n = Icon16::kSize;
  constexpr std::uint32_t xorSize = n * n / 2;  // 4 bpp, 16-byte rows: no padding needed
  constexpr std::uint32_t andSize = n * 4;      // 1 bpp, 4-byte rows
  constexpr std::uint32_t bodySize = 40 + 16 * 4 + xorSize + andSize;
  Bytes b;
  put16(b, 0);
  put16(b, 1);  // icon
  put16(b, 1);  // one image
  b.push_back(n);
  b.push_back(n);
  b.push_back(16);  // colour count
  b.push_back(0);
  put16(b, 1);  // planes
  put16(b, 4);  // bits per pixel
  put32(b, bodySize);
  put32(b, 6 + 16);
  // The icon's own header counts the XOR and AND bitmaps together: twice the height.
  putInfoHeader(b, n, 2 * n, 4, xorSize + andSize);
  for (const auto& c : icon.palette) {
    b.push_back(c[2]);
    b.push_back(c[1]);
    b.push_back(c[0]);
    b.push_back(0);
  }
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; x += 2) {
      auto px = [&](int xx) {
        int i = y * n + xx;
        return icon.transparent[i] ? 0 : icon.index[i] & 0x0F;
      };
      b.push_back(static_cast<std::uint8_t>((px(x) << 4) | px(x + 1)));
    }
  for (int y = n - 1; y >= 0; --y)
    for (int byte = 0; byte < 4; ++byte) {
      std::uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit)
        if (icon.transparent[y * n + byte * 8 + bit]) bits |= 0x80 >> bit;
      b.push_back(bits);
    }
  return b;
}

void writeFile(const std::string& path, const Bytes& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) throw std::runtime_error("short write on " + path);
}

}  // namespace artgen
