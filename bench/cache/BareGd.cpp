// The baseline of the cache build: nothing but the GD calls the program makes
// for each picture, on files opened "rb" and "wb", with no error handling,
// progress window or intermediate copy.
//   bench_gd scale WIDTH HEIGHT OUTDIR FILE...  each file resampled to WIDTH x HEIGHT
//                                               into OUTDIR under its own name
//   bench_gd scale-durable WIDTH HEIGHT OUTDIR FILE...
//                                               the same, each file written under a
//                                               temporary name, flushed to the disk and
//                                               moved over its own name, as the program
//                                               must write its cache
//   bench_gd decode FILE...                     gdImageCreateFromJpeg on each file
#include <windows.h>

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gd.h>

#include "bench/common/Timing.h"

namespace {

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Scale(const std::string& target, const char* source, int width, int height, bool durable) {
  FILE* input = std::fopen(source, "rb");
  if (!input) bench::Fail("cannot read", source);
  gdImagePtr from = gdImageCreateFromJpeg(input);
  std::fclose(input);
  if (!from) bench::Fail("cannot decode", source);
  gdImagePtr to = gdImageCreateTrueColor(width, height);
  gdImageCopyResampled(to, from, 0, 0, 0, 0, gdImageSX(to), gdImageSY(to), gdImageSX(from), gdImageSY(from));
  const std::string written = durable ? target + ".tmp" : target;
  FILE* output = std::fopen(written.c_str(), "wb");
  if (!output) bench::Fail("cannot create", written.c_str());
  gdImageJpeg(to, output, 100);
  if (durable && (std::fflush(output) != 0 || _commit(_fileno(output)) != 0))
    bench::Fail("cannot flush", written.c_str());
  std::fclose(output);
  if (durable &&
      !MoveFileExA(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    bench::Fail("cannot move", written.c_str());
  gdImageDestroy(from);
  gdImageDestroy(to);
}

int ScaleAll(int width, int height, const std::string& directory, int count, char** files, bool durable) {
  bench::Stopwatch watch;
  for (int i = 0; i < count; ++i)
    Scale(directory + "\\" + BaseName(files[i]), files[i], width, height, durable);
  return bench::Report(watch.Milliseconds());
}

int DecodeAll(int count, char** files) {
  bench::Stopwatch watch;
  for (int i = 0; i < count; ++i) {
    FILE* input = std::fopen(files[i], "rb");
    if (!input) bench::Fail("cannot read", files[i]);
    gdImagePtr image = gdImageCreateFromJpeg(input);
    std::fclose(input);
    if (!image) bench::Fail("cannot decode", files[i]);
    gdImageDestroy(image);
  }
  return bench::Report(watch.Milliseconds());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 5 && (std::strcmp(argv[1], "scale") == 0 || std::strcmp(argv[1], "scale-durable") == 0))
    return ScaleAll(std::atoi(argv[2]), std::atoi(argv[3]), argv[4], argc - 5, argv + 5,
                    std::strcmp(argv[1], "scale-durable") == 0);
  if (argc > 2 && std::strcmp(argv[1], "decode") == 0) return DecodeAll(argc - 2, argv + 2);
  bench::Fail("usage: bench_gd scale|scale-durable WIDTH HEIGHT OUTDIR FILE... | decode FILE...");
}
