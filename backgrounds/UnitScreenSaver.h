// The background stage: the run's full-screen main window. It owns the current
// background id and the cache paths, shows and steps the backgrounds, builds the
// picture cache on first show, and hands the run over to the chosen craft.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "backgrounds/CacheFiles.h"
#include "backgrounds/Catalogue.h"
#include "backgrounds/EarlyDecode.h"
#include "backgrounds/ExitWatch.h"
#include "backgrounds/MonitorCover.h"
#include "backgrounds/ScalingCache.h"
#include "exitinput/ExitInput.h"
#include "forms/Form.h"
#include "forms/Handles.h"
#include "forms/Timer.h"

class TBackgrounds;

class TScreenSaverBackground : public forms::TForm {
 public:
  // What the stage needs of the rest of the program; the program shell hands
  // it over once the start-up windows exist.
  struct Wiring {
    // The picture holder with the built-in pictures.
    TBackgrounds* builtIn = nullptr;
    // The progress window of the cache build.
    std::function<void(std::wstring_view comment, int percent)> setProgress;
    std::function<void()> showProgress;
    std::function<void()> closeProgress;
    // Runs the chosen craft's flight and returns once it is over; false, at
    // once, when the settings choose no craft.
    std::function<bool()> runCraft;
  };

  TScreenSaverBackground();
  void Wire(Wiring wiring) { wiring_ = std::move(wiring); }

  // Shows the current background (from the cache when it is complete and in
  // use, else the built-in picture), stores its id, then steps on if asked.
  // Processes no window messages. Returns the stage's picture.
  // In a run, a cache picture already on the stage stays, and one decoded
  // ahead is taken, each only while its file is the one under the cache name
  // now; then the picture of the new current id is decoded ahead, from the
  // message processing after the change.
  const forms::TPicture& ShowBackground(bool advance);
  // A decode of the cache file a run will show first, started before the
  // stage existed; the stage joins it before its cache build and drops it
  // when the build replaces the file.
  void SetEarlyDecode(std::unique_ptr<backgrounds::EarlyDecode> early) { ahead_ = std::move(early); }
  // The picture being decoded ahead, if any: the tests' way to wait for it.
  // None until message processing after a change has started it.
  const backgrounds::EarlyDecode* DecodingAhead() const { return ahead_.get(); }
  // Sets the current id; shows and stores nothing.
  void SetBackgroundId(int id) { backgroundId_ = id; }
  int BackgroundId() const { return backgroundId_; }

  // The cache path of an id (ids outside the catalogue give Dolphin's); empty
  // when the working directory leaves no room for a whole path.
  const std::string& CachePath(int id) const { return cachePaths_[backgrounds::CatalogueIndex(id)]; }
  bool CacheUsable() const { return !cachePaths_[0].empty(); }
  // Whether every cache path holds a regular file (not a directory) whose
  // JPEG header gives exactly the stage's size: a cache of another screen
  // size, or one that cannot be read, counts as missing.
  bool AllCacheFilesPresent() const;

  // Makes sure the screen-sized cache exists, reporting through the progress
  // window; the pictures are built on as many threads as the machine and the
  // memory allow.
  void BuildImageCache();
  // The same with the number of worker threads and each picture's work given:
  // the tests' and the benchmark's way in.
  void BuildImageCache(int workers, const backgrounds::PictureWork& work);
  // Resamples the JPEG at `source` to width x height and writes it to `target`.
  // A failure removes the target and raises an error naming it.
  void ScaleImageFile(const std::string& target, const std::string& source, int width, int height);

  // False only for Tab, Ctrl, Alt and Delete.
  static bool IsExitKey(WORD key) { return exitinput::IsExitKey(key); }

  void FormShow();
  // Hands the run to the chosen craft; with none chosen, watches for the input that ends the run.
  void FormActivate();
  void FormKeyDown(WORD& key);

  // Shows a cover window over each area (the monitors other than the
  // primary), replacing any from before; each shows the stage's picture.
  void CoverMonitors(std::span<const RECT> areas);
  const std::vector<std::unique_ptr<backgrounds::TMonitorCover>>& Covers() const { return covers_; }

  forms::TImage& imgBackground;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Puts the cache picture of `id` on the stage, keeping the picture it
  // replaces in retired_ and handing back any copies of the new one made for
  // the covers; false when it is there already. Raises an error when the
  // file does not decode.
  bool ShowCachePicture(int id, std::vector<forms::TBitmap>& copies);
  // Paints the change and arranges for the picture of the current id to be
  // decoded once the change is over, unless the stage shows it or it is
  // being decoded.
  void ScheduleDecodeAhead();
  // Starts that decode; its worker frees retired_ first.
  void StartDecodeAhead();
  const forms::TPicture& BuiltInPicture(int id) const;

  // The cache file whose picture the stage shows, as it was when read.
  struct ShownFile {
    std::string path;
    backgrounds::FileIdentity identity;
  };

  Wiring wiring_;
  int backgroundId_ = 0;
  std::array<std::string, backgrounds::kBackgroundCount> cachePaths_;
  int width_ = 0;
  int height_ = 0;
  // Set once the run has shown the stage; the other modes never do.
  bool running_ = false;
  std::vector<std::unique_ptr<backgrounds::TMonitorCover>> covers_;
  std::optional<ShownFile> shown_;
  // At most one picture decoded ahead.
  std::unique_ptr<backgrounds::EarlyDecode> ahead_;
  // The picture a change replaced, until a decode ahead frees it.
  forms::TPicture retired_;
  forms::TTimer decodeAheadStart_;
  ExitWatch exitWatch_;
};

extern TScreenSaverBackground* ScreenSaverBackground;
