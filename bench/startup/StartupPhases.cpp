// Where a run's start spends its time, timed inside the process:
//   bench_startup_phases
// in the working directory and with the settings the section chose, takes a
// run's start apart: the common controls, starting the early decode of the
// cache picture, each start-up window from its layout, the settings a run
// reads, the cache check, the stage's show handler (cache check, settings and
// picture again, as a run does them, the picture from the early decode), its
// first paint, and, last, so that it leaves nothing decoded for the phases
// before, decoding the picture on its own. Prints the milliseconds of each phase, in
// that order, on one line.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "app/Program.h"
#include "backgrounds/EarlyDecode.h"
#include "backgrounds/UnitBackgrounds.h"
#include "backgrounds/UnitScreenSaver.h"
#include "bench/common/Timing.h"
#include "forms/Application.h"
#include "forms/Picture.h"
#include "settings/Settings.h"

namespace {

class Laps {
 public:
  void Lap() {
    times_.push_back(watch_.Milliseconds());
    watch_ = bench::Stopwatch();
  }
  void Print() const {
    for (double time : times_) std::printf("%.3f ", time);
    std::printf("\n");
  }

 private:
  bench::Stopwatch watch_;
  std::vector<double> times_;
};

}  // namespace

int main() {
  Laps laps;
  // The same classes the form layer asks for when it first needs them.
  INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  if (!InitCommonControlsEx(&init)) bench::Fail("InitCommonControlsEx failed");
  laps.Lap();

  // As a run starts: its first cache picture decodes while the windows are created.
  auto early = backgrounds::DecodeFirstCachePicture();
  laps.Lap();
  app::CreateStartupWindows([&](const char*) { laps.Lap(); });
  ScreenSaverBackground->SetEarlyDecode(std::move(early));

  for (const settings::Key* key : {&settings::BackgroundId, &settings::UseImageFiles, &settings::VesselIndex,
                                   &settings::Speed, &settings::PassCount})
    settings::Read(*key);
  laps.Lap();

  const bool cache = ScreenSaverBackground->AllCacheFilesPresent();
  laps.Lap();

  // The show handler runs inside Show; the activation it causes comes later,
  // through the queue, which is never served here: no craft flies.
  ScreenSaverBackground->Show();
  laps.Lap();
  UpdateWindow(ScreenSaverBackground->Handle());
  laps.Lap();

  const int id = ScreenSaverBackground->BackgroundId();
  if (cache && settings::Read(settings::UseImageFiles) != 0) {
    if (forms::TPicture::FromJpegFile(ScreenSaverBackground->CachePath(id)).Width() <= 0)
      bench::Fail("no cache picture");
  } else if (forms::TPicture::FromData(Backgrounds->imgDolphin.Picture().JpegStream()).Width() <= 0) {
    bench::Fail("no built-in picture");
  }
  laps.Lap();

  forms::Application.DestroyForms();
  laps.Print();
  return 0;
}
