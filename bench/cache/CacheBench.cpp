// The program's own picture work, timed inside the process:
//   bench_cache build [WORKERS] BuildImageCache in the working directory, with
//                               every start-up window in place as in a run and
//                               the five cache files removed first, so all five
//                               are built (progress window included); the stage
//                               takes its size from the primary screen. With
//                               WORKERS, on that many threads. Prints the
//                               milliseconds and the process's peak resident
//                               memory in MB.
//   bench_cache decode FILE...  the program's JPEG decoder (libjpeg straight
//                               into a DIB section) on each file.
//   bench_cache show KIND       ShowBackground of Dolphin with the complete cache
//                               of the working directory in use and Dolphin's
//                               file replaced by a broken one of the kind
//                               (empty, garbage, png, noscan, huge), or left
//                               as it is (cache), or the cache off (builtin).
//   bench_cache change CHANGES  the parts of a picture change with the cache of
//                               the working directory in use and the stage on
//                               the screen, each timed on its own, once per
//                               change over the five pictures in turn: the
//                               UseImageFiles read, the presence test (with
//                               the identity of the file shown), the decode, SetPicture, a cover's copy of
//                               the picture, the BackgroundId write and the stage's repaint. Prints the
//                               median of each, in ms.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Program.h"
#include "backgrounds/CacheFiles.h"
#include "backgrounds/Catalogue.h"
#include "backgrounds/UnitScreenSaver.h"
#include "bench/common/Timing.h"
#include "bench/common/UnixProcesses.h"
#include "forms/Application.h"
#include "forms/Picture.h"
#include "settings/Settings.h"

