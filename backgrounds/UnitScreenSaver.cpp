#include "backgrounds/UnitScreenSaver.h"

#include <vector>

#include "app/Settings.h"
#include "backgrounds/EarlyDecode.h"
#include "backgrounds/ScalingCache.h"
#include "backgrounds/UnitBackgrounds.h"
#include "dialogs/UnitShowProgress.h"
#include "forms/Application.h"
#include "vessels/DisplayPower.h"
#include "vessels/Roster.h"
#include "vessels/VesselForm.h"

TScreenSaverBackground* ScreenSaverBackground = nullptr;

namespace {

constexpr wchar_t kCacheMessage[] =
    L"Bildschirmschoner wird zum ersten Mal gestartet, Hintergrundbilder werden skaliert und gecache't!";

const forms::TPicture& BuiltInPicture(int id) {
  forms::TImage* controls[] = {&Backgrounds->imgDolphin, &Backgrounds->imgAsteroidenfeld,
                               &Backgrounds->imgSonne, &Backgrounds->imgDeepSpace, &Backgrounds->imgNebel};
  return controls[backgrounds::CatalogueIndex(id)]->Picture();
}

bool IsRegularFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Restores the pointer and the screensaver-running state however the modal
// show of the craft ends.
class RunningState {
 public:
  explicit RunningState(BOOL& previous) : previous_(previous) {
    ShowCursor(FALSE);
    previous_ = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previous_, 0);
  }
  RunningState(const RunningState&) = delete;
  RunningState& operator=(const RunningState&) = delete;
  ~RunningState() {
    previous_ = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, &previous_, 0);
    ShowCursor(TRUE);
  }

 private:
  BOOL& previous_;
};

}  // namespace

TScreenSaverBackground::TScreenSaverBackground()
    : TForm("TSCREENSAVERBACKGROUND",
            {.notify = {{"FormShow", [this] { FormShow(); }}, {"FormActivate", [this] { FormActivate(); }}},
             .key = {{"FormKeyDown", [this](WORD& key) { FormKeyDown(key); }}}}),
      imgBackground(Control<forms::TImage>("imgBackground")) {
  // The layout's design size never takes effect: the stage covers the primary
  // screen. The program is DPI-aware, so these are real pixels.
  width_ = GetSystemMetrics(SM_CXSCREEN);
  height_ = GetSystemMetrics(SM_CYSCREEN);
  SetBounds(0, 0, width_, height_);
  imgBackground.SetBounds(0, 0, width_, height_);
  backgroundId_ = settings::Read(settings::BackgroundId);

  if (auto paths = backgrounds::WorkingDirectoryCachePaths()) cachePaths_ = *paths;
}

bool TScreenSaverBackground::CacheFileFits(const std::string& path) const {
  if (!IsRegularFile(path)) return false;
  // Only the header is read: this runs at every picture change, and a file
  // left from another screen size must not be decoded just to be refused.
  auto size = forms::ReadJpegFileSize(path);
  return size && size->cx == width_ && size->cy == height_;
}

bool TScreenSaverBackground::AllCacheFilesPresent() const {
  if (!CacheUsable()) return false;
  for (const auto& path : cachePaths_)
    if (!CacheFileFits(path)) return false;
  return true;
}

forms::TPicture TScreenSaverBackground::CachePicture(int id) {
  // The early decode serves once, and only for the file it decoded.
  std::unique_ptr<backgrounds::EarlyDecode> early = std::move(early_);
  if (early && early->Path() == CachePath(id)) return early->Take();
  return forms::TPicture::FromJpegFile(CachePath(id));
}

const forms::TPicture& TScreenSaverBackground::ShowBackground(bool advance) {
  bool shown = false;
  if (settings::Read(settings::UseImageFiles) != 0 && AllCacheFilesPresent()) {
    // A cache file that does not decode is no reason to interrupt the user:
    // the built-in picture of the same id stands in for it.
    try {
      imgBackground.SetPicture(CachePicture(backgroundId_));
      shown = true;
    } catch (const std::exception&) {
    }
  }
  if (!shown) imgBackground.SetPicture(BuiltInPicture(backgroundId_));
  for (auto& cover : covers_) cover->PictureChanged();
  settings::Write(settings::BackgroundId, backgroundId_);
  if (advance) backgroundId_ = backgrounds::NextBackgroundId(backgroundId_);
  return imgBackground.Picture();
}

void TScreenSaverBackground::BuildImageCache() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  BuildImageCache(backgrounds::CacheWorkerCount(width_, height_, system.dwNumberOfProcessors),
                  backgrounds::ScalePicture);
}

