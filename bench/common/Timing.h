// What every bench program shares: a stopwatch on the performance counter
// (Wine's GetTickCount moves in 16 ms steps) and the one way a program hands
// its figure to the section script that started it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double Milliseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

// The figure, alone on standard output: the scripts read nothing else there.
inline int Report(double milliseconds) {
  std::printf("%.2f\n", milliseconds);
  return 0;
}

// A benchmark that did not do its work has no figure to report.
[[noreturn]] inline void Fail(const char* what, const char* detail = "") {
  std::fprintf(stderr, "bench: %s %s\n", what, detail);
  std::exit(1);
}

}  // namespace bench
