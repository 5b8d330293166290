// The background stage with its real windows, settings file and cache files:
// stepping and storing ids, the choice between cache and built-in pictures,
// broken cache files, and the cache build. Each test runs in a working
// directory of its own, since the stage builds its cache paths from it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <tlhelp32.h>

#include <gd.h>

#include "app/Program.h"
#include "backgrounds/Catalogue.h"
#include "backgrounds/EarlyDecode.h"
#include "backgrounds/PictureScaler.h"
#include "backgrounds/ScalingCache.h"
#include "backgrounds/UnitBackgrounds.h"
#include "backgrounds/UnitScreenSaver.h"
#include "dialogs/UnitShowProgress.h"
#include "forms/Application.h"
#include "forms/Handles.h"
#include "forms/Text.h"
#include "settings/Settings.h"
#include "tests/common/JpegMarkers.h"
#include "tests/common/ScreenPixels.h"
#include "tests/common/SettingsFile.h"
#include "tests/common/Wait.h"

namespace {

using backgrounds::CachePathsFor;
using forms::Application;
using testing_jpeg::MarkerOffset;
using testing_screen::ScreenPixel;
using testing_settings::DeleteSettings;
namespace fs = std::filesystem;

const wchar_t kCacheMessage[] =
    L"Bildschirmschoner wird zum ersten Mal gestartet, Hintergrundbilder werden skaliert und gecache't!";

// The stored text of a key, or "(none)" when the key is missing.
std::string StoredText(const char* key) {
  char text[64];
  GetPrivateProfileStringA(settings::kSection, key, "(none)", text, sizeof text, settings::kFileName);
  return text;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

const COLORREF kQuadrants[] = {RGB(200, 40, 40), RGB(40, 200, 40), RGB(40, 40, 200), RGB(220, 220, 220)};

// A JPEG of the given size with a gradient, so its scan data is not trivially short.
std::vector<std::uint8_t> MakeJpeg(int width, int height, int hue) {
  gdImagePtr image = gdImageCreateTrueColor(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      gdImageSetPixel(image, x, y, gdTrueColor((x * 7 + hue) & 255, (y * 5) & 255, (x ^ y) & 255));
  int size = 0;
  void* data = gdImageJpegPtr(image, &size, 90);
  std::vector<std::uint8_t> bytes(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  gdFree(data);
  gdImageDestroy(image);
  return bytes;
}

// Whether two pictures hold the same pixels in their first row.
bool SameFirstRow(const forms::TPicture& a, const forms::TPicture& b) {
  const int rowBytes = a.Bitmap().BitsPerPixel() / 8 * a.Width();
  return a.Width() == b.Width() && a.Bitmap().BitsPerPixel() == b.Bitmap().BitsPerPixel() &&
         std::equal(a.Bitmap().ScanLine(0), a.Bitmap().ScanLine(0) + rowBytes, b.Bitmap().ScanLine(0));
}

// The same stream grown to `size` bytes with comment segments after its start
// marker, which every decoder skips.
std::vector<std::uint8_t> PaddedTo(std::vector<std::uint8_t> jpeg, std::size_t size) {
  while (jpeg.size() < size) {
    const std::size_t data = std::min<std::size_t>(65533, std::max<std::size_t>(size - jpeg.size(), 4) - 4);
    std::vector<std::uint8_t> segment = {0xFF, 0xFE, static_cast<std::uint8_t>((data + 2) >> 8),
                                         static_cast<std::uint8_t>((data + 2) & 255)};
    segment.resize(4 + data, 'x');
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  }
  return jpeg;
}

// Puts a new file under the name, as a cache build does: a file of its own.
void ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  WriteBytes(path + ".new", bytes);
  ASSERT_TRUE(MoveFileExA((path + ".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

int JpegWidth(const std::string& path) {
  return forms::TPicture::FromJpegFile(path).Width();
}

class BackgroundStage : public ::testing::Test {
 protected:
  void SetUp() override {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    previous_ = previous;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    directory_ = std::string(temp) + "stage-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(directory_);
    fs::create_directories(directory_);
    SetCurrentDirectoryA(directory_.c_str());
    DeleteSettings();
    Application.SetTerminated(false);
    Application.SetErrorSink(
        [this](const std::string& text, const std::string&) { reports.push_back(text); });
  }
  void TearDown() override {
    Application.DestroyForms();
    Application.SetErrorSink(nullptr);
    SetCurrentDirectoryA(previous_.c_str());
    fs::remove_all(directory_);
    DeleteSettings();
  }

  // The start-up windows, created at first use: the stage reads BackgroundId
  // and the working directory in its constructor.
  TScreenSaverBackground& Stage() {
    if (!created_) app::CreateStartupWindows();
    created_ = true;
    return *ScreenSaverBackground;
  }
  void Restart() {
    Application.DestroyForms();
    created_ = false;
  }
  std::string Path(int id) const { return directory_ + std::string(backgrounds::kCacheFileNames[id]); }
  void WriteCache(int width, int height) {
    for (int id = 0; id < backgrounds::kBackgroundCount; ++id)
      WriteBytes(Path(id), MakeJpeg(width, height, id * 40));
  }
  // The files a build leaves beside the cache files: none, once it is over.
  int TemporaryFiles() const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(directory_)) count += entry.path().extension() == ".tmp";
    return count;
  }
  // A cache of this screen's size: the only one the stage takes.
  void WriteScreenCache() { WriteCache(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)); }
  static const forms::TPicture& BuiltIn(int id) {
    const forms::TImage* holders[] = {&Backgrounds->imgDolphin, &Backgrounds->imgAsteroidenfeld,
                                      &Backgrounds->imgSonne, &Backgrounds->imgDeepSpace,
                                      &Backgrounds->imgNebel};
    return holders[id]->Picture();
  }
  // A run's decode ahead starts from the message processing after the change
  // that asks for it, never inside it: waits until it has started and ended.
  void FinishDecodeAhead() {
    ASSERT_EQ(Stage().DecodingAhead(), nullptr) << "decoding ahead inside the change";
    ASSERT_TRUE(testing_wait::WaitFor(
        [&] {
          Application.ProcessMessages();
          return Stage().DecodingAhead() != nullptr;
        },
        testing_wait::kReactionTimeout, 5))
        << "nothing decoded ahead";
    Stage().DecodingAhead()->Join();
  }
  // Which built-in picture the stage shows: the stream is shared with the holder's.
  static int ShownBuiltIn() {
    auto shown = ScreenSaverBackground->imgBackground.Picture().JpegStream().data();
    for (int id = 0; id < 5; ++id)
      if (BuiltIn(id).JpegStream().data() == shown) return id;
    return -1;
  }

  bool created_ = false;
  std::string previous_;
  std::string directory_;
  std::vector<std::string> reports;
};

TEST(BackgroundCatalogue, OutOfRangeIdsLookUpAsDolphinAndStepToZero) {
  struct Case {
    int id, index, next;
  } cases[] = {{0, 0, 1}, {1, 1, 2},  {3, 3, 4},       {4, 4, 0},      {5, 0, 0},
               {7, 0, 0}, {-1, 0, 0}, {INT_MIN, 0, 0}, {INT_MAX, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(backgrounds::CatalogueIndex(c.id), c.index) << c.id;
    EXPECT_EQ(backgrounds::NextBackgroundId(c.id), c.next) << c.id;
  }
}

TEST(BackgroundCatalogue, OnlyA1024By768ScreenShowsTheBuiltInPicturesAsTheyAre) {
  EXPECT_TRUE(backgrounds::UsesBuiltInPictures(1024, 768));
  for (SIZE other : {SIZE{1024, 600}, SIZE{1024, 1280}, SIZE{768, 1024}, SIZE{1280, 768}, SIZE{1280, 1024}})
    EXPECT_FALSE(backgrounds::UsesBuiltInPictures(other.cx, other.cy)) << other.cx << " x " << other.cy;
}

TEST(BackgroundCatalogue, CachePathsUseTheDirectoryAsItIsAndRefuseToBeCut) {
  auto daten = CachePathsFor("C:\\Daten");
  ASSERT_TRUE(daten);
  EXPECT_EQ((*daten)[4], "C:\\Daten\\SarvaneShuttle_Nebel.jpg");
  EXPECT_EQ((*daten)[0], "C:\\Daten\\SarvaneShuttle_Dolphin.jpg");

  auto root = CachePathsFor("C:\\");
  ASSERT_TRUE(root);
  for (const auto& path : *root) EXPECT_EQ(path.rfind("C:\\\\SarvaneShuttle_", 0), 0u) << path;

  // The longest name is Asteroidenfeld's (34 characters with its backslash).
  std::string fits(259 - 34, 'd');
  ASSERT_TRUE(CachePathsFor(fits));
  EXPECT_EQ((*CachePathsFor(fits))[1].size(), 259u);
  EXPECT_FALSE(CachePathsFor(fits + "d"));
  EXPECT_FALSE(CachePathsFor("C:\\" + std::string(237, 'x')));  // a 240-character directory
}

TEST_F(BackgroundStage, CachePathsAreBuiltOnceFromTheWorkingDirectory) {
  Stage();
  EXPECT_EQ(Stage().CachePath(2), Path(2));
  EXPECT_EQ(Stage().CachePath(7), Path(0));
  EXPECT_EQ(Stage().CachePath(-1), Path(0));
  SetCurrentDirectoryA(previous_.c_str());
  EXPECT_EQ(Stage().CachePath(4), Path(4)) << "a later change of directory must not move the cache";
}

TEST_F(BackgroundStage, StepsFromTheStoredIdAndStoresTheIdJustShown) {
  settings::Write(settings::BackgroundId, 3);
  const int expected[] = {3, 4, 0, 1, 2, 3};
  for (int shown : expected) {
    Stage().ShowBackground(true);
    EXPECT_EQ(ShownBuiltIn(), shown);
    EXPECT_EQ(StoredText("BackgroundId"), std::to_string(shown));
  }
}

TEST_F(BackgroundStage, OutOfRangeIdShowsDolphinIsStoredUnchangedAndStepsToZero) {
  for (int stored : {7, -1, 5}) {
    SCOPED_TRACE(stored);
    Restart();
    settings::Write(settings::BackgroundId, stored);
    const forms::TPicture& picture = Stage().ShowBackground(true);
    EXPECT_EQ(&picture, &Stage().imgBackground.Picture());
    EXPECT_EQ(ShownBuiltIn(), 0);
    EXPECT_EQ(StoredText("BackgroundId"), std::to_string(stored));
    Stage().ShowBackground(true);
    EXPECT_EQ(ShownBuiltIn(), 0);
    EXPECT_EQ(StoredText("BackgroundId"), "0");
    EXPECT_EQ(Stage().BackgroundId(), 1);
  }
}

TEST_F(BackgroundStage, ShowingWithoutAdvanceKeepsTheIdAndSetBackgroundIdStoresNothing) {
  settings::Write(settings::BackgroundId, 2);
  Stage().ShowBackground(false);
  Stage().ShowBackground(false);
  EXPECT_EQ(ShownBuiltIn(), 2);
  EXPECT_EQ(Stage().BackgroundId(), 2);
  Stage().SetBackgroundId(4);
  EXPECT_EQ(StoredText("BackgroundId"), "2");
  EXPECT_EQ(ShownBuiltIn(), 2);
}

TEST_F(BackgroundStage, CacheCountsAsPresentOnlyWithFiveRegularFilesOfTheScreensSize) {
  WriteScreenCache();
  EXPECT_TRUE(Stage().AllCacheFilesPresent());
  const std::vector<std::uint8_t> fitting = ReadBytes(Path(3));
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } stale[] = {
      {"another screen's size", MakeJpeg(32, 24, 0)},
      {"one row short", MakeJpeg(width, height - 1, 0)},
      {"one column more", MakeJpeg(width + 1, height, 0)},
      {"no readable header", std::vector<std::uint8_t>(fitting.begin() + 2, fitting.end())},
  };
  for (const auto& c : stale) {
    WriteBytes(Path(3), c.bytes);
    EXPECT_FALSE(Stage().AllCacheFilesPresent()) << c.what;
  }
  WriteBytes(Path(3), fitting);
  EXPECT_TRUE(Stage().AllCacheFilesPresent());
  for (int missing = 0; missing < 5; ++missing) {
    std::string aside = Path(missing) + ".aside";
    MoveFileA(Path(missing).c_str(), aside.c_str());
    EXPECT_FALSE(Stage().AllCacheFilesPresent()) << "missing " << missing;
    CreateDirectoryA(Path(missing).c_str(), nullptr);
    EXPECT_FALSE(Stage().AllCacheFilesPresent()) << "directory in place of " << missing;
    RemoveDirectoryA(Path(missing).c_str());
    MoveFileA(aside.c_str(), Path(missing).c_str());
  }
  EXPECT_TRUE(Stage().AllCacheFilesPresent());
}

TEST_F(BackgroundStage, CachePicturesOnlyWhileInUseAndCompleteDecidedAnewEachCall) {
  WriteScreenCache();
  settings::Write(settings::UseImageFiles, 1);
  Stage().ShowBackground(true);
  EXPECT_EQ(ShownBuiltIn(), -1) << "the cache file is shown";

  settings::Write(settings::UseImageFiles, 0);
  Stage().ShowBackground(true);
  EXPECT_EQ(ShownBuiltIn(), 1);

  settings::Write(settings::UseImageFiles, 1);
  WriteBytes(Path(4), MakeJpeg(48, 36, 0));
  for (int id = 2; id <= 6; ++id) {
    Stage().ShowBackground(true);
    EXPECT_EQ(ShownBuiltIn(), id % 5) << "one file of another size makes every id use the built-in pictures";
  }
}

TEST_F(BackgroundStage, BrokenCacheFileFallsBackToTheBuiltInPictureSilently) {
  WriteScreenCache();
  settings::Write(settings::UseImageFiles, 1);
  const std::vector<std::uint8_t> good = ReadBytes(Path(0));

  std::vector<std::uint8_t> huge = good;
  std::size_t sof = MarkerOffset(huge, 0xC0);
  ASSERT_LT(sof, huge.size());
  huge[sof + 5] = 30000 >> 8, huge[sof + 6] = 30000 & 255;  // height
  huge[sof + 7] = 30000 >> 8, huge[sof + 8] = 30000 & 255;  // width
  const std::size_t sos = MarkerOffset(good, 0xDA);
  std::vector<std::uint8_t> noScan(good.begin(), good.begin() + sos);
  // The frame header reads (the file counts as present); no row decodes.
  std::vector<std::uint8_t> noScanData(good.begin(),
                                       good.begin() + sos + 2 + (good[sos + 2] << 8 | good[sos + 3]));
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                   0,    0,   0,   13,  'I',  'H',  'D',  'R'};

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"garbage", std::vector<std::uint8_t>(5000, 0x5A)},
      {"PNG", png},
      {"ends before its scan", noScan},
      {"ends right after the scan header", noScanData},
      {"header claims 30000 x 30000", huge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(Path(0), c.bytes);
    Stage().SetBackgroundId(0);
    Stage().ShowBackground(false);
    EXPECT_EQ(ShownBuiltIn(), 0);
  }
  EXPECT_TRUE(reports.empty()) << reports.front();
  // Refused from its header, before any pixel memory: decoding it would take seconds.
  try {
    forms::DecodeJpeg(huge);
    ADD_FAILURE() << "decoded";
  } catch (const forms::EError& error) {
    EXPECT_NE(std::string(error.what()).find("zu groß (30000 x 30000"), std::string::npos) << error.what();
  }

  // A file cut inside its scan data, its header whole, counts as missing too:
  // it would show grey where its rows are lost.
  WriteBytes(Path(0), std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() * 4 / 5));
  EXPECT_FALSE(Stage().AllCacheFilesPresent());
  Stage().SetBackgroundId(0);
  Stage().ShowBackground(false);
  EXPECT_EQ(ShownBuiltIn(), 0);
  WriteBytes(Path(0), good);
  EXPECT_TRUE(Stage().AllCacheFilesPresent()) << "the whole file counts again";
}

// In a run the stage keeps the cache picture it shows and takes the one
// decoded ahead of a change, but only while the file under the cache name is
// the one they were read from; a file replaced after its decode ahead shows
// as it is now, one that breaks shows the built-in picture.
TEST_F(BackgroundStage, RunShowsTheFileUnderTheCacheNameNowWhateverWasDecodedBefore) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  WriteScreenCache();
  // Picture 1 and a different picture of the same length in bytes.
  const std::vector<std::uint8_t> one = ReadBytes(Path(1)), other = MakeJpeg(width, height, 9);
  const std::size_t length = std::max(one.size(), other.size());
  WriteBytes(Path(1), PaddedTo(one, length));
  Stage().SetBackgroundId(0);
  Stage().FormShow();  // a run from here on; at 1024 x 768 it switches the cache off
  settings::Write(settings::UseImageFiles, 1);
  auto shows = [&](const std::vector<std::uint8_t>& file) {
    return SameFirstRow(Stage().imgBackground.Picture(), forms::TPicture::FromData(file));
  };

