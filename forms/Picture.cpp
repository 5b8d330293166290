#include "forms/Picture.h"

#include <io.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "forms/Errors.h"
#include "forms/Text.h"

// libjpeg-turbo's SIMD dispatch (simd/*/jsimd.c): not part of its public API,
// but exported from the static library.
extern "C" int jsimd_can_rgb_ycc(void);

namespace forms {
namespace {

int StrideOf(int width, int bitsPerPixel) {
  return ((width * bitsPerPixel + 31) / 32) * 4;
}

std::size_t ColourTableEntries(const BITMAPINFOHEADER& header) {
  if (header.biBitCount > 8) return header.biCompression == BI_BITFIELDS ? 3 : 0;
  return header.biClrUsed ? header.biClrUsed : (1u << header.biBitCount);
}

// A bitmap is refused in the same words whatever its fault: the user can do
// nothing different about one fault than about another.
constexpr char kInvalidBitmap[] = "Ungültiges Bitmap";

// A JPEG stream opens with the start-of-image marker; that is all it takes to
// tell one from a bitmap file.
bool IsJpeg(std::span<const std::uint8_t> data) {
  return data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

}  // namespace

TBitmap::TBitmap(int width, int height, int bitsPerPixel) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.bmiHeader.biCompression = BI_RGB;
  *this = FromInfo(info, nullptr, 0);
}

TBitmap TBitmap::FromInfo(const BITMAPINFO& info, const void* bits, std::size_t bitsSize) {
  const BITMAPINFOHEADER& header = info.bmiHeader;
  TBitmap bitmap;
  void* pixels = nullptr;
  bitmap.bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!bitmap.bitmap_) throw EError("Bitmap kann nicht angelegt werden");
  bitmap.bits_ = static_cast<std::uint8_t*>(pixels);
  bitmap.width_ = header.biWidth;
  bitmap.height_ = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  bitmap.bottomUp_ = header.biHeight > 0;
  bitmap.bitsPerPixel_ = header.biBitCount;
  bitmap.stride_ = StrideOf(bitmap.width_, header.biBitCount);
  std::size_t size = static_cast<std::size_t>(bitmap.stride_) * static_cast<std::size_t>(bitmap.height_);
  if (bits) std::memcpy(pixels, bits, std::min(size, bitsSize));
  return bitmap;
}

TBitmap TBitmap::FromDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits) {
  BITMAPINFOHEADER header;
  if (info.size() < sizeof header) throw EError(kInvalidBitmap);
  std::memcpy(&header, info.data(), sizeof header);
  // The limits keep every size computed below far from overflowing, also in 32 bits.
  constexpr LONG kMaxSide = 32768;
  bool supported = header.biSize >= sizeof(BITMAPINFOHEADER) && header.biSize <= info.size() &&
                   header.biWidth > 0 && header.biWidth <= kMaxSide && header.biHeight != 0 &&
                   header.biHeight >= -kMaxSide && header.biHeight <= kMaxSide && header.biPlanes == 1 &&
                   (header.biBitCount > 8 || header.biClrUsed <= (1u << header.biBitCount)) &&
                   (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS) &&
                   (header.biBitCount == 1 || header.biBitCount == 4 || header.biBitCount == 8 ||
                    header.biBitCount == 16 || header.biBitCount == 24 || header.biBitCount == 32);
  if (!supported) throw EError(kInvalidBitmap);

  // CreateDIBSection wants a plain 40-byte header followed by the colour table,
  // whatever header version the file carries; V4/V5 headers hold the masks inside.
  std::size_t tableBytes = ColourTableEntries(header) * sizeof(RGBQUAD);
  std::size_t tableOffset = header.biSize;
  if (header.biCompression == BI_BITFIELDS && header.biSize > sizeof(BITMAPINFOHEADER))
    tableOffset = sizeof(BITMAPINFOHEADER);
  if (tableOffset + tableBytes > info.size()) throw EError(kInvalidBitmap);
  std::vector<std::uint8_t> plain(sizeof(BITMAPINFOHEADER) + tableBytes);
  header.biSize = sizeof(BITMAPINFOHEADER);
  std::memcpy(plain.data(), &header, sizeof header);
  std::memcpy(plain.data() + sizeof header, info.data() + tableOffset, tableBytes);

  std::size_t height = static_cast<std::size_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
  std::size_t needed = static_cast<std::size_t>(StrideOf(header.biWidth, header.biBitCount)) * height;
  if (bits.size() < needed) throw EError(kInvalidBitmap);
  return FromInfo(*reinterpret_cast<const BITMAPINFO*>(plain.data()), bits.data(), needed);
}

