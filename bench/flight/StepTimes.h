// Step times of a flight, as both flight benchmarks collect them: the time
// from each step to the next within a pass, kept in storage reserved
// beforehand so that measuring allocates nothing, and the one line of
// figures the section script reads.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include "bench/common/Timing.h"

namespace bench {

// Where both flights enter, left of the screen: a window partly or wholly off
// the screen moves for less under Wine, so they must enter alike.
inline constexpr int kEntryTop = 400;

class StepTimes {
 public:
  // The first `warmUp` steps are left out; then `steps` step times are kept.
  StepTimes(int warmUp, int steps) : warmUp_(warmUp), wanted_(static_cast<std::size_t>(steps)) {
    times_.reserve(wanted_);
  }

  // A step begins now. True once enough step times are kept.
  bool Step() {
    const double now = watch_.Milliseconds();
    const bool follows = hasLast_;
    const double last = last_;
    last_ = now;
    hasLast_ = true;
    if (seen_++ >= warmUp_ && follows && !Done()) times_.push_back(now - last);
    return Done();
  }
  // The next step starts a pass: it is timed against none.
  void Restart() { hasLast_ = false; }
  bool Measuring() const { return seen_ >= warmUp_ && !Done(); }
  bool Done() const { return times_.size() >= wanted_; }

  // Mean and 95th percentile of the step times in ms, steps per second, and
  // the given count over the measured steps.
  int Report(long long count) const {
    if (!Done() || times_.empty()) Fail("too few steps measured");
    std::vector<double> sorted = times_;
    std::sort(sorted.begin(), sorted.end());
    const double total = std::accumulate(sorted.begin(), sorted.end(), 0.0);
    const double p95 = sorted[std::min(sorted.size() - 1, sorted.size() * 95 / 100)];
    const double steps = static_cast<double>(sorted.size());
    std::printf("%.3f %.3f %.1f %lld\n", total / steps, p95, 1000.0 * steps / total, count);
    return 0;
  }

 private:
  Stopwatch watch_;
  std::vector<double> times_;
  double last_ = 0;
  bool hasLast_ = false;
  int seen_ = 0;
  int warmUp_;
  std::size_t wanted_;
};

}  // namespace bench
