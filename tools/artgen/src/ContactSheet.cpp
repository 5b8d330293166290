#include "Extras.hpp"

#include <gd.h>
#include <gdfontg.h>
#include <gdfontmb.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace artgen {
namespace {

using GdImage = std::unique_ptr<gdImage, decltype(&gdImageDestroy)>;

GdImage toGd(const Image8& img, const std::array<std::uint8_t, 3>* key = nullptr, int backdrop = 0) {
  GdImage im(gdImageCreateTrueColor(img.w, img.h), gdImageDestroy);
  if (!im) throw std::runtime_error("gdImageCreateTrueColor failed");
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const std::uint8_t* p = img.at(x, y);
      bool isKey = key && p[0] == (*key)[0] && p[1] == (*key)[1] && p[2] == (*key)[2];
      im->tpixels[y][x] = isKey ? backdrop : gdTrueColor(p[0], p[1], p[2]);
    }
  return im;
}

void label(gdImagePtr im, int x, int y, const std::string& text, int colour) {
  gdImageString(im, gdFontGetMediumBold(), x, y,
                reinterpret_cast<unsigned char*>(const_cast<char*>(text.c_str())), colour);
}

}  // namespace

Bytes makeContactSheet(const std::vector<SheetItem>& pictures, const std::vector<SheetItem>& sprites,
                       const std::vector<SheetItem>& extras) {
  const int gap = 8, thumbW = 256, thumbH = 192, labelH = 18;
  const int width = 5 * thumbW + 6 * gap;
  const int spriteCellW = (width - 5 * gap) / 4, spriteBandH = 160;
  int extrasH = 0;
  for (const SheetItem& e : extras) extrasH = std::max(extrasH, e.image.h);
  const int height = gap + labelH + thumbH + gap + labelH + 2 * spriteBandH + gap + labelH + extrasH + gap;
  GdImage sheet(gdImageCreateTrueColor(width, height), gdImageDestroy);
  const int paper = gdTrueColor(24, 26, 32), ink = gdTrueColor(220, 224, 232);
  const int dark = gdTrueColor(5, 6, 12), light = gdTrueColor(216, 220, 230);
  gdImageFilledRectangle(sheet.get(), 0, 0, width - 1, height - 1, paper);

  int x = gap, y = gap;
  for (const SheetItem& p : pictures) {
    label(sheet.get(), x, y + 2, p.label, ink);
    GdImage src = toGd(p.image);
    gdImageCopyResampled(sheet.get(), src.get(), x, y + labelH, 0, 0, thumbW, thumbH, p.image.w, p.image.h);
    x += thumbW + gap;
  }

  // Sprites share one scale, so their relative sizes read true; each is shown
  // over dark space and over a light backdrop, where a fringe would show.
  int widest = 1;
  for (const SheetItem& s : sprites) widest = std::max(widest, s.image.w);
  const double scale = std::min(1.0, (spriteCellW - 2.0 * gap) / widest);
  x = gap;
  y = gap + labelH + thumbH + gap;
  for (const SheetItem& s : sprites) {
    label(sheet.get(), x, y + 2, s.label, ink);
    int w = static_cast<int>(s.image.w * scale + 0.5), h = static_cast<int>(s.image.h * scale + 0.5);
    int band = 0;
    for (int backdrop : {dark, light}) {
      int top = y + labelH + band * spriteBandH;
      gdImageFilledRectangle(sheet.get(), x, top, x + spriteCellW - 1, top + spriteBandH - 1, backdrop);
      GdImage src = toGd(s.image, &s.key, backdrop);
      gdImageCopyResampled(sheet.get(), src.get(), x + (spriteCellW - w) / 2, top + (spriteBandH - h) / 2, 0,
                           0, w, h, s.image.w, s.image.h);
      ++band;
    }
    x += spriteCellW + gap;
  }

  x = gap;
  y = gap + labelH + thumbH + gap + labelH + 2 * spriteBandH + gap;
  for (const SheetItem& e : extras) {
    label(sheet.get(), x, y + 2, e.label, ink);
    if (!e.sprite) {
      GdImage src = toGd(e.image);
      gdImageCopy(sheet.get(), src.get(), x, y + labelH, 0, 0, e.image.w, e.image.h);
      x += e.image.w + gap;
      continue;
    }
    for (int backdrop : {dark, light}) {
      GdImage src = toGd(e.image, &e.key, backdrop);
      gdImageCopy(sheet.get(), src.get(), x, y + labelH, 0, 0, e.image.w, e.image.h);
      x += e.image.w + gap;
    }
  }

  int size = 0;
  void* data = gdImagePngPtrEx(sheet.get(), &size, 9);
  if (!data) throw std::runtime_error("PNG encoding failed");
  Bytes out(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  gdFree(data);
  return out;
}

}  // namespace artgen
