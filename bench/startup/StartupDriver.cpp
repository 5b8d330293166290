// Start-up as a user sees it: from the moment the process is created until the
// screen shows what the program is meant to paint there.
//   bench_startup DIRECTORY EXPECTED PROGRAM [ARGUMENT...]
// starts PROGRAM in DIRECTORY and reports the milliseconds until EXPECTED is
// on screen, then ends the process. EXPECTED is
//   a JPEG file   that picture, unscaled from the top-left corner (the stage);
//   RRGGBB        the whole screen in that colour (the bare window);
//   exit          nothing: the time until the process has ended.
//
// "Painted" is read back from the screen device context, which under Wine is
// the X server's framebuffer: what counts is what reached the screen, not what
// the program believes it drew. The samples are the points of a 32 x 24 grid
// over the expected picture that are not dark (dark ones would match a blank
// screen too), thinned out evenly to a fixed number; the picture counts as shown once three quarters of them
// match within a small tolerance, since a craft window may stand over part of the stage and two libjpeg
// decoders may differ by a level or two. Before the start the driver waits until the screen does NOT show it,
// so a picture left over from an earlier round can never end the timing early.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gd.h>

#include "bench/common/Timing.h"

namespace {

constexpr int kColumns = 32;
constexpr int kRows = 24;
// Each screen pixel read is a round trip to the X server, about 0.05 ms here:
// with this many points at most a poll takes about a millisecond, and both
// programs are polled equally often.
constexpr std::size_t kMaxSamples = 48;
constexpr std::size_t kMinSamples = 24;
constexpr int kTolerance = 16;
constexpr int kDarkLimit = 48;
constexpr DWORD kDeadlineMs = 60000;

struct Sample {
  int x, y;
  COLORREF colour;
};

bool Dark(COLORREF colour) {
  return GetRValue(colour) < kDarkLimit && GetGValue(colour) < kDarkLimit && GetBValue(colour) < kDarkLimit;
}

// The grid over a width x height area at the top-left corner of the screen,
// coloured by `colourAt`, without its dark points.
template <class ColourAt>
std::vector<Sample> Grid(int width, int height, ColourAt colourAt) {
  width = std::min(width, GetSystemMetrics(SM_CXSCREEN));
  height = std::min(height, GetSystemMetrics(SM_CYSCREEN));
  std::vector<Sample> bright;
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column) {
      int x = (2 * column + 1) * width / (2 * kColumns);
      int y = (2 * row + 1) * height / (2 * kRows);
      COLORREF colour = colourAt(x, y);
      if (!Dark(colour)) bright.push_back({x, y, colour});
    }
  if (bright.size() < kMinSamples) bench::Fail("too few bright points to recognise the expected picture");
  std::vector<Sample> samples;
  for (std::size_t i = 0; i < kMaxSamples && i < bright.size(); ++i)
    samples.push_back(bright[i * bright.size() / std::min(kMaxSamples, bright.size())]);
  return samples;
}

std::vector<Sample> PictureSamples(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) bench::Fail("cannot read", path);
  gdImagePtr picture = gdImageCreateFromJpeg(file);
  std::fclose(file);
  if (!picture) bench::Fail("cannot decode", path);
  auto samples = Grid(gdImageSX(picture), gdImageSY(picture), [picture](int x, int y) {
    int pixel = gdImageTrueColorPixel(picture, x, y);
    return RGB(gdTrueColorGetRed(pixel), gdTrueColorGetGreen(pixel), gdTrueColorGetBlue(pixel));
  });
  gdImageDestroy(picture);
  return samples;
}

std::vector<Sample> ColourSamples(const char* hex) {
  unsigned long rgb = std::strtoul(hex, nullptr, 16);
  COLORREF colour = RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
  return Grid(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
              [colour](int, int) { return colour; });
}

bool IsColour(const std::string& text) {
  return text.size() == 6 &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

bool Near(int a, int b) {
  return std::abs(a - b) <= kTolerance;
}

bool OnScreen(HDC screen, const std::vector<Sample>& samples) {
  std::size_t matching = 0;
  for (const Sample& sample : samples) {
    COLORREF seen = GetPixel(screen, sample.x, sample.y);
    if (Near(GetRValue(seen), GetRValue(sample.colour)) && Near(GetGValue(seen), GetGValue(sample.colour)) &&
        Near(GetBValue(seen), GetBValue(sample.colour)))
      ++matching;
  }
  return 4 * matching >= 3 * samples.size();
}

bool WaitUntil(DWORD milliseconds, auto condition) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(1);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) bench::Fail("usage: bench_startup DIRECTORY EXPECTED PROGRAM [ARGUMENT...]");
  const char* directory = argv[1];
  const std::string expected = argv[2];
  const bool untilExit = expected == "exit";
  std::vector<Sample> samples;
  if (!untilExit) samples = IsColour(expected) ? ColourSamples(argv[2]) : PictureSamples(argv[2]);

  std::string commandLine = std::string("\"") + argv[3] + "\"";
  for (int i = 4; i < argc; ++i) commandLine += std::string(" ") + argv[i];

  HDC screen = GetDC(nullptr);
  if (!untilExit && !WaitUntil(10000, [&] { return !OnScreen(screen, samples); }))
    bench::Fail("the expected picture is on screen before the start");

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  bench::Stopwatch watch;
  if (!CreateProcessA(argv[3], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup,
                      &process))
    bench::Fail("cannot start", argv[3]);
  bool ended = false;
  bool shown = WaitUntil(kDeadlineMs, [&] {
    ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    return ended || (!untilExit && OnScreen(screen, samples));
  });
  double milliseconds = watch.Milliseconds();
  if (ended && !untilExit) shown = false;

  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ReleaseDC(nullptr, screen);
  if (!shown)
    bench::Fail(ended ? "the program ended before it showed the expected picture"
                      : "the expected picture never showed");
  return bench::Report(milliseconds);
}
