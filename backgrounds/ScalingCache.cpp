#include "backgrounds/ScalingCache.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include <gd.h>

#include "backgrounds/CacheFiles.h"
#include "backgrounds/Worker.h"
#include "forms/Application.h"
#include "forms/Errors.h"
#include "forms/Handles.h"
#include "forms/Picture.h"
#include "forms/Text.h"

namespace backgrounds {
namespace {

using forms::EError;
using forms::UniqueFile;
using forms::UniqueKernelHandle;

// Pixel memory of the pictures in flight, well inside a 32-bit process's
// address space next to the program and its windows.
constexpr std::uint64_t kPixelBudget = 400ull << 20;
// A GD true-colour image holds an int per pixel: the screen-sized target and
// the 1024 x 768 source, decoded.
constexpr std::uint64_t kSourcePixels = 1024 * 768;

struct GdImageTraits {
  static gdImagePtr Invalid() { return nullptr; }
  static void Close(gdImagePtr image) { gdImageDestroy(image); }
};
using UniqueGdImage = forms::UniqueHandle<gdImagePtr, GdImageTraits>;

[[noreturn]] void Fail(const char* pattern, const std::string& path) {
  throw EError(forms::Format(pattern, forms::AnsiToUtf8(path)));
}

// Takes the file being written away after a failed step, so that nothing
// incomplete stays behind, then raises the error. Nothing more can be done
// when even the removal fails: the error is reported anyway.
[[noreturn]] void DiscardAndFail(const std::string& discard, const char* pattern, const std::string& path) {
  DeleteFileA(discard.c_str());
  Fail(pattern, path);
}

void WriteStream(const std::string& path, std::span<const std::uint8_t> stream) {
  UniqueFile file(std::fopen(path.c_str(), "wb"));
  if (!file) Fail("Datei %s kann nicht erstellt werden", path);
  bool written = std::fwrite(stream.data(), 1, stream.size(), file.get()) == stream.size();
  if (std::fclose(file.release()) != 0) written = false;
  if (!written) DiscardAndFail(path, "Datei %s kann nicht geschrieben werden", path);
}

// A picture is built under a temporary name beside its cache file and moved
// over the cache name only once it is complete and on the disk, so that a
// crash, a power cut or a full disk leave the old file or the new one there,
// never a part of one. The name holds this process's id, so that no other run
// takes it and a later build can tell whose it is.
constexpr char kTemporarySuffix[] = ".tmp";
// A temporary file older than this belongs to no build still running.
constexpr ULONGLONG kAbandonedAfter = 10ull * 60 * 1000 * 10000;  // 100 ns units
// Another handle on the cache file (another run's reader, say) makes the
// move fail for as long as it is open; readers hold it for milliseconds.
constexpr int kMoveTries = 5;
constexpr DWORD kMoveRetryMilliseconds = 200;

std::string TemporaryPath(const std::string& path) {
  static std::atomic<unsigned> serial{0};
  return path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) +
         kTemporarySuffix;
}

// The process id a temporary name of `path` holds, or 0.
DWORD TemporaryOwner(const std::string& cacheName, const std::string& name) {
  const std::string prefix = cacheName + ".";
  if (name.size() <= prefix.size() + sizeof kTemporarySuffix - 1 ||
      _strnicmp(name.c_str(), prefix.c_str(), prefix.size()) != 0)
    return 0;
  DWORD owner = 0;
  for (std::size_t i = prefix.size(); i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
    owner = owner * 10 + static_cast<DWORD>(name[i] - '0');
  return owner;
}

bool ProcessRuns(DWORD id) {
  if (id == GetCurrentProcessId()) return false;  // its builds run one at a time, and this is the one
  UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // someone else's, and running
  DWORD code = 0;
  return GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

// Removes the temporary files of `path` that a run ended in the middle of its
// build left behind: those of a process that no longer runs, and any too old
// to belong to a build still going on.
void RemoveAbandoned(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string cacheName = path.substr(directory.size());
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + ".*" + kTemporarySuffix).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& time) { return ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime; };
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const DWORD owner = TemporaryOwner(cacheName, found.cFileName);
    if (owner == 0) continue;
    const bool old = ticks(now) > ticks(found.ftLastWriteTime) + kAbandonedAfter;
    // A file that cannot be removed now is tried again at the next build.
    if (old || !ProcessRuns(owner)) DeleteFileA((directory + found.cFileName).c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// Puts the complete temporary file on the disk, then in place of the cache
// file. A rename on one volume flushes nothing by itself: without the flush
// first, a power cut could leave the new name on an empty file.
void Commit(const std::string& temporary, const std::string& path) {
  if (!EndsWithEndOfImage(temporary))
    DiscardAndFail(temporary, "Bild %s kann nicht gespeichert werden", path);
  {
    forms::UniqueFileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !FlushFileBuffers(file.get()))
      DiscardAndFail(temporary, "Bild %s kann nicht gespeichert werden", path);
  }
  // A directory under the cache name never goes away by itself.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  for (int tries = 1; !directory; ++tries) {
    if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return;
    const DWORD error = GetLastError();
    if (tries == kMoveTries || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) break;
    Sleep(kMoveRetryMilliseconds);
  }
  DiscardAndFail(temporary, "Datei %s kann nicht erstellt werden", path);
}

// The work's errors name the file it was given; the user knows the cache file.
std::exception_ptr NamingTheCacheFile(const std::exception_ptr& error, const std::string& temporary,
                                      const std::string& path) {
  try {
    std::rethrow_exception(error);
  } catch (const EError& failure) {
    std::string message = failure.what();
    const std::string from = forms::AnsiToUtf8(temporary), to = forms::AnsiToUtf8(path);
    for (std::size_t at; (at = message.find(from)) != std::string::npos;)
      message.replace(at, from.size(), to);
    return std::make_exception_ptr(EError(message));
  } catch (...) {
    return error;
  }
}

// What the workers and the calling thread share, under the mutex.
class Build {
 public:
  Build(std::span<const CacheJob> jobs, const PictureWork& work)
      : jobs_(jobs), work_(work), steps_(jobs.size(), 0), errors_(jobs.size()) {}