namespace {

// The peak resident memory of this process so far, in kB. Wine keeps no such
// figure; the kernel does, for the Unix process this one runs as.
long PeakKilobytes() {
  auto self = bench::FindUnixProcesses([](const std::string&, const std::string& commandLine) {
    return commandLine.find("bench_cache") != std::string::npos &&
           commandLine.find(" build") != std::string::npos;
  });
  if (self.size() != 1) bench::Fail("cannot tell this process in /proc");
  long peak = bench::StatusKilobytes(self.front(), "VmHWM");
  if (peak <= 0) bench::Fail("no VmHWM in /proc");
  return peak;
}

int Build(int workers) {
  app::CreateStartupWindows();
  if (!ScreenSaverBackground->CacheUsable()) bench::Fail("no cache in this working directory");
  for (int id = 0; id < backgrounds::kBackgroundCount; ++id)
    DeleteFileA(ScreenSaverBackground->CachePath(id).c_str());

  bench::Stopwatch watch;
  if (workers > 0)
    ScreenSaverBackground->BuildImageCache(workers, backgrounds::ScalePicture);
  else
    ScreenSaverBackground->BuildImageCache();
  double milliseconds = watch.Milliseconds();

  // At a width of 1024 the build rightly does nothing; a figure for that
  // would flatter the program.
  if (!ScreenSaverBackground->AllCacheFilesPresent()) bench::Fail("the build left the cache incomplete");
  forms::Application.DestroyForms();
  std::printf("%.2f %.1f\n", milliseconds, static_cast<double>(PeakKilobytes()) / 1024);
  return 0;
}

int Decode(int count, char** files) {
  bench::Stopwatch watch;
  for (int i = 0; i < count; ++i) forms::TPicture::FromJpegFile(files[i]);
  return bench::Report(watch.Milliseconds());
}

using Bytes = std::vector<unsigned char>;

Bytes ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The broken variants of a good cache file that the stage must refuse.
Bytes Broken(const std::string& kind, const Bytes& good) {
  auto marker = [&](unsigned char code) {
    for (std::size_t i = 2; i + 1 < good.size(); ++i)
      if (good[i] == 0xFF && good[i + 1] == code) return i;
    bench::Fail("no marker in the cache file");
  };
  if (kind == "empty") return {};
  if (kind == "garbage") return Bytes(good.size(), 0x3C);
  if (kind == "png") return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  if (kind == "noscan") return Bytes(good.begin(), good.begin() + static_cast<long>(marker(0xDA)));
  if (kind == "huge") {
    Bytes huge = good;
    std::size_t sof = marker(0xC0);
    for (std::size_t at : {sof + 5, sof + 7}) huge[at] = 30000 >> 8, huge[at + 1] = 30000 & 255;
    return huge;
  }
  bench::Fail("unknown kind", kind.c_str());
}

int Show(const std::string& kind) {
  app::CreateStartupWindows();
  if (!ScreenSaverBackground->AllCacheFilesPresent()) bench::Fail("no complete cache here");
  settings::Write(settings::UseImageFiles, kind == "builtin" ? 0 : 1);
  const std::string path = ScreenSaverBackground->CachePath(0);
  const Bytes good = ReadBytes(path);
  bool broken = kind != "cache" && kind != "builtin";
  if (broken) WriteBytes(path, Broken(kind, good));

  ScreenSaverBackground->SetBackgroundId(0);
  bench::Stopwatch watch;
  const forms::TPicture& shown = ScreenSaverBackground->ShowBackground(false);
  double milliseconds = watch.Milliseconds();

  if (broken) WriteBytes(path, good);
  // A broken file must leave the built-in picture, a good one the cache's.
  bool builtIn = shown.Width() == 1024;
  if (builtIn != (kind != "cache")) bench::Fail("the stage showed the wrong picture for", kind.c_str());
  forms::Application.DestroyForms();
  return bench::Report(milliseconds);
}

// The cache test of a run's start: five JPEG headers and end-of-image markers
// read and compared with the screen, against the five existence tests it
// replaced, on the same complete cache in the same process. Prints both in ms.
int Check() {
  app::CreateStartupWindows();
  if (!ScreenSaverBackground->CacheUsable()) bench::Fail("no cache paths here");
  bench::Stopwatch existence;
  bool allExist = true;
  for (int id = 0; id < backgrounds::kBackgroundCount; ++id) {
    DWORD attributes = GetFileAttributesA(ScreenSaverBackground->CachePath(id).c_str());
    allExist = allExist && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  const double existenceMs = existence.Milliseconds();
  bench::Stopwatch headers;
  const bool fits = ScreenSaverBackground->AllCacheFilesPresent();
  const double headersMs = headers.Milliseconds();
  if (!allExist || !fits) bench::Fail("no complete cache of this screen's size here");
  forms::Application.DestroyForms();
  std::printf("%.3f %.3f\n", headersMs, existenceMs);
  return 0;
}

// The parts of a change in the order ShowBackground takes them; the repaint
// is the paint the craft's message processing would give the stage next.
int Change(int changes) {
  settings::Write(settings::UseImageFiles, 1);
  app::CreateStartupWindows();
  TScreenSaverBackground& stage = *ScreenSaverBackground;
  if (!stage.AllCacheFilesPresent()) bench::Fail("no complete cache of this screen's size here");
  // Shown without the activation that would start the craft's flight.
  ShowWindow(stage.Handle(), SW_SHOWNOACTIVATE);
  forms::Application.ProcessMessages();

  constexpr int kParts = 7;
  std::vector<std::vector<double>> times(kParts);
  for (int change = 0; change < changes; ++change) {
    const int id = change % backgrounds::kBackgroundCount;
    double at[kParts + 1] = {};
    bench::Stopwatch watch;
    if (settings::Read(settings::UseImageFiles) != 1) bench::Fail("the cache is off");
    at[1] = watch.Milliseconds();
    if (!stage.AllCacheFilesPresent() || !backgrounds::IdentifyFile(stage.CachePath(id)))
      bench::Fail("the cache went missing");
    at[2] = watch.Milliseconds();
    forms::TPicture picture = backgrounds::DecodeCacheFile(stage.CachePath(id));
    at[3] = watch.Milliseconds();
    stage.imgBackground.SetPicture(std::move(picture));
    at[4] = watch.Milliseconds();
    {
      forms::TBitmap copy = stage.imgBackground.Picture().Bitmap().Clone();
      at[5] = watch.Milliseconds();
    }
    const double copied = watch.Milliseconds();
    settings::Write(settings::BackgroundId, id);
    at[6] = at[5] + watch.Milliseconds() - copied;
    const double written = watch.Milliseconds();
    UpdateWindow(stage.imgBackground.Handle());
    GdiFlush();
    at[7] = at[6] + watch.Milliseconds() - written;
    for (int part = 0; part < kParts; ++part) times[part].push_back(at[part + 1] - at[part]);
  }
  forms::Application.DestroyForms();
  for (auto& part : times) {
    std::sort(part.begin(), part.end());
    std::printf("%.3f ", part[part.size() / 2]);
  }
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "build") == 0)
      return Build(argc == 3 ? std::atoi(argv[2]) : 0);
    if (argc > 2 && std::strcmp(argv[1], "decode") == 0) return Decode(argc - 2, argv + 2);
    if (argc == 3 && std::strcmp(argv[1], "show") == 0) return Show(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "check") == 0) return Check();
    if (argc == 3 && std::strcmp(argv[1], "change") == 0) return Change(std::atoi(argv[2]));
  } catch (const std::exception& error) {
    bench::Fail("failed:", error.what());
  }
  bench::Fail("usage: bench_cache build [WORKERS] | decode FILE... | show KIND | check | change CHANGES");
}