  Stage().ShowBackground(false);
  ASSERT_TRUE(shows(ReadBytes(Path(0))));
  const HBITMAP first = Stage().imgBackground.Picture().Bitmap().Handle();
  Stage().ShowBackground(true);
  EXPECT_EQ(Stage().imgBackground.Picture().Bitmap().Handle(), first)
      << "the picture shown was decoded again";

  // Rewritten in place to the same length and last-write time: nothing tells
  // the file from the one decoded ahead, so that picture is shown as it is,
  // decoded once.
  FinishDecodeAhead();
  FILETIME written{};
  {
    forms::UniqueFileHandle file(CreateFileA(Path(1).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(GetFileTime(file.get(), nullptr, nullptr, &written));
  }
  WriteBytes(Path(1), PaddedTo(other, length));
  {
    forms::UniqueFileHandle file(CreateFileA(Path(1).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
  }
  Stage().ShowBackground(true);
  EXPECT_TRUE(shows(one)) << "the picture decoded ahead was not taken";

  FinishDecodeAhead();
  const std::vector<std::uint8_t> two = MakeJpeg(width, height, 123);
  ReplaceFile(Path(2), two);
  Stage().ShowBackground(true);
  EXPECT_TRUE(shows(two)) << "a picture decoded ahead of its file's replacement was shown";

  FinishDecodeAhead();
  const std::vector<std::uint8_t> good = ReadBytes(Path(3));
  const std::size_t sos = MarkerOffset(good, 0xDA);
  std::vector<std::uint8_t> noRows(good.begin(),
                                   good.begin() + sos + 2 + (good[sos + 2] << 8 | good[sos + 3]));
  noRows.insert(noRows.end(), {0xFF, 0xD9});
  WriteBytes(Path(3), noRows);
  ASSERT_TRUE(Stage().AllCacheFilesPresent()) << "a file that only its decode can refuse";
  Stage().ShowBackground(true);
  EXPECT_EQ(ShownBuiltIn(), 3);

  // N twice before any message: the first change's decode ahead has not
  // started, and the second decodes its picture itself.
  Stage().ShowBackground(true);
  Stage().ShowBackground(true);
  EXPECT_TRUE(shows(ReadBytes(Path(0))));
  EXPECT_EQ(StoredText("BackgroundId"), "0");
  EXPECT_TRUE(reports.empty());
}

TEST_F(BackgroundStage, ScaleImageFileResamplesTheWholePictureToTheGivenSize) {
  std::string source = directory_ + "\\source.jpg";
  std::string target = directory_ + "\\target.jpg";
  WriteBytes(source, MakeJpeg(160, 120, 0));
  Stage().ScaleImageFile(target, source, 200, 50);
  auto picture = forms::TPicture::FromJpegFile(target);
  EXPECT_EQ(picture.Width(), 200);
  EXPECT_EQ(picture.Height(), 50);

  // In place, as the cache build does it.
  Stage().ScaleImageFile(source, source, 64, 64);
  EXPECT_EQ(JpegWidth(source), 64);
}

TEST_F(BackgroundStage, ScaleImageFileFailuresRemoveTheTargetAndNameIt) {
  std::string target = directory_ + "\\SarvaneShuttle_Sonne.jpg";
  struct Case {
    const char* what;
    std::vector<std::uint8_t> source;
    const char* message;
  } cases[] = {
      {"garbage", std::vector<std::uint8_t>(3000, 0x11), " kann nicht gelesen werden"},
      {"empty", {}, " kann nicht gelesen werden"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(target, c.source);
    try {
      Stage().ScaleImageFile(target, target, 100, 100);
      ADD_FAILURE() << "no error";
    } catch (const forms::EError& error) {
      EXPECT_EQ(std::string(error.what()), "Bild " + target + c.message);
    }
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << "the bad file must go";
  }

  std::string source = directory_ + "\\source.jpg";
  WriteBytes(source, MakeJpeg(40, 30, 0));
  std::string unwritable = directory_ + "\\no such folder\\x.jpg";
  EXPECT_THROW(
      {
        try {
          Stage().ScaleImageFile(unwritable, source, 10, 10);
        } catch (const forms::EError& error) {
          EXPECT_EQ(std::string(error.what()), "Datei " + unwritable + " kann nicht erstellt werden");
          throw;
        }
      },
      forms::EError);
}

TEST_F(BackgroundStage, At1024By768TheCacheIsSwitchedOffAndNothingIsBuilt) {
  if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768)
    GTEST_SKIP() << "runs on a 1024 x 768 screen";
  settings::Write(settings::UseImageFiles, 1);
  int reports = 0;
  Stage();
  ShowProgress->OnReport = [&] { ++reports; };
  Stage().BuildImageCache();
  EXPECT_EQ(StoredText("UseImageFiles"), "0");
  EXPECT_EQ(reports, 0);
  EXPECT_TRUE(fs::is_empty(directory_));
}

TEST(MonitorCovers, EveryMonitorButThePrimaryIsCoveredInItsOwnCoordinates) {
  using backgrounds::MonitorArea;
  std::vector<MonitorArea> one = {{{0, 0, 1024, 768}, true}};
  EXPECT_TRUE(backgrounds::AreasToCover(one).empty());
  std::vector<MonitorArea> three = {
      {{-1280, -200, 0, 824}, false}, {{0, 0, 1920, 1080}, true}, {{1920, -1080, 3840, 0}, false}};
  auto areas = backgrounds::AreasToCover(three);
  ASSERT_EQ(areas.size(), 2u);
  EXPECT_TRUE(EqualRect(&areas[0], &three[0].bounds));
  EXPECT_TRUE(EqualRect(&areas[1], &three[2].bounds));
}

// A 24-bit BMP of four coloured quadrants, each under a one-pixel checker
// pattern that any filter smooths away: only a copy keeps it.
std::vector<std::uint8_t> QuadrantBmp(int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<std::uint8_t> file(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + stride * height);
  BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(file.size()), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  BITMAPINFOHEADER info{sizeof info, width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(file.data(), &header, sizeof header);
  std::memcpy(file.data() + sizeof header, &info, sizeof info);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      COLORREF base = kQuadrants[(y >= height / 2) * 2 + (x >= width / 2)];
      int checker = (x + y) % 2 * 30;
      std::uint8_t* pixel = file.data() + header.bfOffBits + y * stride + x * 3;
      pixel[0] = static_cast<std::uint8_t>(GetBValue(base) + checker);
      pixel[1] = static_cast<std::uint8_t>(GetGValue(base) + checker);
      pixel[2] = static_cast<std::uint8_t>(GetRValue(base) + checker);
    }
  return file;
}

// Waits until the screen at the point shows `colour`, give or take `tolerance`
// in each channel (the covers paint from the queue, scaled ones later still).
bool ScreenShowsAbout(int x, int y, COLORREF colour, int tolerance) {
  auto within = [&](int a, int b) { return std::abs(a - b) <= tolerance; };
  for (int i = 0; i < 150; ++i) {
    Application.ProcessMessages();
    COLORREF seen = ScreenPixel(x, y);
    if (within(GetRValue(seen), GetRValue(colour)) && within(GetGValue(seen), GetGValue(colour)) &&
        within(GetBValue(seen), GetBValue(colour)))
      return true;
    Sleep(20);
  }
  return false;
}

TEST_F(BackgroundStage, CoversSitExactlyOverTheirAreasNeverActivateAndFollowThePicture) {
  Stage().ShowBackground(true);
  Stage().imgBackground.SetPicture(forms::TPicture::FromData(QuadrantBmp(64, 48)));
  // The last two lie on this screen: one of the picture's own size, one larger.
  const RECT areas[] = {
      {-1280, -200, 0, 824}, {1024, -600, 1824, 0}, {600, 100, 664, 148}, {200, 150, 500, 350}};
  Stage().CoverMonitors(areas);
  ASSERT_EQ(Stage().Covers().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    HWND cover = Stage().Covers()[i]->Handle();
    RECT bounds;
    GetWindowRect(cover, &bounds);
    EXPECT_TRUE(EqualRect(&bounds, &areas[i])) << i;
    EXPECT_TRUE(IsWindowVisible(cover));
    EXPECT_NE(GetActiveWindow(), cover);
    EXPECT_EQ(SendMessageW(cover, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(cover),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
  }

  // Of the picture's own size: pixel for pixel, the checker pattern intact.
  const forms::TBitmap& shown = Stage().imgBackground.Picture().Bitmap();
  for (POINT at : {POINT{0, 0}, POINT{1, 0}, POINT{33, 7}, POINT{34, 7}, POINT{63, 47}, POINT{10, 40}}) {
    const std::uint8_t* pixel = shown.ScanLine(at.y) + shown.BitsPerPixel() / 8 * at.x;
    EXPECT_TRUE(ScreenShowsAbout(600 + at.x, 100 + at.y, RGB(pixel[2], pixel[1], pixel[0]), 0))
        << at.x << ", " << at.y;
  }
  // Larger: stretched over the whole cover, each quadrant in its place, down
  // to the bottom-right corner.
  const POINT centres[] = {
      {200 + 75, 150 + 50}, {200 + 225, 150 + 50}, {200 + 75, 150 + 150}, {200 + 225, 150 + 150}};
  for (int quadrant = 0; quadrant < 4; ++quadrant) {
    COLORREF colour = kQuadrants[quadrant];
    COLORREF averaged = RGB(GetRValue(colour) + 15, GetGValue(colour) + 15, GetBValue(colour) + 15);
    // Enlarged, the checker's two shades blend into each other (0 to 30 over the base).
    EXPECT_TRUE(ScreenShowsAbout(centres[quadrant].x, centres[quadrant].y, averaged, 16)) << quadrant;
  }
  EXPECT_TRUE(ScreenShowsAbout(497, 347, RGB(235, 235, 235), 20)) << "the bottom-right corner";

  // A new picture reaches every cover; the larger one scales it anew.
  auto largerCoverMatching = [&] {
    forms::TBitmap expected = backgrounds::StretchBitmap(Stage().imgBackground.Picture().Bitmap(), 300, 200);
    int matching = 0;
    for (int y = 5; y < 200; y += 38)
      for (int x = 5; x < 300; x += 42) {
        const std::uint8_t* pixel = expected.ScanLine(y) + expected.BitsPerPixel() / 8 * x;
        matching += ScreenShowsAbout(200 + x, 150 + y, RGB(pixel[2], pixel[1], pixel[0]), 0);
      }
    return matching;
  };
  settings::Write(settings::UseImageFiles, 0);
  Stage().ShowBackground(true);  // a built-in picture, 1024 x 768
  EXPECT_EQ(largerCoverMatching(), 6 * 8);

  // In a run the covers' copies of a cache picture are made with its decode
  // ahead, and they are of the picture the change shows.
  WriteScreenCache();
  Stage().FormShow();
  Stage().CoverMonitors(areas);
  settings::Write(settings::UseImageFiles, 1);
  Stage().ShowBackground(true);
  FinishDecodeAhead();
  Stage().ShowBackground(true);
  EXPECT_EQ(ShownBuiltIn(), -1);
  EXPECT_EQ(largerCoverMatching(), 6 * 8);

  Stage().CoverMonitors({});
  EXPECT_TRUE(Stage().Covers().empty());
}

TEST_F(BackgroundStage, DisplayChangeEndsARunButNotTheOtherModes) {
  MSG quit;
  SendMessageW(Stage().Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the stage is not running";
  Stage().FormShow();
  SendMessageW(Stage().Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Needs a screen that is not 1024 pixels wide: the test script runs these in a
// second display of 1280 x 1024 (and excludes them from the 1024 x 768 run).
class CacheBuildAtOtherWidth : public BackgroundStage {
 protected:
  void SetUp() override {
    BackgroundStage::SetUp();
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 1024) << "needs a screen that is not 1024 pixels wide";
    Stage();
    ShowProgress->OnReport = [this] {
      const int percent = ShowProgress->pbProgress.Position();
      progress.push_back(
          {ShowProgress->lblProgressComment.Caption(), percent, ShowProgress->Visible(), StepDone(percent)});
    };
  }
  // Whether the work a report stands for is done: 20 k + 10, picture k's
  // temporary file is there (or already in its place); 20 k + 20, the cache
  // file holds the scaled picture.
  bool StepDone(int percent) const {
    if (percent == 0) return true;
    const std::string path = Path((percent - 10) / 20);
    if (percent % 20 == 10) {
      for (const auto& entry : fs::directory_iterator(directory_))
        if (entry.path().string().rfind(path + ".", 0) == 0) return true;
      return fs::exists(path);
    }
    try {
      return JpegWidth(path) == GetSystemMetrics(SM_CXSCREEN);
    } catch (const forms::EError&) {
      return false;
    }
  }
  struct Report {
    std::wstring text;
    int percent;
    bool visible;
    bool stepDone;
  };
  std::vector<Report> progress;
};

TEST_F(CacheBuildAtOtherWidth, BuildsFiveScreenSizedFilesWithElevenReportsThenSwitchesTheCacheOn) {
  // Five workers, the most pictures in flight at once: the reports keep their order.
  Stage().BuildImageCache(5, backgrounds::ScalePicture);
  ASSERT_EQ(progress.size(), 11u);
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_EQ(progress[i].text, kCacheMessage);
    EXPECT_EQ(progress[i].percent, static_cast<int>(i) * 10);
    EXPECT_EQ(progress[i].visible, i > 0) << "the first report comes before the window is shown";
    EXPECT_TRUE(progress[i].stepDone) << "reported before its work was done: " << progress[i].percent;
  }
  EXPECT_FALSE(ShowProgress->Visible());
  EXPECT_EQ(StoredText("UseImageFiles"), "1");
  std::vector<std::vector<std::uint8_t>> parallel;
  for (int id = 0; id < 5; ++id) {
    auto picture = forms::TPicture::FromJpegFile(Path(id));
    EXPECT_EQ(picture.Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(picture.Height(), GetSystemMetrics(SM_CYSCREEN));
    parallel.push_back(ReadBytes(Path(id)));
  }

  // Complete and of this size: the next build reports nothing, rewrites no
  // file, and switches the cache on again where the setting lags behind.
  const auto nebel = ReadBytes(Path(4));
  for (bool deleteSettings : {false, true}) {
    progress.clear();
    if (deleteSettings)
      DeleteSettings();
    else
      settings::Write(settings::UseImageFiles, 0);
    Stage().BuildImageCache();
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(StoredText("UseImageFiles"), "1") << deleteSettings;
    EXPECT_EQ(ReadBytes(Path(4)), nebel);
  }

  // The built-in pictures under the cache names, as a 1024 x 768 desk would
  // have left them: all five are built again at this screen's size.
  for (int id = 0; id < 5; ++id) {
    auto stream = BuiltIn(id).JpegStream();
    WriteBytes(Path(id), {stream.begin(), stream.end()});
  }
  progress.clear();
  Stage().BuildImageCache();
  EXPECT_EQ(progress.size(), 11u);
  EXPECT_TRUE(Stage().AllCacheFilesPresent());
  EXPECT_EQ(JpegWidth(Path(0)), GetSystemMetrics(SM_CXSCREEN));

  // One picture after the other gives the very same files.
  for (int id = 0; id < 5; ++id) DeleteFileA(Path(id).c_str());
  progress.clear();
  Stage().BuildImageCache(1, backgrounds::ScalePicture);
  EXPECT_EQ(progress.size(), 11u);
  for (int id = 0; id < 5; ++id) EXPECT_TRUE(ReadBytes(Path(id)) == parallel[id]) << id;
}

// Owns a handle of every thread a picture's work ran on.
class WorkerThreads {
 public:
  void Add() {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE,
                    0);
    std::lock_guard lock(mutex_);
    threads_.emplace_back(thread);
    onCaller_ = onCaller_ || GetCurrentThreadId() == caller_;
  }
  // Whether the work ran on worker threads only, all of which have ended.
  bool AllEnded() const {
    for (const auto& thread : threads_)
      if (!thread || WaitForSingleObject(thread.get(), 0) != WAIT_OBJECT_0) return false;
    return !onCaller_ && !threads_.empty();
  }

 private:
  std::mutex mutex_;
  std::vector<forms::UniqueKernelHandle> threads_;
  DWORD caller_ = GetCurrentThreadId();
  bool onCaller_ = false;
};

TEST_F(CacheBuildAtOtherWidth, FileThatCannotBeCreatedEndsTheBuildWithTheWindowAlreadyHidden) {
  CreateDirectoryA(Path(2).c_str(), nullptr);  // Sonne's name taken by a directory
  WriteCache(32, 24);                          // whole old files, Sonne's aside
  std::vector<int> started;
  bool visibleAtError = true;
  try {
    Stage().BuildImageCache(1, [&](const backgrounds::CacheJob& job, const std::function<void()>& written) {
      started.push_back(static_cast<int>(started.size()));
      backgrounds::ScalePicture(job, written);
    });
    ADD_FAILURE() << "no error";
  } catch (const forms::EError& error) {
    visibleAtError = ShowProgress->Visible();
    EXPECT_EQ(std::string(error.what()), "Datei " + Path(2) + " kann nicht erstellt werden");
  }
  EXPECT_FALSE(visibleAtError);
  EXPECT_EQ(started, (std::vector<int>{0, 1, 2})) << "no picture starts after a failure";
  // Sonne's stream goes into its temporary file as the others' do: only its
  // move over the directory fails.
  ASSERT_EQ(progress.size(), 6u);  // 0, then 10 and 20, 30 and 40, 50
  EXPECT_EQ(progress.back().percent, 50);
  EXPECT_EQ(JpegWidth(Path(0)), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(JpegWidth(Path(1)), GetSystemMetrics(SM_CXSCREEN));
  // A build takes away nothing but its own temporary files: a whole old file
  // under a cache name stays as it was.
  EXPECT_EQ(JpegWidth(Path(3)), 32) << "pictures never started keep their old file";
  EXPECT_EQ(JpegWidth(Path(4)), 32);
  EXPECT_EQ(TemporaryFiles(), 0);
  EXPECT_EQ(StoredText("UseImageFiles"), "(none)");
}

TEST_F(CacheBuildAtOtherWidth, FailureWhileLaterPicturesAreInFlightWaitsForThemAndReportsTheFirst) {
  settings::Write(settings::UseImageFiles, 7);
  forms::UniqueKernelHandle twoFailed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  WorkerThreads threads;
  bool visibleAtError = true;
  try {
    Stage().BuildImageCache(5, [&](const backgrounds::CacheJob& job, const std::function<void()>& written) {
      threads.Add();
      int id = 0;
      // The work is given a temporary file beside the cache file it builds.
      while (job.path.rfind(Path(id) + ".", 0) != 0) ++id;
      if (id == 2) {
        // A complete file, but no report of it: the failure must take it away.
        backgrounds::ScalePicture(job, [] {});
        SetEvent(twoFailed.get());
        throw forms::EError("Sonne");
      }
      if (id > 2) WaitForSingleObject(twoFailed.get(), INFINITE);
      backgrounds::ScalePicture(job, written);
      // Later than Sonne's, and after its own file is complete.
      if (id == 3) throw forms::EError("DeepSpace");
    });
    ADD_FAILURE() << "no error";
  } catch (const forms::EError& error) {
    visibleAtError = ShowProgress->Visible();
    EXPECT_STREQ(error.what(), "Sonne");
  }
  EXPECT_FALSE(visibleAtError);
  EXPECT_TRUE(threads.AllEnded()) << "every picture ran on a worker, and every worker has ended";
  for (int id : {0, 1, 4}) EXPECT_EQ(JpegWidth(Path(id)), GetSystemMetrics(SM_CXSCREEN)) << id;
  for (int id : {2, 3}) EXPECT_FALSE(fs::exists(Path(id))) << "failed pictures leave no file: " << id;
  EXPECT_EQ(TemporaryFiles(), 0);
  EXPECT_EQ(StoredText("UseImageFiles"), "7");
  for (std::size_t i = 0; i < progress.size(); ++i) EXPECT_EQ(progress[i].percent, static_cast<int>(i) * 10);
}

// Another run reading a cache file holds it open, and a file held open cannot
// be replaced (Wine refuses even more often than Windows: whatever the
// reader's sharing). The build tries again for about a second.
TEST_F(CacheBuildAtOtherWidth, CacheFileHeldOpenByAReaderIsReplacedOnceItClosesOrReportedAndKept) {
  WriteCache(32, 24);
  const auto old = ReadBytes(Path(1));
  {
    forms::UniqueFile reader(std::fopen(Path(1).c_str(), "rb"));
    ASSERT_TRUE(reader);
    try {
      Stage().BuildImageCache(1, backgrounds::ScalePicture);
      ADD_FAILURE() << "no error";
    } catch (const forms::EError& error) {
      EXPECT_EQ(std::string(error.what()), "Datei " + Path(1) + " kann nicht erstellt werden");
    }
  }
  EXPECT_EQ(ReadBytes(Path(1)), old) << "the reader's file stays whole";
  EXPECT_EQ(TemporaryFiles(), 0);

  std::FILE* reader = std::fopen(Path(1).c_str(), "rb");
  ASSERT_TRUE(reader);
  // Closed while the build is under way, some time into its tries.
  std::thread closer([&] {
    while (!fs::exists(Path(0)) || JpegWidth(Path(0)) != GetSystemMetrics(SM_CXSCREEN)) Sleep(1);
    Sleep(300);
    std::fclose(reader);
  });
  Stage().BuildImageCache(1, backgrounds::ScalePicture);
  closer.join();
  EXPECT_TRUE(Stage().AllCacheFilesPresent());
  EXPECT_EQ(TemporaryFiles(), 0);
}

// The id of a running process other than this one, or 0.
DWORD AnotherRunningProcess() {
  forms::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry))
    if (entry.th32ProcessID != 0 && entry.th32ProcessID != GetCurrentProcessId()) return entry.th32ProcessID;
  return 0;
}

// The id of a process that has ended.
DWORD EndedProcess() {
  wchar_t command[] = L"cmd.exe /c exit";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return process.dwProcessId;
}

// What a run ended in the middle of its build leaves: temporary files. They
// are never taken for cache files, and a build clears those that no build
// still running can need.
TEST_F(CacheBuildAtOtherWidth, LeftTemporaryFilesCountForNothingAndGoOnceNoBuildCanNeedThem) {
  const DWORD running = AnotherRunningProcess(), ended = EndedProcess();
  ASSERT_NE(running, 0u);
  ASSERT_NE(ended, 0u);
  WriteScreenCache();
  DeleteFileA(Path(0).c_str());
  auto temporary = [&](DWORD owner, const char* serial) {
    return Path(0) + "." + std::to_string(owner) + "-" + serial + ".tmp";
  };
  const std::string ofEnded = temporary(ended, "3"), ofRunning = temporary(running, "4"),
                    ofRunningButOld = temporary(running, "5"), notOurs = Path(0) + ".notes.tmp";
  for (const std::string& path : {ofEnded, ofRunning, ofRunningButOld, notOurs})
    WriteBytes(path, MakeJpeg(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 200));
  fs::last_write_time(ofRunningButOld, fs::file_time_type::clock::now() - std::chrono::minutes(11));
  EXPECT_FALSE(Stage().AllCacheFilesPresent()) << "a temporary file is no cache file";

  Stage().BuildImageCache(1, backgrounds::ScalePicture);
  EXPECT_TRUE(Stage().AllCacheFilesPresent());
  EXPECT_FALSE(fs::exists(ofEnded)) << "its process no longer runs";
  EXPECT_FALSE(fs::exists(ofRunningButOld)) << "too old for a build still going on";
  EXPECT_TRUE(fs::exists(ofRunning)) << "it may belong to a build still going on";
  EXPECT_TRUE(fs::exists(notOurs)) << "not named as the builds name theirs";
}

TEST_F(CacheBuildAtOtherWidth, EarlyDecodeOfAFileChangedSinceOrReplacedByTheBuildIsNotShown) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  Stage().BuildImageCache();
  const auto built = ReadBytes(Path(0));
  const auto other = MakeJpeg(width, height, 99);
  // Decoded while Dolphin's file held other pixels.
  auto early = [&] {
    WriteBytes(Path(0), other);
    auto decode = std::make_unique<backgrounds::EarlyDecode>(Path(0));
    decode->Join();
    WriteBytes(Path(0), built);
    return decode;
  };

  Stage().SetEarlyDecode(early());
  progress.clear();
  Stage().FormShow();
  EXPECT_TRUE(progress.empty());
  EXPECT_TRUE(SameFirstRow(Stage().imgBackground.Picture(), forms::TPicture::FromData(built)))
      << "the picture of the file as it was shown";

  // A build replaces the file: the early decode is of no use then.
  Stage().SetEarlyDecode(early());
  DeleteFileA(Path(3).c_str());
  Stage().FormShow();
  EXPECT_EQ(progress.size(), 11u);
  EXPECT_TRUE(SameFirstRow(Stage().imgBackground.Picture(), forms::TPicture::FromJpegFile(Path(0))));

  // A run's start decodes only a file the stage would show: this header
  // claims 7000 x 7000 pixels, seconds of decoding that the next build would
  // have to wait for.
  settings::Write(settings::BackgroundId, 0);
  EXPECT_TRUE(backgrounds::DecodeFirstCachePicture()) << "a fitting file is decoded early";
  auto forged = ReadBytes(Path(0));
  const std::size_t sof = MarkerOffset(forged, 0xC0);
  forged[sof + 5] = 7000 >> 8, forged[sof + 6] = 7000 & 255;
  forged[sof + 7] = 7000 >> 8, forged[sof + 8] = 7000 & 255;
  WriteBytes(Path(0), forged);
  EXPECT_FALSE(backgrounds::DecodeFirstCachePicture()) << "a file of another size is decoded early";
}

}  // namespace