TBitmap TBitmap::FromBmpFile(std::span<const std::uint8_t> file) {
  BITMAPFILEHEADER fileHeader;
  if (file.size() < sizeof fileHeader || file[0] != 'B' || file[1] != 'M') throw EError(kInvalidBitmap);
  std::memcpy(&fileHeader, file.data(), sizeof fileHeader);
  if (fileHeader.bfOffBits > file.size() || fileHeader.bfOffBits < sizeof fileHeader)
    throw EError(kInvalidBitmap);
  return FromDib(file.subspan(sizeof fileHeader, fileHeader.bfOffBits - sizeof fileHeader),
                 file.subspan(fileHeader.bfOffBits));
}

TBitmap TBitmap::FromPackedDib(std::span<const std::uint8_t> dib) {
  BITMAPINFOHEADER header;
  if (dib.size() < sizeof header) throw EError(kInvalidBitmap);
  std::memcpy(&header, dib.data(), sizeof header);
  if (header.biSize > dib.size() || header.biClrUsed > 256) throw EError(kInvalidBitmap);
  // The pixels follow the header, the masks (unless a V4/V5 header holds
  // them) and the colour table, which deeper bitmaps may carry as a hint.
  std::size_t headerBytes = header.biSize + ColourTableEntries(header) * sizeof(RGBQUAD);
  if (header.biCompression == BI_BITFIELDS && header.biSize > sizeof(BITMAPINFOHEADER))
    headerBytes = header.biSize;
  if (header.biBitCount > 8) headerBytes += header.biClrUsed * sizeof(RGBQUAD);
  if (headerBytes > dib.size()) throw EError(kInvalidBitmap);
  return FromDib(dib.first(headerBytes), dib.subspan(headerBytes));
}

TBitmap TBitmap::Clone() const {
  if (Empty()) return {};
  DIBSECTION section{};
  GetObjectW(bitmap_.get(), sizeof section, &section);
  std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  section.dsBmih.biHeight = bottomUp_ ? height_ : -height_;
  std::memcpy(info.data(), &section.dsBmih, sizeof(BITMAPINFOHEADER));
  if (bitsPerPixel_ <= 8) {
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), bitmap_.get());
    GetDIBColorTable(dc.get(), 0, 256, reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER)));
  } else if (section.dsBmih.biCompression == BI_BITFIELDS) {
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), section.dsBitfields, sizeof section.dsBitfields);
  }
  return FromInfo(*reinterpret_cast<const BITMAPINFO*>(info.data()), bits_,
                  static_cast<std::size_t>(stride_) * height_);
}

void TBitmap::SetPixelFormat24() {
  if (Empty() || bitsPerPixel_ == 24) return;
  TBitmap converted(width_, height_);
  {
    // Both bitmaps must be deselected again before the old one is deleted.
    UniqueMemoryDc source(CreateCompatibleDC(nullptr));
    UniqueMemoryDc target(CreateCompatibleDC(nullptr));
    SelectGuard selectSource(source.get(), bitmap_.get());
    SelectGuard selectTarget(target.get(), converted.Handle());
    BitBlt(target.get(), 0, 0, width_, height_, source.get(), 0, 0, SRCCOPY);
    GdiFlush();
  }
  *this = std::move(converted);
}

const std::uint8_t* TBitmap::ScanLine(int row) const {
  int stored = bottomUp_ ? height_ - 1 - row : row;
  return bits_ + static_cast<std::size_t>(stored) * stride_;
}

std::uint8_t* TBitmap::ScanLine(int row) {
  return const_cast<std::uint8_t*>(static_cast<const TBitmap&>(*this).ScanLine(row));
}

// ---------------------------------------------------------------------------
// JPEG decoding. libjpeg reports errors through a callback that must not
// return; it jumps back to the setjmp of the function that made the call.
// Those functions hold no objects with destructors, so the jump skips none.

namespace {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  // The decoder's row when the data first ran out, or -1: libjpeg only warns
  // then and goes on with grey, so a stream that holds no pixels at all would
  // pass for a picture.
  long rowWhenDataEnded;
  const jpeg_decompress_struct* info;
};

extern "C" void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  error->manager.format_message(info, error->message);
  std::longjmp(error->jump, 1);
}

