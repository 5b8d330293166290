#include "backgrounds/UnitScreenSaver.h"

#include <vector>

#include "backgrounds/CacheFiles.h"
#include "backgrounds/EarlyDecode.h"
#include "backgrounds/ScalingCache.h"
#include "backgrounds/UnitBackgrounds.h"
#include "forms/Application.h"
#include "settings/Settings.h"

TScreenSaverBackground* ScreenSaverBackground = nullptr;

namespace {

// A decode ahead and its worker's start, begun inside a change, compete with
// the rest of the change's flight step for the processor; on two cores that
// step also waits for the display to draw the new picture. A timer's tick
// comes only from message processing with nothing else waiting, painting
// included, so no sooner than a later step.
constexpr UINT kDecodeAheadDelayMilliseconds = 30;

constexpr wchar_t kCacheMessage[] =
    L"Bildschirmschoner wird zum ersten Mal gestartet, Hintergrundbilder werden skaliert und gecache't!";

// Restores the pointer and the screensaver-running state however the modal
// show of the craft ends. The previous state the call reports is of no use:
// the run always ends by clearing it.
class RunningState {
 public:
  RunningState() {
    ShowCursor(FALSE);
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previous, 0);
  }
  RunningState(const RunningState&) = delete;
  RunningState& operator=(const RunningState&) = delete;
  ~RunningState() {
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, &previous, 0);
    ShowCursor(TRUE);
  }
};

// Closes the progress window however the build ends.
class ProgressShown {
 public:
  explicit ProgressShown(const std::function<void()>& close) : close_(close) {}
  ProgressShown(const ProgressShown&) = delete;
  ProgressShown& operator=(const ProgressShown&) = delete;
  ~ProgressShown() { close_(); }

 private:
  const std::function<void()>& close_;
};

}  // namespace

TScreenSaverBackground::TScreenSaverBackground()
    : TForm("TSCREENSAVERBACKGROUND",
            {.notify = {{"FormShow", [this] { FormShow(); }}, {"FormActivate", [this] { FormActivate(); }}},
             .key = {{"FormKeyDown", [this](WORD& key) { FormKeyDown(key); }}}}),
      imgBackground(Control<forms::TImage>("imgBackground")),
      decodeAheadStart_([this] { StartDecodeAhead(); }) {
  // The layout's design size never takes effect: the stage covers the primary
  // screen. The program is DPI-aware, so these are real pixels.
  width_ = GetSystemMetrics(SM_CXSCREEN);
  height_ = GetSystemMetrics(SM_CYSCREEN);
  SetBounds(0, 0, width_, height_);
  imgBackground.SetBounds(0, 0, width_, height_);
  backgroundId_ = settings::Read(settings::BackgroundId);

  if (auto paths = backgrounds::WorkingDirectoryCachePaths()) cachePaths_ = *paths;
}

const forms::TPicture& TScreenSaverBackground::BuiltInPicture(int id) const {
  forms::TImage* controls[] = {&wiring_.builtIn->imgDolphin, &wiring_.builtIn->imgAsteroidenfeld,
                               &wiring_.builtIn->imgSonne, &wiring_.builtIn->imgDeepSpace,
                               &wiring_.builtIn->imgNebel};
  return controls[backgrounds::CatalogueIndex(id)]->Picture();
}

bool TScreenSaverBackground::AllCacheFilesPresent() const {
  if (!CacheUsable()) return false;
  for (const auto& path : cachePaths_)
    if (!backgrounds::CacheFileFits(path, width_, height_)) return false;
  return true;
}

bool TScreenSaverBackground::ShowCachePicture(int id, std::vector<forms::TBitmap>& copies) {
  const std::string& path = CachePath(id);
  const std::optional<backgrounds::FileIdentity> now = backgrounds::IdentifyFile(path);
  // A decode ahead serves once, and only for the file it decoded.
  std::unique_ptr<backgrounds::EarlyDecode> ahead = std::move(ahead_);
  if (running_ && now && shown_ && shown_->path == path && shown_->identity == *now) return false;
  shown_.reset();
  auto show = [&](forms::TPicture picture, const backgrounds::FileIdentity& identity) {
    retired_ = std::move(imgBackground.Picture());
    imgBackground.SetPicture(std::move(picture));
    shown_ = ShownFile{path, identity};
  };
  if (ahead && ahead->Path() == path && now && ahead->Identity() == now) {
    show(ahead->Take(), *now);
    copies = ahead->TakeCopies();
    return true;
  }
  // Dropped before the decode in line, so that two pictures at most are held.
  ahead.reset();
  retired_ = {};
  backgrounds::IdentifiedPicture decoded = backgrounds::DecodeIdentifiedCacheFile(path);
  show(std::move(decoded.picture), decoded.identity);
  return true;
}