  HANDLE Changed() const { return changed_.get(); }

  // A worker's life: the next picture in id order until none is left or one has failed.
  void Work() {
    for (std::size_t job; Take(job);) {
      CacheJob temporary = jobs_[job];
      temporary.path = TemporaryPath(jobs_[job].path);
      try {
        work_(temporary, [&] { Mark(job, 1); });
        Commit(temporary.path, jobs_[job].path);
        Mark(job, 2);
      } catch (...) {
        // Only the build's own file goes: the cache file, if any, stays whole.
        DeleteFileA(temporary.path.c_str());
        std::lock_guard lock(mutex_);
        errors_[job] = NamingTheCacheFile(std::current_exception(), temporary.path, jobs_[job].path);
        stopped_ = failed_ = true;
        SetEvent(changed_.get());
      }
    }
  }
  // Lets no further picture start, for a caller that gives up waiting.
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }

  // Steps done by each picture (1 written, 2 scaled) and whether one failed.
  std::vector<int> Steps(bool& failed) {
    std::lock_guard lock(mutex_);
    failed = failed_;
    return steps_;
  }
  // Once every worker has ended: raises the first error in id order.
  void Finish() const {
    for (const std::exception_ptr& error : errors_)
      if (error) std::rethrow_exception(error);
  }

 private:
  bool Take(std::size_t& job) {
    std::lock_guard lock(mutex_);
    if (stopped_ || next_ == jobs_.size()) return false;
    job = next_++;
    return true;
  }
  void Mark(std::size_t job, int step) {
    std::lock_guard lock(mutex_);
    steps_[job] = step;
    SetEvent(changed_.get());
  }

  std::span<const CacheJob> jobs_;
  const PictureWork& work_;
  std::mutex mutex_;
  std::size_t next_ = 0;
  std::vector<int> steps_;
  std::vector<std::exception_ptr> errors_;
  bool stopped_ = false;
  bool failed_ = false;
  UniqueKernelHandle changed_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

// The worker threads, joined however the build ends: the shared state they
// use lives in the caller's frame.
class Workers {
 public:
  Workers(Build& build, int count) : build_(build) {
    for (int i = 0; i < count; ++i) {
      auto worker = std::make_unique<Worker>([&build] { build.Work(); });
      if (!worker->Started()) break;
      threads_.push_back(std::move(worker));
    }
  }
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;
  ~Workers() {
    build_.Stop();
    threads_.clear();
  }
  bool Empty() const { return threads_.empty(); }
  std::vector<HANDLE> Handles() const {
    std::vector<HANDLE> handles;
    for (const auto& thread : threads_) handles.push_back(thread->Handle());
    return handles;
  }

