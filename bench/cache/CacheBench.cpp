// The program's own picture work, timed inside the process:
//   bench_cache build           BuildImageCache in the working directory, with
//                               every start-up window in place as in a run and
//                               the five cache files removed first, so all five
//                               are built (progress window included); the stage
//                               takes its size from the primary screen.
//   bench_cache decode FILE...  the program's JPEG decoder (libjpeg straight
//                               into a DIB section) on each file.
#include <cstring>
#include <exception>

#include "app/Program.h"
#include "backgrounds/Catalogue.h"
#include "backgrounds/UnitScreenSaver.h"
#include "bench/common/Timing.h"
#include "forms/Application.h"
#include "forms/Picture.h"

namespace {

int Build() {
  app::CreateStartupWindows();
  if (!ScreenSaverBackground->CacheUsable()) bench::Fail("no cache in this working directory");
  for (int id = 0; id < backgrounds::kBackgroundCount; ++id)
    DeleteFileA(ScreenSaverBackground->CachePath(id).c_str());

  bench::Stopwatch watch;
  ScreenSaverBackground->BuildImageCache();
  double milliseconds = watch.Milliseconds();

  // At a width of 1024 the build rightly does nothing; a figure for that
  // would flatter the program.
  if (!ScreenSaverBackground->AllCacheFilesPresent()) bench::Fail("the build left the cache incomplete");
  forms::Application.DestroyForms();
  return bench::Report(milliseconds);
}

int Decode(int count, char** files) {
  bench::Stopwatch watch;
  for (int i = 0; i < count; ++i) forms::TPicture::FromJpegFile(files[i]);
  return bench::Report(watch.Milliseconds());
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 2 && std::strcmp(argv[1], "build") == 0) return Build();
    if (argc > 2 && std::strcmp(argv[1], "decode") == 0) return Decode(argc - 2, argv + 2);
  } catch (const std::exception& error) {
    bench::Fail("failed:", error.what());
  }
  bench::Fail("usage: bench_cache build | decode FILE...");
}