// Each scan of a progressive (or otherwise multi-scan) stream is one more
// pass over all of the picture's coefficients, however few bytes it holds:
// a cache file of a normal size that repeats one small scan thousands of
// times keeps the decoder busy for seconds. libjpeg calls its progress
// monitor between the rows it takes in, so the count is checked long before
// that; past the limit the stream is refused like any broken one.
extern "C" void OnJpegProgress(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number <= kMaxJpegScans) return;
  auto* error = reinterpret_cast<JpegError*>(info->err);
  std::snprintf(error->message, sizeof error->message, "mehr als %d Scans", kMaxJpegScans);
  std::longjmp(error->jump, 1);
}

// Warnings are shown nowhere; the one that matters is the data running out.
extern "C" void OnJpegMessage(j_common_ptr info, int level) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  if (level >= 0 || error->rowWhenDataEnded >= 0) return;
  int code = error->manager.msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
    error->rowWhenDataEnded = static_cast<long>(error->info->output_scanline);
}

bool StartDecoding(jpeg_decompress_struct* info, JpegError* error, const std::uint8_t* data,
                   unsigned long size) {
  if (setjmp(error->jump)) return false;
  jpeg_mem_src(info, data, size);
  jpeg_read_header(info, TRUE);
  // Refused before any pixel memory exists: a forged header can claim
  // gigapixels, and decoding it would take many seconds and gigabytes.
  if (static_cast<unsigned long long>(info->image_width) * info->image_height > kMaxJpegPixels) {
    std::snprintf(error->message, sizeof error->message, "Bild zu groß (%u x %u Pixel)", info->image_width,
                  info->image_height);
    return false;
  }
  // The byte order of a 32-bit DIB row. Backgrounds are copied to the screen
  // whole, and under Wine a 32-bit source gets there far faster than a
  // 24-bit one (the stage's first paint at 1920 x 1080: 14 ms against 22).
  info->out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(info);
  return true;
}

bool ReadHeader(jpeg_decompress_struct* info, JpegError* error, FILE* file) {
  if (setjmp(error->jump)) return false;
  jpeg_stdio_src(info, file);
  jpeg_read_header(info, TRUE);
  return true;
}

bool ReadRows(jpeg_decompress_struct* info, JpegError* error, TBitmap* target, DecodePace pace) {
  // About a millisecond of decoding at screen width.
  constexpr JDIMENSION kRowsPerBand = 16;
  if (setjmp(error->jump)) return false;
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = target->ScanLine(static_cast<int>(info->output_scanline));
    jpeg_read_scanlines(info, &row, 1);
    if (pace == DecodePace::Yielding && info->output_scanline % kRowsPerBand == 0) Sleep(0);
  }
  jpeg_finish_decompress(info);
  return true;
}

class Decompressor {
 public:
  Decompressor() {
    info_.err = jpeg_std_error(&error_.manager);
    error_.manager.error_exit = OnJpegError;
    error_.manager.emit_message = OnJpegMessage;
    error_.message[0] = '\0';
    error_.rowWhenDataEnded = -1;
    error_.info = &info_;
    jpeg_create_decompress(&info_);
    progress_.progress_monitor = OnJpegProgress;
    info_.progress = &progress_;
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  ~Decompressor() { jpeg_destroy_decompress(&info_); }

  jpeg_decompress_struct* Info() { return &info_; }
  JpegError* Error() { return &error_; }
  [[noreturn]] void Throw() const { throw EError(std::string("JPEG-Fehler: ") + error_.message); }

 private:
  jpeg_decompress_struct info_{};
  JpegError error_{};
  jpeg_progress_mgr progress_{};
};

}  // namespace

TBitmap DecodeJpeg(std::span<const std::uint8_t> stream, DecodePace pace) {
  Decompressor decoder;
  if (!StartDecoding(decoder.Info(), decoder.Error(), stream.data(),
                     static_cast<unsigned long>(stream.size())))
    decoder.Throw();
  TBitmap bitmap(static_cast<int>(decoder.Info()->output_width),
                 static_cast<int>(decoder.Info()->output_height), 32);
  if (!ReadRows(decoder.Info(), decoder.Error(), &bitmap, pace)) decoder.Throw();
  // Data that ends inside the scans still shows the rows it holds.
  if (decoder.Error()->rowWhenDataEnded == 0) throw EError("JPEG-Fehler: keine Bilddaten");
  return bitmap;
}

void SettleJpegThreads() {
  jsimd_can_rgb_ycc();
}

std::optional<SIZE> ReadJpegFileSize(const std::string& path) {
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  return ReadJpegFileSize(file.get());
}

