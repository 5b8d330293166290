// Runs of the real screensaver seen from outside: which picture files it leaves
// in its working directory, what it stores, what it shows on the screen, and
// how it reports a cache it cannot write. Tests named *AtOtherWidth* run in the
// test script's second display, 1280 x 1024 on a desktop scaled to 144 dpi.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/JpegMarkers.h"
#include "tests/common/SettingsFile.h"
#include "tests/common/Wait.h"
#include "tests/common/WindowClass.h"
#include "tests/e2e/PictureFile.h"
#include "tests/e2e/SaverProcess.h"
#include "tests/e2e/XInput.h"

namespace {

using e2e::Quoted;
using e2e::SaverPath;
using e2e::SaverProcess;
using testing_jpeg::MarkerOffset;
using testing_settings::DeleteSettings;
using testing_settings::SettingsPathW;
using testing_wait::kExitTimeout;
using testing_wait::kReactionTimeout;
using testing_wait::kStartTimeout;
using testing_wait::WaitFor;
using testing_windows::ClassOf;
namespace fs = std::filesystem;

const wchar_t* const kCacheNames[] = {L"SarvaneShuttle_Dolphin.jpg", L"SarvaneShuttle_Asteroidenfeld.jpg",
                                      L"SarvaneShuttle_Sonne.jpg", L"SarvaneShuttle_DeepSpace.jpg",
                                      L"SarvaneShuttle_Nebel.jpg"};

std::wstring Stored(const wchar_t* key) {
  wchar_t text[64];
  GetPrivateProfileStringW(L"Settings", key, L"(none)", text, 64, SettingsPathW().c_str());
  return text;
}

void Store(const wchar_t* key, const wchar_t* value) {
  WritePrivateProfileStringW(L"Settings", key, value, SettingsPathW().c_str());
}

std::vector<unsigned char> ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<unsigned char>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct JpegFacts {
  int width = 0;
  int height = 0;
  bool quality100 = false;  // every quantisation step 1
};

// Reads the frame size and the quantisation tables from a baseline JPEG.
JpegFacts Inspect(const std::vector<unsigned char>& jpeg) {
  JpegFacts facts;
  std::size_t sof = MarkerOffset(jpeg, 0xC0);
  if (sof + 9 > jpeg.size()) return facts;
  facts.height = jpeg[sof + 5] << 8 | jpeg[sof + 6];
  facts.width = jpeg[sof + 7] << 8 | jpeg[sof + 8];
  bool allOnes = true;
  int tables = 0;
  for (std::size_t at = 2; at + 4 < jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;) {
    std::size_t length = jpeg[at + 2] << 8 | jpeg[at + 3];
    if (jpeg[at + 1] == 0xDB) {
      for (std::size_t p = at + 4; p < at + 2 + length && p < jpeg.size();) {
        bool wide = jpeg[p] >> 4;
        ++p;
        for (int i = 0; i < 64; ++i, p += wide ? 2 : 1)
          if ((wide ? (jpeg[p] << 8 | jpeg[p + 1]) : jpeg[p]) != 1) allOnes = false;
        ++tables;
      }
    }
    at += 2 + length;
  }
  facts.quality100 = tables > 0 && allOnes;
  return facts;
}

// Why the file is not a whole JPEG file (its first and last two bytes), or
// empty when it is, or is not there at all. Opened to be shared with a
// rename, so the looks never stand in the way of the program's own moves.
std::string Incomplete(const fs::path& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size{}, end{};
  end.QuadPart = -2;
  unsigned char head[2] = {}, tail[2] = {};
  DWORD got = 0, gotTail = 0;
  const bool read =
      GetFileSizeEx(file, &size) && size.QuadPart >= 4 && ReadFile(file, head, 2, &got, nullptr) &&
      SetFilePointerEx(file, end, nullptr, FILE_END) && ReadFile(file, tail, 2, &gotTail, nullptr);
  CloseHandle(file);
  if (read && got == 2 && gotTail == 2 && head[0] == 0xFF && head[1] == 0xD8 && tail[0] == 0xFF &&
      tail[1] == 0xD9)
    return {};
  return path.filename().string() + " at " + std::to_string(size.QuadPart) + " bytes";
}

// Looks at the cache names from a thread of its own, every millisecond or
// so, for as long as it lives, and keeps the first sight of a file there that is
// not whole.
class HalfWrittenWatch {
 public:
  explicit HalfWrittenWatch(std::vector<fs::path> files)
      : files_(std::move(files)), thread_([this] { Watch(); }) {}
  HalfWrittenWatch(const HalfWrittenWatch&) = delete;
  HalfWrittenWatch& operator=(const HalfWrittenWatch&) = delete;
  ~HalfWrittenWatch() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  const std::string& FirstBroken() const { return broken_; }
  int WholeSightings() const { return whole_; }

