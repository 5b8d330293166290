#include "tests/e2e/PictureFile.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdlib>

#include "tests/common/ScreenPixels.h"
#include "tests/common/Wait.h"

namespace e2e {
namespace {

// Releases a COM interface at the end of its scope.
template <class T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p) p->Release();
  }
};

}  // namespace

PictureFile DecodePictureFile(const std::wstring& path) {
  PictureFile picture;
  // The driver's one thread; a second call finds COM started already.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Released<IWICImagingFactory> factory;
  Released<IWICBitmapDecoder> decoder;
  Released<IWICBitmapFrameDecode> frame;
  Released<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(&factory.p))) ||
      FAILED(factory.p->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder.p)) ||
      FAILED(decoder.p->GetFrame(0, &frame.p)) || FAILED(factory.p->CreateFormatConverter(&converter.p)) ||
      FAILED(converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom)) ||
      FAILED(converter.p->GetSize(&width, &height)))
    return picture;
  std::vector<RGBQUAD> quads(static_cast<std::size_t>(width) * height);
  if (FAILED(converter.p->CopyPixels(nullptr, width * 4, static_cast<UINT>(quads.size() * 4),
                                     reinterpret_cast<BYTE*>(quads.data()))))
    return picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  for (const RGBQUAD& quad : quads) picture.pixels.push_back(RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue));
  return picture;
}

bool ScreenShows(const PictureFile& picture, DWORD milliseconds, int tolerance, int rows) {
  if (picture.pixels.empty()) return false;
  const int height = rows > 0 ? std::min(rows, picture.height) : picture.height;
  auto within = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
  auto shown = [&] {
    const std::vector<COLORREF> screen = testing_screen::ScreenPixels({0, 0, picture.width, height});
    for (int y = 5; y < height; y += 31)
      for (int x = 5; x < picture.width; x += 37) {
        const std::size_t at = static_cast<std::size_t>(y) * picture.width + x;
        const COLORREF seen = screen[at], expected = picture.pixels[at];
        if (!within(GetRValue(seen), GetRValue(expected)) || !within(GetGValue(seen), GetGValue(expected)) ||
            !within(GetBValue(seen), GetBValue(expected)))
          return false;
      }
    return true;
  };
  return testing_wait::WaitFor(shown, milliseconds);
}

}  // namespace e2e
