// The picture cache's work: each built-in picture written to a temporary file
// beside its cache file, resampled there to the screen size with GD, and moved
// over the cache name once complete and on the disk; the pictures on worker
// threads of their own while the calling thread reports the progress in order
// and keeps its windows responsive.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace backgrounds {

// One picture of a build. The stream belongs to the picture holder, which
// outlives every build.
struct CacheJob {
  std::span<const std::uint8_t> stream;
  std::string path;
  int width = 0;
  int height = 0;
};

// The work of one picture on a worker thread, in the file `job.path` names
// (the build's temporary one): calls `written` once the built-in stream
// stands in the file, returns once the file holds the scaled picture, raises
// an error otherwise. It may use only stdio, GD, libjpeg and
// the message formatting: no window, form, setting or dialog.
using PictureWork = std::function<void(const CacheJob& job, const std::function<void()>& written)>;

// The program's work: the stream into the file, then the file scaled in place.
void ScalePicture(const CacheJob& job, const std::function<void()>& written);

// Resamples the JPEG at `source` to width x height and writes it to `target`.
// A failure removes the target and raises an error naming it.
void ScaleJpegFile(const std::string& target, const std::string& source, int width, int height);

// How many pictures of width x height may be in flight at once: one per
// processor, no more than there are pictures, and no more than a 32-bit
// process's memory holds comfortably.
int CacheWorkerCount(int width, int height, unsigned processors);

struct CacheReports {
  // Once the workers have started, before any other report: showing a window
  // takes a while under Wine, and the pictures need not wait for it.
  std::function<void()> started;
  // 20 k + 10 once picture k's stream is written and 20 k + 20 once it is
  // scaled, each only after every report before it.
  std::function<void(int percent)> progress;
  // Once, as soon as a picture has failed, before the pictures still in
  // flight are waited for.
  std::function<void()> failed;
};

// Builds the jobs' files in id order on `workers` threads; the reports come on
// the calling thread, which meanwhile processes its window messages. First it
// removes the temporary files of builds that can no longer be running. After
// a failure no further picture starts; once every worker has ended, the first
// failing picture's error, in id order, is raised, naming its cache file.
// Whatever happens, a cache file is either the old one or the new one whole.
void BuildCache(std::span<const CacheJob> jobs, int workers, const PictureWork& work,
                const CacheReports& reports);

}  // namespace backgrounds