 private:
  void Watch() {
    while (!stop_)
      for (const fs::path& file : files_) {
        std::string why = Incomplete(file);
        if (!why.empty() && broken_.empty()) broken_ = why;
        if (why.empty() && fs::exists(file)) ++whole_;
        // A file held open cannot be replaced (Wine refuses the move whatever
        // the sharing): looking all the time would hold up the build.
        Sleep(1);
      }
  }

  std::vector<fs::path> files_;
  std::string broken_;
  int whole_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

BOOL CALLBACK FindProgressBar(HWND child, LPARAM found) {
  if (ClassOf(child) != PROGRESS_CLASSW) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// The position of the progress window's bar, as another process reads it.
int ProgressPosition(HWND progress) {
  HWND bar = nullptr;
  EnumChildWindows(progress, FindProgressBar, reinterpret_cast<LPARAM>(&bar));
  return bar ? static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)) : -1;
}

// The visible error report of the process: a message box.
HWND FindReport(const SaverProcess& saver) {
  for (HWND window : saver.VisibleWindows())
    if (ClassOf(window) == L"#32770") return window;
  return nullptr;
}

std::wstring ReportText(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassOf(child) == L"Static" && GetWindowTextLengthW(child) > 0) text = e2e::WindowCaption(child);
  return text;
}

// Counts sampled screen points in the rectangle that are not black.
int LitPoints(const RECT& area) {
  HDC screen = GetDC(nullptr);
  int lit = 0;
  for (int y = area.top + 8; y < area.bottom; y += 24)
    for (int x = area.left + 8; x < area.right; x += 24)
      if ((GetPixel(screen, x, y) & 0xFFFFFF) != 0) ++lit;
  ReleaseDC(nullptr, screen);
  return lit;
}

// Whether the screen shows a picture down to its bottom-right corner, waiting
// for the stage to paint it.
bool ScreenFilledToTheCorner(DWORD milliseconds) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const RECT corner{std::max(1024, width - 200), std::max(768, height - 200), width, height};
  return WaitFor([&] { return LitPoints(corner) > 0; }, milliseconds);
}

class BackgroundRun : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteSettings();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::string name = Name();
    directory_ = fs::path(temp) / (L"run-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::wstring(name.begin(), name.end()));
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override {
    fs::remove_all(directory_);
    DeleteSettings();
  }
  static std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
  fs::path CacheFile(int id) const { return directory_ / kCacheNames[id]; }
  std::vector<fs::path> CacheFiles() const {
    std::vector<fs::path> files;
    for (int id = 0; id < 5; ++id) files.push_back(CacheFile(id));
    return files;
  }
  int CacheFilesPresent() const {
    int count = 0;
    for (int id = 0; id < 5; ++id) count += fs::is_regular_file(CacheFile(id));
    return count;
  }
  // Starts a run in `directory` and waits for the stage, noting whether a
  // progress window or an error report showed on the way (both come before
  // the stage); hands the run to `check`, then closes it.
  template <class Check>
  void Run(const fs::path& directory, Check check) {
    SaverProcess saver(Quoted(SaverPath()), L"", directory.wstring());
    HWND stage = nullptr;
    progressShown_ = reportShown_ = false;
    WaitFor(
        [&] {
          for (HWND window : saver.VisibleWindows()) {
            if (e2e::WindowCaption(window) == L"ScreenSaverBackground") stage = window;
            progressShown_ = progressShown_ || e2e::WindowCaption(window) == L"ShowProgress";
            reportShown_ = reportShown_ || ClassOf(window) == L"#32770";
          }
          return stage != nullptr;
        },
        kStartTimeout);
    ASSERT_NE(stage, nullptr);
    check(saver, stage);
    PostMessageW(stage, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  }
  void Run(const fs::path& directory) {
    Run(directory, [](SaverProcess&, HWND) {});
  }

  fs::path directory_;
  bool progressShown_ = false;
  bool reportShown_ = false;
};

TEST_F(BackgroundRun, At1024By768NoCacheIsBuiltAndTheCacheIsSwitchedOff) {
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  Store(L"UseImageFiles", L"1");
  Store(L"BackgroundId", L"2");
  Run(directory_);
  EXPECT_FALSE(progressShown_);
  EXPECT_TRUE(fs::is_empty(directory_));
  EXPECT_EQ(Stored(L"UseImageFiles"), L"0");
  EXPECT_NE(Stored(L"BackgroundId"), L"(none)");
}

class BackgroundRunAtOtherWidth : public BackgroundRun {
 protected:
  void SetUp() override {
    BackgroundRun::SetUp();
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 1024) << "needs a screen that is not 1024 pixels wide";
    // No craft over the picture: these tests read the screen.
    Store(L"VesselIndex", L"9");
  }
};

