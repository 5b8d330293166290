// The baseline of the flight's pacing: the least a loop can do to fly a
// sprite-shaped window over a full-screen window, with no framework at all.
//   bench_bareloop SPEED STEPS SPRITE.bmp
// shows a black full-screen window and over it a 571 x 301 window painted with
// the sprite and cut to its outline (key colour from the top-left pixel), and
// moves it one pixel to the right per step, climbing one pixel every fourth
// step: read the pointer, one or two moves, SPEED times Sleep(1) with message
// processing, message processing. Prints what bench_flight prints, with no
// allocation count (0).
#include <windows.h>

#include <mmsystem.h>

#include <cstdlib>
#include <vector>

#include "bench/common/BareWindows.h"
#include "bench/flight/StepTimes.h"

namespace {

constexpr int kWarmUpSteps = 30;
constexpr int kWidth = 571;
constexpr int kHeight = 301;
constexpr int kEntryLeft = -513;

HBITMAP sprite = nullptr;

LRESULT CALLBACK SpriteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, sprite);
    BitBlt(dc, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The bitmap's rectangle less every run of the top-left pixel's colour.
HRGN SpriteRegion(HBITMAP bitmap) {
  BITMAP info;
  GetObjectW(bitmap, sizeof info, &info);
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> pixels(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  HRGN region = CreateRectRgn(0, 0, info.bmWidth, info.bmHeight);
  const DWORD key = pixels[0];
  for (int y = 0; y < info.bmHeight; ++y) {
    const DWORD* row = pixels.data() + static_cast<std::size_t>(y) * info.bmWidth;
    for (int x = 0; x < info.bmWidth;) {
      if (row[x] != key) {
        ++x;
        continue;
      }
      int start = x;
      while (x < info.bmWidth && row[x] == key) ++x;
      HRGN run = CreateRectRgn(start, y, x, y + 1);
      CombineRgn(region, region, run, RGN_DIFF);
      DeleteObject(run);
    }
  }
  return region;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) bench::Fail("usage: bench_bareloop SPEED STEPS SPRITE.bmp");
  const int speed = std::atoi(argv[1]);
  const int steps = std::atoi(argv[2]);
  sprite = static_cast<HBITMAP>(
      LoadImageA(nullptr, argv[3], IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!sprite) bench::Fail("cannot load", argv[3]);
  SetProcessDPIAware();

  HWND stage =
      bench::BareWindow(L"BareStage", DefWindowProcW, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  HWND craft = bench::BareWindow(L"BareCraft", SpriteProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                                 kEntryLeft, bench::kEntryTop, kWidth, kHeight);
  SetWindowRgn(craft, SpriteRegion(sprite), TRUE);
  ShowWindow(stage, SW_SHOW);
  ShowWindow(craft, SW_SHOW);
  bench::Pump();

  timeBeginPeriod(1);
  bench::StepTimes times(kWarmUpSteps, steps);
  POINT start;
  GetCursorPos(&start);
  int x = kEntryLeft, y = bench::kEntryTop, top = bench::kEntryTop;
  while (!times.Step()) {
    POINT pointer;
    if (GetCursorPos(&pointer) && (pointer.x != start.x || pointer.y != start.y))
      bench::Fail("the pointer moved");
    SetWindowPos(craft, nullptr, x, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (x % 4 == 0) {
      top = y--;
      SetWindowPos(craft, nullptr, x, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (int i = 0; i < speed; ++i) {
      Sleep(1);
      bench::Pump();
    }
    bench::Pump();
    if (++x >= GetSystemMetrics(SM_CXSCREEN) || y <= -kHeight) {
      x = kEntryLeft;
      y = top = bench::kEntryTop;
      times.Restart();
    }
  }
  timeEndPeriod(1);
  DestroyWindow(craft);
  DestroyWindow(stage);
  DeleteObject(sprite);
  return times.Report(0);
}
