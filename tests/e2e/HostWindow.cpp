#include "tests/e2e/HostWindow.h"

#include <cstdint>

#include "tests/common/ScreenPixels.h"
#include "tests/common/Wait.h"

namespace e2e {
namespace {

constexpr wchar_t kClassName[] = L"PreviewHost";

void RegisterHostClass() {
  static const ATOM registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(kHostColour);  // lives as long as the class
    windowClass.lpszClassName = kClassName;
    return RegisterClassW(&windowClass);
  }();
  (void)registered;
}

// RES_PREVIEW as the program carries it, stretched to width x height with
// dropped rows and columns, as the preview stretches it on a screen of more
// than 256 colours; empty when the program holds no such picture.
std::vector<COLORREF> StretchedPreview(const std::wstring& program, int width, int height) {
  std::vector<COLORREF> pixels;
  HMODULE saver = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!saver) return pixels;
  auto picture =
      static_cast<HBITMAP>(LoadImageW(saver, L"RES_PREVIEW", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (picture) {
    BITMAP size{};
    GetObjectW(picture, sizeof size, &size);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC source = CreateCompatibleDC(nullptr);
    HDC target = CreateCompatibleDC(nullptr);
    HBITMAP frame = CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldSource = SelectObject(source, picture);
    HGDIOBJ oldTarget = SelectObject(target, frame);
    SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, 0, 0, width, height, source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    GdiFlush();
    const auto* quads = static_cast<const RGBQUAD*>(bits);
    for (int i = 0; i < width * height; ++i)
      pixels.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
    SelectObject(target, oldTarget);
    SelectObject(source, oldSource);
    DeleteObject(frame);
    DeleteDC(target);
    DeleteDC(source);
    DeleteObject(picture);
  }
  FreeLibrary(saver);
  return pixels;
}

}  // namespace

HostWindow::HostWindow(int clientWidth, int clientHeight, const std::wstring& program)
    : width_(clientWidth),
      height_(clientHeight),
      expected_(StretchedPreview(program, clientWidth, clientHeight)) {
  RegisterHostClass();
  window_ = CreateWindowExW(0, kClassName, L"host", WS_POPUP, 100, 100, clientWidth, clientHeight, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
}

HostWindow::~HostWindow() {
  if (IsWindow(window_)) DestroyWindow(window_);
}

void HostWindow::Show() {
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
  Pump();
}

void HostWindow::Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

COLORREF HostWindow::ScreenPixel(int x, int y) const {
  POINT at{x, y};
  ClientToScreen(window_, &at);
  return testing_screen::ScreenPixel(at.x, at.y);
}

bool HostWindow::SamplesShow(const std::function<COLORREF(std::size_t)>& expected) const {
  POINT origin{0, 0};
  ClientToScreen(window_, &origin);
  const std::vector<COLORREF> screen =
      testing_screen::ScreenPixels({origin.x, origin.y, origin.x + width_, origin.y + height_});
  for (int y = 3; y < height_; y += 9)
    for (int x = 3; x < width_; x += 11) {
      const std::size_t at = static_cast<std::size_t>(y) * width_ + x;
      if (screen[at] != expected(at)) return false;
    }
  return true;
}

bool HostWindow::WaitForDrawing(DWORD milliseconds) {
  if (expected_.empty()) return false;
  return testing_wait::WaitFor(
      [this] {
        Pump();
        return SamplesShow([this](std::size_t at) { return expected_[at]; });
      },
      milliseconds);
}

bool HostWindow::ShowsOnlyItsColour() {
  Pump();
  return SamplesShow([](std::size_t) { return kHostColour; });
}

std::wstring HandleWord(HWND window) {
  return std::to_wstring(static_cast<long>(reinterpret_cast<std::intptr_t>(window)));
}

}  // namespace e2e