TEST_F(BackgroundRunAtOtherWidth, FirstRunBuildsTheScreenSizedCacheWithProgressLaterRunsUseIt) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  {
    // Nothing under a cache name is ever less than a whole file, however
    // often it is looked at while the build writes.
    HalfWrittenWatch watch(CacheFiles());
    SaverProcess saver(Quoted(SaverPath()), L"", directory_.wstring());
    HWND progress = saver.WaitForWindow(L"ShowProgress", kStartTimeout);
    ASSERT_NE(progress, nullptr) << "the first run shows the progress window";
    RECT bounds;
    GetWindowRect(progress, &bounds);
    EXPECT_EQ(bounds.left, (GetSystemMetrics(SM_CXVIRTUALSCREEN) - (bounds.right - bounds.left)) / 2);
    EXPECT_EQ(bounds.top, (GetSystemMetrics(SM_CYVIRTUALSCREEN) - (bounds.bottom - bounds.top)) / 2);
    HWND stage = saver.WaitForWindow(L"ScreenSaverBackground", kStartTimeout);
    ASSERT_NE(stage, nullptr);
    GetWindowRect(stage, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, width) << "the stage covers the screen in real pixels";
    EXPECT_EQ(bounds.bottom - bounds.top, height);
    PostMessageW(stage, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
    watch.Stop();
    EXPECT_EQ(watch.FirstBroken(), "") << "a cache name held a file being written";
    EXPECT_GT(watch.WholeSightings(), 0) << "the watch saw the files";
  }
  EXPECT_EQ(Stored(L"UseImageFiles"), L"1");
  std::vector<fs::file_time_type> written;
  for (int id = 0; id < 5; ++id) {
    SCOPED_TRACE(id);
    JpegFacts facts = Inspect(ReadBytes(CacheFile(id)));
    EXPECT_EQ(facts.width, width);
    EXPECT_EQ(facts.height, height);
    EXPECT_TRUE(facts.quality100);
    written.push_back(fs::last_write_time(CacheFile(id)));
  }

  // Later runs show the stored id's cache file, also when the setting has
  // fallen behind it (a run at 1024 x 768 switches it off): that is put
  // right, nothing rebuilt.
  for (const auto& [setting, id] : {std::pair{L"1", 3}, std::pair{L"0", 1}}) {
    Store(L"UseImageFiles", setting);
    Store(L"BackgroundId", std::to_wstring(id).c_str());
    const e2e::PictureFile cached = e2e::DecodePictureFile(CacheFile(id).wstring());
    ASSERT_EQ(cached.width, width);
    Run(directory_, [&](SaverProcess&, HWND) {
      EXPECT_TRUE(e2e::ScreenShows(cached, kStartTimeout)) << "the stored id's picture fills the screen";
    });
    EXPECT_FALSE(progressShown_);
    EXPECT_EQ(Stored(L"UseImageFiles"), L"1");
  }
  for (int id = 0; id < 5; ++id) EXPECT_EQ(fs::last_write_time(CacheFile(id)), written[id]) << id;

  // During a run every change shows the picture its id names, brought by the
  // flight's passes or by N: the strip above the Thornax's flight is read.
  std::vector<e2e::PictureFile> cached;
  for (int id = 0; id < 5; ++id) cached.push_back(e2e::DecodePictureFile(CacheFile(id).wstring()));
  for (const auto& [key, value] :
       {std::pair{L"VesselIndex", L"3"}, {L"Speed", L"0"}, {L"PassCount", L"2"}, {L"BackgroundId", L"2"}})
    Store(key, value);
  // The picture of the id stored as shown: the two agree only when the id
  // and its picture do.
  auto shows = [&](int id, DWORD milliseconds) {
    return WaitFor(
        [&] {
          return Stored(L"BackgroundId") == std::to_wstring(id) && e2e::ScreenShows(cached[id], 0, 8, 100);
        },
        milliseconds);
  };
  Run(directory_, [&](SaverProcess& saver, HWND) {
    HWND craft = saver.WaitForWindow(L"ScreenSaverForegroundThornax", kStartTimeout);
    ASSERT_NE(craft, nullptr);
    EXPECT_TRUE(shows(2, kStartTimeout)) << "the first picture";
    EXPECT_TRUE(shows(3, 4 * kStartTimeout)) << "after two passes";
    ASSERT_TRUE(e2e::PressKey(craft, "n"));
    EXPECT_TRUE(shows(4, kReactionTimeout)) << "after N";
  });
}

