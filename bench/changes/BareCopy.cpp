// The floor of a picture change: the least a program can do to put a new
// full-screen picture on the screen while a window flies.
//   bench_barecopy CHANGES
// shows a full-screen window that paints a 32-bit picture of the screen's
// size (a DIB section, as the program's decoded pictures are) with one BitBlt,
// and over it a window of the Thornax's size, moved one pixel to the right per
// step with message processing in between, as the flight at Speed 0 does; it
// reads the pointer at every step as the flight does to end on a move, and
// as the flight's own floor (bench_bareloop) does. Under Wine that read asks
// the display, so it waits for the display to have drawn what was sent
// before: the new picture lands in the change's step, as the program's does.
// Every 400 steps, as bench_coverstep's changes from the cache come, the
// full-screen window is asked, by
// a posted message as the program's N key is, to repaint with another
// picture. Prints the median over the changes of the longest step after each,
// in ms: the same span bench_coverstep times.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include "bench/common/BareWindows.h"
#include "bench/common/ChangeSteps.h"
#include "bench/common/Timing.h"

namespace {

constexpr UINT kChange = WM_APP + 1;
constexpr int kCraftWidth = 500;
constexpr int kCraftHeight = 241;
constexpr int kCraftTop = 400;

HBITMAP pictures[2] = {};
int shown = 0;
bench::ChangeSteps* steps = nullptr;
HWND stage = nullptr;

HBITMAP Picture(int width, int height, std::uint32_t tint) {
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) bench::Fail("no bitmap of the screen's size");
  auto* pixels = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[static_cast<std::size_t>(y) * width + x] =
          tint ^ static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF);
  return bitmap;
}

LRESULT CALLBACK StageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kChange:
      shown = 1 - shown;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ previous = SelectObject(memory, pictures[shown]);
      BitBlt(dc, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), memory, 0, 0, SRCCOPY);
      SelectObject(memory, previous);
      DeleteDC(memory);
      EndPaint(window, &paint);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK CraftProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED && steps->Moved(reinterpret_cast<const WINDOWPOS*>(lParam)->x))
    PostMessageW(stage, kChange, 0, 0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) bench::Fail("usage: bench_barecopy CHANGES");
  bench::ChangeSteps changes(std::atoi(argv[1]), 400);
  steps = &changes;
  SetProcessDPIAware();
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  pictures[0] = Picture(width, height, 0x00204060);
  pictures[1] = Picture(width, height, 0x00604020);

  stage = bench::BareWindow(L"BareStage", StageProc, nullptr, 0, 0, width, height);
  HWND craft = bench::BareWindow(L"BareCraft", CraftProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                                 -kCraftWidth, kCraftTop, kCraftWidth, kCraftHeight);
  ShowWindow(stage, SW_SHOW);
  ShowWindow(craft, SW_SHOW);
  bench::Pump();

  int x = -kCraftWidth;
  while (!changes.Done()) {
    POINT pointer;
    GetCursorPos(&pointer);
    SetWindowPos(craft, nullptr, x, kCraftTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    bench::Pump();
    if (++x >= width) x = -kCraftWidth;
  }
  DestroyWindow(craft);
  DestroyWindow(stage);
  for (HBITMAP picture : pictures) DeleteObject(picture);
  return bench::Report(changes.Median());
}
