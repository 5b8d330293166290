// The baseline of the cache build: nothing but the GD calls the program makes
// for each picture, on files opened "rb" and "wb", with no error handling,
// progress window or intermediate copy.
//   bench_gd scale WIDTH HEIGHT OUTDIR FILE...  each file resampled to WIDTH x HEIGHT
//                                               into OUTDIR under its own name
//   bench_gd decode FILE...                     gdImageCreateFromJpeg on each file
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

void Scale(const std::string& target, const char* source, int width, int height) {
  FILE* input = std::fopen(source, "rb");
  if (!input) bench::Fail("cannot read", source);
  gdImagePtr from = gdImageCreateFromJpeg(input);
  std::fclose(input);
  if (!from) bench::Fail("cannot decode", source);
  gdImagePtr to = gdImageCreateTrueColor(width, height);
  gdImageCopyResampled(to, from, 0, 0, 0, 0, gdImageSX(to), gdImageSY(to), gdImageSX(from), gdImageSY(from));
  FILE* output = std::fopen(target.c_str(), "wb");
  if (!output) bench::Fail("cannot create", target.c_str());
  gdImageJpeg(to, output, 100);
  std::fclose(output);
  gdImageDestroy(from);
  gdImageDestroy(to);
}

int ScaleAll(int width, int height, const std::string& directory, int count, char** files) {
  bench::Stopwatch watch;
  for (int i = 0; i < count; ++i) Scale(directory + "\\" + BaseName(files[i]), files[i], width, height);
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
  if (argc > 5 && std::strcmp(argv[1], "scale") == 0)
    return ScaleAll(std::atoi(argv[2]), std::atoi(argv[3]), argv[4], argc - 5, argv + 5);
  if (argc > 2 && std::strcmp(argv[1], "decode") == 0) return DecodeAll(argc - 2, argv + 2);
  bench::Fail("usage: bench_gd scale WIDTH HEIGHT OUTDIR FILE... | decode FILE...");
}