// A cache left by another screen size, or a file whose header cannot be read,
// counts as missing: the run builds all five again, as a first run does.
TEST_F(BackgroundRunAtOtherWidth, CacheOfAnotherSizeOrWithoutAHeaderIsBuiltAgainAndFillsTheScreen) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  // As a 1024 x 768 desk leaves it: the built-in pictures under the cache names.
  const std::wstring pictures[] = {L"Dolphin", L"Asteroidenfeld", L"Sonne", L"DeepSpace", L"Nebel"};
  for (int id = 0; id < 5; ++id)
    fs::copy_file(fs::path(SARVANE_PICTURES_DIR) / (pictures[id] + L".jpg"), CacheFile(id));
  ASSERT_EQ(Inspect(ReadBytes(CacheFile(4))).width, 1024);
  std::vector<unsigned char> huge = ReadBytes(CacheFile(0));
  std::size_t sof = MarkerOffset(huge, 0xC0);
  huge[sof + 5] = 30000 >> 8, huge[sof + 6] = 30000 & 255;
  huge[sof + 7] = 30000 >> 8, huge[sof + 8] = 30000 & 255;
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;  // for Dolphin's file; none: as planted
  } cases[] = {
      {"the built-in 1024 x 768 pictures", {}},
      {"empty", {}},
      {"garbage", std::vector<unsigned char>(4096, 0x3C)},
      {"PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'}},
      {"header claims 30000 x 30000", huge},
  };
  Store(L"UseImageFiles", L"1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (&c != &cases[0]) WriteBytes(CacheFile(0), c.bytes);
    SaverProcess saver(Quoted(SaverPath()), L"", directory_.wstring());
    EXPECT_NE(saver.WaitForWindow(L"ShowProgress", kStartTimeout), nullptr) << "built again, with progress";
    HWND stage = saver.WaitForWindow(L"ScreenSaverBackground", kStartTimeout);
    ASSERT_NE(stage, nullptr);
    EXPECT_TRUE(ScreenFilledToTheCorner(kStartTimeout));
    PostMessageW(stage, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
    for (int id = 0; id < 5; ++id) {
      JpegFacts facts = Inspect(ReadBytes(CacheFile(id)));
      EXPECT_EQ(facts.width, width) << id;
      EXPECT_EQ(facts.height, height) << id;
    }
    EXPECT_EQ(Stored(L"UseImageFiles"), L"1");
  }
}

// A file cut short on the disk, or copied in part, counts as missing, header
// and all: the run builds it again, with the progress window, and shows it
// whole.
TEST_F(BackgroundRunAtOtherWidth, CacheFileCutShortIsBuiltAgainAndShownWhole) {
  Run(directory_);
  ASSERT_EQ(CacheFilesPresent(), 5);
  const std::vector<unsigned char> good = ReadBytes(CacheFile(0));
  std::size_t sos = MarkerOffset(good, 0xDA);
  ASSERT_LT(sos + 4, good.size());
  const std::size_t cuts[] = {sos + 2 + (good[sos + 2] << 8 | good[sos + 3]), good.size() * 2 / 3};
  Store(L"BackgroundId", L"0");
  for (std::size_t cut : cuts) {
    SCOPED_TRACE(cut == cuts[0] ? "right after the scan header" : "two thirds");
    WriteBytes(CacheFile(0), std::vector<unsigned char>(good.begin(), good.begin() + cut));
    Run(directory_, [&](SaverProcess& saver, HWND) {
      EXPECT_TRUE(e2e::ScreenShows(e2e::DecodePictureFile(CacheFile(0).wstring()), kStartTimeout))
          << "the rebuilt picture, whole";
      EXPECT_EQ(FindReport(saver), nullptr);
    });
    EXPECT_TRUE(progressShown_) << "built again, with progress";
    EXPECT_EQ(ReadBytes(CacheFile(0)).size(), good.size());
    EXPECT_EQ(Incomplete(CacheFile(0)), "");
  }
}

// A run ended in the middle of its build, as a crash, a power cut or a
// log-off ends it, leaves only whole files under the cache names; the next
// runs mend the cache and clear the temporary files no build can still need.
TEST_F(BackgroundRunAtOtherWidth, RunEndedInItsBuildLeavesNoBrokenFileAndLaterRunsMendTheCache) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  DWORD killed = 0;
  {
    SaverProcess saver(Quoted(SaverPath()), L"", directory_.wstring());
    HWND progress = saver.WaitForWindow(L"ShowProgress", kStartTimeout);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ProgressPosition(progress) >= 50; }, kStartTimeout))
        << "half the reports";
    killed = saver.Id();
    saver.Kill();
  }
  for (int id = 0; id < 5; ++id) EXPECT_EQ(Incomplete(CacheFile(id)), "") << id;

  // What other runs may have left: one of a build that may still be going on
  // (this process runs), and one of the same process but too old for that.
  const std::wstring self = std::to_wstring(GetCurrentProcessId());
  const fs::path running = fs::path(CacheFile(1)) += L"." + self + L"-1.tmp";
  const fs::path old = fs::path(CacheFile(2)) += L"." + self + L"-2.tmp";
  const std::vector<unsigned char> stranger = ReadBytes(fs::path(SARVANE_PICTURES_DIR) / L"Nebel.jpg");
  WriteBytes(running, stranger);
  WriteBytes(old, stranger);
  fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(1));

  Store(L"BackgroundId", L"3");
  Run(directory_);
  EXPECT_TRUE(progressShown_) << "the cache is built again";
  Run(directory_, [&](SaverProcess&, HWND) {
    EXPECT_TRUE(e2e::ScreenShows(e2e::DecodePictureFile(CacheFile(3).wstring()), kStartTimeout))
        << "the stored id's picture, whole";
  });
  EXPECT_FALSE(progressShown_);
  for (int id = 0; id < 5; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Incomplete(CacheFile(id)), "");
    JpegFacts facts = Inspect(ReadBytes(CacheFile(id)));
    EXPECT_EQ(facts.width, width);
    EXPECT_EQ(facts.height, height);
  }
  EXPECT_TRUE(fs::exists(running)) << "a build still running keeps its file";
  EXPECT_FALSE(fs::exists(old));
  const std::wstring ofTheKilled = L"." + std::to_wstring(killed) + L"-";
  for (const auto& entry : fs::directory_iterator(directory_))
    EXPECT_EQ(entry.path().filename().wstring().find(ofTheKilled), std::wstring::npos)
        << entry.path().filename().string();
}