std::optional<SIZE> ReadJpegFileSize(std::FILE* file) {
  Decompressor decoder;
  if (!ReadHeader(decoder.Info(), decoder.Error(), file)) return std::nullopt;
  return SIZE{static_cast<LONG>(decoder.Info()->image_width),
              static_cast<LONG>(decoder.Info()->image_height)};
}

// ---------------------------------------------------------------------------

std::span<const std::uint8_t> ResourceBytes(const std::string& name, LPCWSTR type) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceA(module, name.c_str(), reinterpret_cast<LPCSTR>(type));
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) throw EError(Format("Ressource %s nicht gefunden", name));
  return {static_cast<const std::uint8_t*>(data), SizeofResource(module, resource)};
}

TPicture TPicture::FromResource(const std::string& name) {
  auto data = ResourceBytes(name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!IsJpeg(data)) return FromData(data);
  TPicture picture;
  picture.jpeg_ = std::make_shared<const std::vector<std::uint8_t>>(data.begin(), data.end());
  picture.format_ = Format::Jpeg;
  return picture;
}

const TBitmap& TPicture::Decoded() const {
  if (format_ == Format::Jpeg && bitmap_.Empty()) bitmap_ = DecodeJpeg(JpegStream());
  return bitmap_;
}

TPicture TPicture::FromData(std::span<const std::uint8_t> data, DecodePace pace) {
  TPicture picture;
  if (IsJpeg(data)) {
    picture.jpeg_ = std::make_shared<const std::vector<std::uint8_t>>(data.begin(), data.end());
    picture.bitmap_ = DecodeJpeg(data, pace);
    picture.format_ = Format::Jpeg;
  } else {
    picture.bitmap_ = TBitmap::FromBmpFile(data);
    picture.format_ = Format::Bitmap;
  }
  return picture;
}

TPicture TPicture::FromJpegFile(const std::string& path, BY_HANDLE_FILE_INFORMATION* opened, DecodePace pace) {
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) throw EError(forms::Format("Datei %s kann nicht geöffnet werden", AnsiToUtf8(path)));
  if (opened) {
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())));
    if (!GetFileInformationByHandle(handle, opened))
      throw EError(forms::Format("Datei %s kann nicht geöffnet werden", AnsiToUtf8(path)));
  }
  std::vector<std::uint8_t> data;
  std::uint8_t chunk[65536];
  while (std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get())) {
    if (data.size() + got > kMaxJpegFileBytes)
      throw EError(forms::Format("Datei %s ist zu groß", AnsiToUtf8(path)));
    data.insert(data.end(), chunk, chunk + got);
  }
  // Closed before the decode: a handle held open would keep a cache build
  // from moving a new file over this one.
  file.reset();
  if (!IsJpeg(data)) throw EError(forms::Format("Datei %s ist kein JPEG-Bild", AnsiToUtf8(path)));
  return FromData(data, pace);
}

void TPicture::Assign(const TPicture& other) {
  format_ = other.format_;
  jpeg_ = other.jpeg_;  // the stream never changes, so copies share it
  // The source keeps what it decodes, so the next copy of it only clones.
  bitmap_ = other.Decoded().Clone();
}

std::span<const std::uint8_t> TPicture::JpegStream() const {
  if (!jpeg_) return {};
  return {jpeg_->data(), jpeg_->size()};
}

void TPicture::Draw(HDC dc, int left, int top) const {
  if (Empty()) return;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectGuard select(memory.get(), Decoded().Handle());
  BitBlt(dc, left, top, Width(), Height(), memory.get(), 0, 0, SRCCOPY);
}

void TPicture::DrawFilled(HDC dc, const RECT& area, COLORREF fill) const {
  Draw(dc, area.left, area.top);
  UniqueHbrush brush(CreateSolidBrush(fill));
  RECT right{std::min<LONG>(area.left + Width(), area.right), area.top, area.right, area.bottom};
  RECT below{area.left, std::min<LONG>(area.top + Height(), area.bottom), right.left, area.bottom};
  FillRect(dc, &right, brush.get());
  FillRect(dc, &below, brush.get());
}

void TPicture::StretchDraw(HDC dc, const RECT& target) const {
  if (Empty()) return;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectGuard select(memory.get(), Decoded().Handle());
  POINT origin;
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, &origin);
  StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
             memory.get(), 0, 0, Width(), Height(), SRCCOPY);
  SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
}

}  // namespace forms