 private:
  Build& build_;
  std::vector<std::unique_ptr<Worker>> threads_;
};

// Gives the reports that are due, in order, from `next` on; true once a failure is known.
bool Report(Build& build, std::size_t& next, const CacheReports& reports) {
  bool failed = false;
  std::vector<int> steps = build.Steps(failed);
  if (failed) return true;
  for (; next < 2 * steps.size() && steps[next / 2] > static_cast<int>(next % 2); ++next)
    reports.progress(static_cast<int>(10 * (next + 1)));
  return false;
}

}  // namespace

void ScaleJpegFile(const std::string& target, const std::string& source, int width, int height) {
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

void ScalePicture(const CacheJob& job, const std::function<void()>& written) {
  WriteStream(job.path, job.stream);
  written();
  ScaleJpegFile(job.path, job.path, job.width, job.height);
}

int CacheWorkerCount(int width, int height, unsigned processors) {
  const std::uint64_t perPicture = 4 * (static_cast<std::uint64_t>(width) * height + kSourcePixels);
  const std::uint64_t fits = std::max<std::uint64_t>(1, kPixelBudget / perPicture);
  return static_cast<int>(std::clamp<std::uint64_t>(std::min<std::uint64_t>(fits, processors), 1, 5));
}

void BuildCache(std::span<const CacheJob> jobs, int workers, const PictureWork& work,
                const CacheReports& reports) {
  for (const CacheJob& job : jobs) RemoveAbandoned(job.path);
  Build build(jobs, work);
  if (!build.Changed()) Fail("Bild %s kann nicht skaliert werden", jobs.front().path);
  // Several pictures are decoded, resampled and encoded at once; each call
  // keeps its state to itself (read in Debian's sources of GD 2.3.3 and
  // libjpeg-turbo 2.1.5, the ones built in):
  // - GD: every image, I/O context and libjpeg object is the call's own, and
  //   so is the setjmp buffer its libjpeg error handler jumps to. The one
  //   global, the error callback, is only read, and writes to stderr.
  //   gdImageCopyResampled works on its two images alone; memory comes from
  //   the C runtime's malloc, which is thread-safe.
  // - libjpeg-turbo: compress and decompress objects are per call, its
  //   tables constant. The exception is the SIMD dispatch's cache of the
  //   processor's features, filled on first use without a lock: it is
  //   thread-local only in builds with the TurboJPEG API, which ours leaves
  //   out. It is filled here, before any worker starts, so the workers only
  //   ever read it.
  forms::SettleJpegThreads();
  Workers threads(build, std::min<int>(workers, static_cast<int>(jobs.size())));
  if (threads.Empty()) Fail("Bild %s kann nicht skaliert werden", jobs.front().path);
  if (reports.started) reports.started();

  // Waits for a report from the workers, for a worker to end, or for a
  // window message, so the progress window paints and stays responsive
  // while GD works.
  std::vector<HANDLE> waiting = {build.Changed()};
  for (HANDLE thread : threads.Handles()) waiting.push_back(thread);
  std::size_t next = 0;
  bool failed = false;
  while (waiting.size() > 1) {
    const auto count = static_cast<DWORD>(waiting.size());
    DWORD woken =
        MsgWaitForMultipleObjectsEx(count, waiting.data(), INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0 + count) {
      forms::Application.ProcessMessages();
    } else if (woken > WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + count) {
      waiting.erase(waiting.begin() + (woken - WAIT_OBJECT_0));
    } else if (woken == WAIT_FAILED) {
      // No way left to watch the workers but to wait for all of them.
      build.Stop();
      WaitForMultipleObjects(count - 1, waiting.data() + 1, TRUE, INFINITE);
      waiting.erase(waiting.begin() + 1, waiting.end());
    }
    if (!failed && Report(build, next, reports)) {
      failed = true;
      reports.failed();
    }
  }
  if (!failed && Report(build, next, reports)) reports.failed();
  build.Finish();
}

}  // namespace backgrounds