TEST_F(BackgroundRunAtOtherWidth, CacheFileThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
  fs::create_directory(CacheFile(2));
  SaverProcess saver(Quoted(SaverPath()), L"", directory_.wstring());
  HWND report = nullptr;
  WaitFor([&] { return (report = FindReport(saver)) != nullptr || !saver.Running(); }, kStartTimeout);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(ReportText(report), L"Datei " + CacheFile(2).wstring() + L" kann nicht erstellt werden.");
  EXPECT_EQ(e2e::WindowCaption(report), L"Sarvaneshuttle");
  EXPECT_TRUE(e2e::Topmost(report)) << "a report below the topmost stage could not be closed";
  EXPECT_EQ(saver.WaitForWindow(L"ShowProgress", 0), nullptr) << "hidden before the report appears";
  PostMessageW(report, WM_COMMAND, IDOK, 0);

  HWND stage = saver.WaitForWindow(L"ScreenSaverBackground", kStartTimeout);
  ASSERT_NE(stage, nullptr) << "the run goes on";
  EXPECT_TRUE(fs::is_regular_file(CacheFile(0)));
  EXPECT_TRUE(fs::is_regular_file(CacheFile(1)));
  EXPECT_EQ(Stored(L"UseImageFiles"), L"(none)");
  PostMessageW(stage, WM_CLOSE, 0, 0);
  EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
}

// Paths that would not fit the platform's 259 characters get no cache at all.
TEST_F(BackgroundRunAtOtherWidth, WorkingDirectoryTooLongForTheCachePathsGetsNoCache) {
  fs::path deep = directory_;
  for (std::size_t needed = 240 - deep.wstring().size(); needed > 0;) {
    std::size_t take = std::min<std::size_t>(41, needed);  // a separator and up to 40 characters
    if (needed - take == 1) --take;
    deep /= std::wstring(take - 1, L'd');
    needed -= take;
  }
  ASSERT_EQ(deep.wstring().size(), 240u);
  fs::create_directories(deep);
  Run(deep);
  EXPECT_FALSE(progressShown_);
  EXPECT_FALSE(reportShown_);
  EXPECT_TRUE(fs::is_empty(deep));
  EXPECT_EQ(Stored(L"UseImageFiles"), L"(none)");
}

}  // namespace
