#include "backgrounds/UnitScreenSaver.h"

#include <cstdio>

#include <gd.h>

#include "app/Settings.h"
#include "backgrounds/UnitBackgrounds.h"
#include "dialogs/UnitShowProgress.h"
#include "forms/Application.h"
#include "forms/Errors.h"
#include "forms/Text.h"
#include "vessels/DisplayPower.h"
#include "vessels/Roster.h"
#include "vessels/VesselForm.h"

TScreenSaverBackground* ScreenSaverBackground = nullptr;

namespace {

using forms::EError;
using forms::Format;
using forms::UniqueFile;

constexpr wchar_t kCacheMessage[] =
    L"Bildschirmschoner wird zum ersten Mal gestartet, Hintergrundbilder werden skaliert und gecache't!";

struct GdImageTraits {
  static gdImagePtr Invalid() { return nullptr; }
  static void Close(gdImagePtr image) { gdImageDestroy(image); }
};
using UniqueGdImage = forms::UniqueHandle<gdImagePtr, GdImageTraits>;

const forms::TPicture& BuiltInPicture(int id) {
  forms::TImage* controls[] = {&Backgrounds->imgDolphin, &Backgrounds->imgAsteroidenfeld,
                               &Backgrounds->imgSonne, &Backgrounds->imgDeepSpace, &Backgrounds->imgNebel};
  return controls[backgrounds::CatalogueIndex(id)]->Picture();
}

bool IsRegularFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

[[noreturn]] void Fail(const char* pattern, const std::string& path) {
  throw EError(Format(pattern, forms::AnsiToUtf8(path)));
}

// Takes a cache file away after a failed step, so the cache counts as
// incomplete and the next run builds it again, then raises the error. Nothing
// more can be done when even the removal fails: the error is reported anyway.
[[noreturn]] void DiscardAndFail(const std::string& discard, const char* pattern, const std::string& path) {
  DeleteFileA(discard.c_str());
  Fail(pattern, path);
}

// Whether a finished JPEG file ends in its end-of-image marker. gdImageJpeg
// reports nothing: when libjpeg fails inside it, it just stops writing.
bool EndsWithEndOfImage(const std::string& path) {
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  unsigned char tail[2] = {};
  return file && std::fseek(file.get(), -2, SEEK_END) == 0 && std::fread(tail, 1, 2, file.get()) == 2 &&
         tail[0] == 0xFF && tail[1] == 0xD9;
}

void WriteStream(const std::string& path, std::span<const std::uint8_t> stream) {
  UniqueFile file(std::fopen(path.c_str(), "wb"));
  if (!file) Fail("Datei %s kann nicht erstellt werden", path);
  bool written = std::fwrite(stream.data(), 1, stream.size(), file.get()) == stream.size();
  if (std::fclose(file.release()) != 0) written = false;
  if (!written) DiscardAndFail(path, "Datei %s kann nicht geschrieben werden", path);
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

  // A directory that does not fit the buffer gets no cache rather than paths
  // into some other, truncated directory.
  char directory[MAX_PATH];
  DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return;
  if (auto paths = backgrounds::CachePathsFor(std::string_view(directory, length))) cachePaths_ = *paths;
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

const forms::TPicture& TScreenSaverBackground::ShowBackground(bool advance) {
  bool shown = false;
  if (settings::Read(settings::UseImageFiles) != 0 && AllCacheFilesPresent()) {
    // A cache file that does not decode is no reason to interrupt the user:
    // the built-in picture of the same id stands in for it.
    try {
      imgBackground.SetPicture(forms::TPicture::FromJpegFile(CachePath(backgroundId_)));
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

  ShowProgress->SetProgress(kCacheMessage, 0);
  ShowProgress->Show();
  try {
    for (int id = 0; id < backgrounds::kBackgroundCount; ++id) {
      WriteStream(cachePaths_[id], BuiltInPicture(id).JpegStream());
      ShowProgress->SetProgress(kCacheMessage, 20 * id + 10);
      ScaleImageFile(cachePaths_[id], cachePaths_[id], width_, height_);
      ShowProgress->SetProgress(kCacheMessage, 20 * id + 20);
    }
  } catch (...) {
    // The report that follows must not stand behind a window that claims the
    // work is still going on.
    ShowProgress->Close();
    throw;
  }
  ShowProgress->Close();
  settings::Write(settings::UseImageFiles, "1");
}

void TScreenSaverBackground::ScaleImageFile(const std::string& target, const std::string& source, int width,
                                            int height) {
  UniqueFile input(std::fopen(source.c_str(), "rb"));
  if (!input) DiscardAndFail(target, "Bild %s kann nicht gelesen werden", source);
  UniqueGdImage from(gdImageCreateFromJpeg(input.get()));
  input.reset();
  if (!from) DiscardAndFail(target, "Bild %s kann nicht gelesen werden", source);
  UniqueGdImage to(gdImageCreateTrueColor(width, height));
  if (!to) DiscardAndFail(target, "Bild %s kann nicht skaliert werden", target);
  gdImageCopyResampled(to.get(), from.get(), 0, 0, 0, 0, gdImageSX(to.get()), gdImageSY(to.get()),
                       gdImageSX(from.get()), gdImageSY(from.get()));

  UniqueFile output(std::fopen(target.c_str(), "wb"));
  // The unscaled copy written before may still stand there.
  if (!output) DiscardAndFail(target, "Datei %s kann nicht erstellt werden", target);
  gdImageJpeg(to.get(), output.get(), 100);
  bool written = !std::ferror(output.get());
  if (std::fclose(output.release()) != 0) written = false;
  from.reset();
  to.reset();
  if (!written || !EndsWithEndOfImage(target))
    DiscardAndFail(target, "Bild %s kann nicht gespeichert werden", target);
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