const forms::TPicture& TScreenSaverBackground::ShowBackground(bool advance) {
  bool fromCache = false, changed = true;
  // A decode ahead not started yet was for the change this call supersedes.
  decodeAheadStart_.Stop();
  std::vector<forms::TBitmap> copies;
  if (settings::Read(settings::UseImageFiles) != 0 && AllCacheFilesPresent()) {
    // A cache file that does not decode is no reason to interrupt the user:
    // the built-in picture of the same id stands in for it.
    try {
      changed = ShowCachePicture(backgroundId_, copies);
      fromCache = true;
    } catch (const std::exception&) {
    }
  }
  if (!fromCache) {
    shown_.reset();
    imgBackground.SetPicture(BuiltInPicture(backgroundId_));
  }
  if (changed) {
    auto copy = copies.begin();
    for (auto& cover : covers_) {
      const bool copied = copy != copies.end() && cover->Scales(width_, height_);
      cover->PictureChanged(copied ? std::move(*copy++) : forms::TBitmap{});
    }
  }
  settings::Write(settings::BackgroundId, backgroundId_);
  if (advance) backgroundId_ = backgrounds::NextBackgroundId(backgroundId_);
  if (running_ && fromCache)
    ScheduleDecodeAhead();
  else
    retired_ = {};
  return imgBackground.Picture();
}

void TScreenSaverBackground::ScheduleDecodeAhead() {
  const std::string& path = CachePath(backgroundId_);
  if ((shown_ && shown_->path == path) || (ahead_ && ahead_->Path() == path)) {
    retired_ = {};
    return;
  }
  // The change goes to the screen within its own step. Sent, not posted: no
  // message is taken from the queue, only the stage's own paint is done now.
  UpdateWindow(imgBackground.Handle());
  decodeAheadStart_.Start(Handle(), kDecodeAheadDelayMilliseconds);
}

void TScreenSaverBackground::StartDecodeAhead() {
  decodeAheadStart_.Stop();
  int copies = 0;
  for (const auto& cover : covers_) copies += cover->Scales(width_, height_);
  // Nobody waits for it before the next change.
  ahead_ = std::make_unique<backgrounds::EarlyDecode>(CachePath(backgroundId_), std::move(retired_), copies,
                                                      forms::DecodePace::Yielding);
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

  // A picture decoded before the build is of a file about to be replaced,
  // and the build's own message processing must start no decode.
  decodeAheadStart_.Stop();
  ahead_.reset();
  // The built-in streams are taken here: the picture holder's controls
  // belong to this thread, the workers get only the bytes.
  std::vector<backgrounds::CacheJob> jobs;
  for (int id = 0; id < backgrounds::kBackgroundCount; ++id)
    jobs.push_back({BuiltInPicture(id).JpegStream(), cachePaths_[id], width_, height_});

  wiring_.setProgress(kCacheMessage, 0);
  // The report of a failure must not stand behind a window that claims the
  // work is still going on.
  const backgrounds::CacheReports reports{
      .started = wiring_.showProgress,
      .progress = [this](int percent) { wiring_.setProgress(kCacheMessage, percent); },
      .failed = wiring_.closeProgress};
  {
    ProgressShown shown(wiring_.closeProgress);
    backgrounds::BuildCache(jobs, workers, work, reports);
  }
  settings::Write(settings::UseImageFiles, "1");
}

void TScreenSaverBackground::ScaleImageFile(const std::string& target, const std::string& source, int width,
                                            int height) {
  backgrounds::ScaleJpegFile(target, source, width, height);
}

void TScreenSaverBackground::FormShow() {
  running_ = true;
  // The other monitors are covered after the cache build (so the progress
  // window is never hidden) and also when the build fails, as the run goes on.
  auto areas = backgrounds::AreasToCover(backgrounds::Monitors());
  // The build must not rewrite the file the early decode still reads.
  if (ahead_) ahead_->Join();
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
  // Above the topmost windows too: the taskbars, windows kept on top and the
  // system's notifications would otherwise stay over the run.
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The picture goes on the screen now. Left to the queue, its paint would
  // wait until the craft's modal loop first looks at messages: after the
  // craft is shown and the first cycle has loaded its picture again, some
  // tens of milliseconds into the run.
  UpdateWindow(Handle());
  RunningState running;
  if (!wiring_.runCraft || !wiring_.runCraft()) exitWatch_.Start(Handle());
}

void TScreenSaverBackground::FormKeyDown(WORD& key) {
  // While a craft flies the stage is disabled and the craft takes the keys.
  if (exitWatch_.Watching() && IsExitKey(key)) exitWatch_.EndRun();
}
