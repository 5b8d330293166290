// The flight's longest step at a picture change, timed inside the process:
//   bench_coverstep covers|nocovers|cache CHANGES
// runs the screensaver's own run with the Thornax at Speed 0 and, every
// 120 steps (400 with `cache`), posts the craft an N key, as a user
// changing the picture would, and keeps the longest step after each change
// (the change itself, and the covers' repaint when their scaled picture
// arrives). With `covers` and `nocovers` the built-in pictures show; with
// `nocovers` the stage's covers are taken away once the flight runs, so both
// contenders fly in the same display. With `cache` the cache of the working
// directory, which must be complete at the screen's size, shows, and there
// are no covers.
// Prints the median over the changes of that longest step, in ms; with
// `cache`, also the process's peak resident memory in MB.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Program.h"
#include "backgrounds/UnitScreenSaver.h"
#include "bench/common/ChangeSteps.h"
#include "bench/common/Timing.h"
#include "forms/Application.h"
#include "settings/Settings.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace {

WNDPROC original = nullptr;
bool keepCovers = true;
bench::ChangeSteps* steps = nullptr;

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) {
    if (!keepCovers && !ScreenSaverBackground->Covers().empty()) ScreenSaverBackground->CoverMonitors({});
    // Taken in this step's message processing: the next step holds the change.
    if (steps->Moved(reinterpret_cast<const WINDOWPOS*>(lParam)->x)) PostMessageW(window, WM_KEYDOWN, 'N', 0);
    if (steps->Done()) PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  }
  return CallWindowProcW(original, window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "covers" && mode != "nocovers" && mode != "cache")
    bench::Fail("usage: bench_coverstep covers|nocovers|cache CHANGES");
  const bool cache = mode == "cache";
  keepCovers = mode == "covers";
  // From the cache, the changes come 400 steps apart (about half a second at
  // Speed 0, far less than a pass takes): time for the decode ahead of a
  // 3840 x 2160 picture. N pressed faster than that waits for the decode.
  bench::ChangeSteps changes(std::atoi(argv[2]), cache ? 400 : 120);
  steps = &changes;
  settings::Write(settings::Speed, 0);
  settings::Write(settings::VesselIndex, 3);
  settings::Write(settings::PassCount, 1000);
  settings::Write(settings::UseImageFiles, cache ? 1 : 0);
  app::CreateStartupWindows();
  if (cache && !ScreenSaverBackground->AllCacheFilesPresent())
    bench::Fail("no complete cache of this screen's size here");

  HWND craft = ScreenSaverForegroundThornax->Handle();
  original =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(craft, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Watch)));
  forms::Application.Run();
  SetWindowLongPtrW(craft, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  const bool hadCovers = keepCovers && !ScreenSaverBackground->Covers().empty();
  forms::Application.DestroyForms();
  if (keepCovers && !hadCovers) bench::Fail("no monitor was covered: this needs a second monitor");
  if (!cache) return bench::Report(changes.Median());
  std::printf("%.2f %.1f\n", changes.Median(), bench::PeakMegabytes("bench_coverstep"));
  return 0;
}
