// Pictures held by picture controls: device-independent bitmaps, and JPEG
// pictures that keep their original stream next to the decoded bitmap (the
// stream is what gets written out byte for byte).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "forms/Handles.h"

namespace forms {

// A DIB section. Rows are addressed from the top whatever the storage order.
class TBitmap {
 public:
  TBitmap() = default;
  // A blank bitmap of 24 (or 32) bits per pixel, stored bottom-up as Windows
  // bitmaps usually are.
  TBitmap(int width, int height, int bitsPerPixel = 24);
  // Parses a Windows bitmap file (file header included) of 1 to 32 bits per pixel.
  static TBitmap FromBmpFile(std::span<const std::uint8_t> file);
  // Parses a packed device-independent bitmap: information header, colour
  // table and pixels, as bitmap resources store it.
  static TBitmap FromPackedDib(std::span<const std::uint8_t> dib);

  TBitmap Clone() const;
  bool Empty() const { return !bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  HBITMAP Handle() const { return bitmap_.get(); }
  // Converts the pixels to 24 bits per pixel in place; a no-op when they are.
  void SetPixelFormat24();
  const std::uint8_t* ScanLine(int row) const;
  std::uint8_t* ScanLine(int row);

 private:
  static TBitmap FromDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits);
  static TBitmap FromInfo(const BITMAPINFO& info, const void* bits, std::size_t bitsSize);
  UniqueHbitmap bitmap_;
  std::uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  int stride_ = 0;
  bool bottomUp_ = true;
};

// Pictures larger than this are refused from their header alone (64 megapixels).
inline constexpr unsigned long long kMaxJpegPixels = 64ull * 1024 * 1024;
inline constexpr std::size_t kMaxJpegFileBytes = 256u * 1024 * 1024;
// Streams of more scans are refused. Encoders write a handful, a progressive
// one about ten, and libjpeg's own tools no more than 100; every scan beyond
// costs a pass over the whole picture.
inline constexpr int kMaxJpegScans = 100;

// How a decode shares the processor: at full speed, or handing it over after
// every band of rows, for a decode in the background that nobody waits for
// yet. On a machine of two cores such a decode would otherwise hold one
// while the flight's steps, the display server and the platform's own
// server take turns on the other.
enum class DecodePace { Full, Yielding };

// Decodes a baseline or progressive JPEG stream into a 32-bit bitmap (blue,
// green, red and an unused byte per pixel).
// Throws EError when the stream cannot be decoded, holds no pixel data at
// all, claims more than kMaxJpegPixels, or holds more than kMaxJpegScans scans.
TBitmap DecodeJpeg(std::span<const std::uint8_t> stream, DecodePace pace = DecodePace::Full);

// Settles, on the calling thread, the one piece of state libjpeg-turbo keeps
// between calls: its cache of the processor's SIMD features, which it fills
// on first use without a lock (it is thread-local only in builds with the
// TurboJPEG API, which ours leaves out). Call it before a second thread
// decodes or encodes, so that every thread only ever reads it.
void SettleJpegThreads();

// The width and height a JPEG file's header gives, read without decoding any
// pixels (only the bytes up to the frame header are read); none when the file
// cannot be opened or holds no readable JPEG header.
std::optional<SIZE> ReadJpegFileSize(const std::string& path);
// The same from an open file, read from where it stands.
std::optional<SIZE> ReadJpegFileSize(std::FILE* file);

class TPicture {
 public:
  enum class Format { None, Bitmap, Jpeg };

  TPicture() = default;
  TPicture(const TPicture& other) { Assign(other); }
  TPicture& operator=(const TPicture& other) {
    if (this != &other) Assign(other);
    return *this;
  }
  TPicture(TPicture&&) = default;
  TPicture& operator=(TPicture&&) = default;

  // Takes an embedded resource of type RCDATA, JPEG or BMP, told apart by its
  // first bytes. A JPEG is decoded when it is first measured or drawn: the
  // picture holder carries five of them, and a run that shows the cache never
  // needs their pixels.
  static TPicture FromResource(const std::string& name);
  static TPicture FromData(std::span<const std::uint8_t> data, DecodePace pace = DecodePace::Full);
  // Loads a JPEG file (an ANSI path); anything else, or a file over
  // kMaxJpegFileBytes, is an error. With `opened`, also gives what the
  // platform reports of the file it read.
  static TPicture FromJpegFile(const std::string& path, BY_HANDLE_FILE_INFORMATION* opened = nullptr,
                               DecodePace pace = DecodePace::Full);

  void Assign(const TPicture& other);
  Format Kind() const { return format_; }
  bool Empty() const { return format_ == Format::None; }
  int Width() const { return Decoded().Width(); }
  int Height() const { return Decoded().Height(); }
  const TBitmap& Bitmap() const { return Decoded(); }
  TBitmap& Bitmap() { return const_cast<TBitmap&>(Decoded()); }
  // The JPEG stream exactly as it was loaded; empty for bitmaps.
  std::span<const std::uint8_t> JpegStream() const;

  // Draws at the picture's own size with its top-left corner at (left, top),
  // or stretched over the rectangle.
  void Draw(HDC dc, int left, int top) const;
  void StretchDraw(HDC dc, const RECT& target) const;
  // Draws at its own size from the area's top-left corner and fills the rest
  // of the area with the colour.
  void DrawFilled(HDC dc, const RECT& area, COLORREF fill) const;

 private:
  const TBitmap& Decoded() const;

  Format format_ = Format::None;
  std::shared_ptr<const std::vector<std::uint8_t>> jpeg_;
  mutable TBitmap bitmap_;
};

// The bytes of an embedded resource, which live as long as the module.
// Throws EError "Ressource %s nicht gefunden" when it is missing.
std::span<const std::uint8_t> ResourceBytes(const std::string& name, LPCWSTR type);

}  // namespace forms