void TScreenSaverBackground::BuildImageCache(int workers, const backgrounds::PictureWork& work) {
  if (backgrounds::UsesBuiltInPictures(width_, height_)) {
    settings::Write(settings::UseImageFiles, "0");
    return;
  }
  if (!CacheUsable()) return;
  if (AllCacheFilesPresent()) {
    // A run at 1024 x 768 or a lost settings file switches a cache off that
    // still fits this screen: switch it on again rather than show the
    // built-in pictures unscaled.
    if (settings::Read(settings::UseImageFiles) != 1) settings::Write(settings::UseImageFiles, "1");
    return;
  }

  // A picture decoded before the build is of a file about to be replaced.
  early_.reset();
  // The built-in streams are taken here: the picture holder's controls
  // belong to this thread, the workers get only the bytes.
  std::vector<backgrounds::CacheJob> jobs;
  for (int id = 0; id < backgrounds::kBackgroundCount; ++id)
    jobs.push_back({BuiltInPicture(id).JpegStream(), cachePaths_[id], width_, height_});

  ShowProgress->SetProgress(kCacheMessage, 0);
  // The report of a failure must not stand behind a window that claims the
  // work is still going on.
  const backgrounds::CacheReports reports{
      .started = [] { ShowProgress->Show(); },
      .progress = [](int percent) { ShowProgress->SetProgress(kCacheMessage, percent); },
      .failed = [] { ShowProgress->Close(); }};
  try {
    backgrounds::BuildCache(jobs, workers, work, reports);
  } catch (...) {
    ShowProgress->Close();
    throw;
  }
  ShowProgress->Close();
  settings::Write(settings::UseImageFiles, "1");
}

void TScreenSaverBackground::ScaleImageFile(const std::string& target, const std::string& source, int width,
                                            int height) {
  backgrounds::ScaleJpegFile(target, source, width, height);
}

forms::UniqueHrgn TScreenSaverBackground::CreateSpriteRegion(forms::TBitmap& bitmap) {
  bitmap.SetPixelFormat24();
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  forms::UniqueHrgn region(CreateRectRgn(0, 0, width, height));
  auto cut = [&](int left, int top, int right) {
    forms::UniqueHrgn run(CreateRectRgn(left, top, right, top + 1));
    CombineRgn(region.get(), region.get(), run.get(), RGN_DIFF);
  };
  std::uint8_t key[3] = {};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    if (y == 0) std::copy(row, row + 3, key);
    int start = -1;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* pixel = row + 3 * x;
      bool isKey = pixel[0] == key[0] && pixel[1] == key[1] && pixel[2] == key[2];
      if (isKey) {
        if (start < 0) start = x;
      } else if (start >= 0) {
        cut(start, y, x);
        start = -1;
      }
    }
    if (start >= 0) cut(start, y, width);
  }
  return region;
}

bool TScreenSaverBackground::IsExitKey(WORD key) {
  return key != VK_TAB && key != VK_CONTROL && key != VK_MENU && key != VK_DELETE;
}

void TScreenSaverBackground::FormShow() {
  running_ = true;
  // The other monitors are covered after the cache build (so the progress
  // window is never hidden) and also when the build fails, as the run goes on.
  auto areas = backgrounds::AreasToCover(backgrounds::Monitors());
  // The build must not rewrite the file the early decode still reads.
  if (early_) early_->Join();
  try {
    BuildImageCache();
  } catch (...) {
    CoverMonitors(areas);
    throw;
  }
  ShowBackground(false);
  CoverMonitors(areas);
}

void TScreenSaverBackground::CoverMonitors(std::span<const RECT> areas) {
  covers_.clear();
  for (const RECT& area : areas) {
    covers_.push_back(std::make_unique<backgrounds::TMonitorCover>(area, imgBackground.Picture()));
    covers_.back()->Show();
  }
}

LRESULT TScreenSaverBackground::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // A monitor added, removed or resized leaves the covers and the stage over
  // the wrong areas: the run ends, as on any other input.
  if (message == WM_DISPLAYCHANGE && running_) forms::Application.Terminate();
  return TForm::WindowProc(message, wParam, lParam);
}

void TScreenSaverBackground::FormActivate() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The picture goes on the screen now. Left to the queue, its paint would
  // wait until the craft's modal loop first looks at messages: after the
  // craft is shown and the first cycle has loaded its picture again, some
  // tens of milliseconds into the run.
  UpdateWindow(Handle());
  RunningState running(previousState_);
  if (TVesselForm* craft = vessels::VesselFor(settings::Read(settings::VesselIndex))) {
    vessels::DisplayStateRegistration display(craft->Handle());
    craft->ShowModal();
  } else {
    exitWatch_.Start(Handle());
  }
}

void TScreenSaverBackground::FormKeyDown(WORD& key) {
  // While a craft flies the stage is disabled and the craft takes the keys.
  if (exitWatch_.Watching() && IsExitKey(key)) exitWatch_.EndRun();
}
