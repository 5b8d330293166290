// The longest step after a picture change, as the picture-change benchmarks
// time it: a step is the span from one move of the flying window to the next,
// seen as WM_WINDOWPOSCHANGED in that window's procedure. Every `between`
// steps the program under test is asked for a change; of the kStepsAfter
// steps that follow (the change itself, and any repaint it brings later) the
// longest is kept, once per change.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/common/Timing.h"
#include "bench/common/UnixProcesses.h"

namespace bench {

class ChangeSteps {
 public:
  static constexpr int kWarmUpSteps = 30;
  static constexpr int kStepsAfter = 100;

  explicit ChangeSteps(int changes, int between = 120) : wanted_(changes), between_(between) {}

  // The window is at `left` now. A step of one pixel to the right is timed;
  // any other move begins a new pass, whose first step follows none.
  // Returns true when the caller is to change the picture now: the next step
  // holds the change.
  bool Moved(int left) {
    const double now = watch_.Milliseconds();
    bool change = false;
    if (left == lastLeft_ + 1) {
      if (follows_ && sinceChange_ >= 0) {
        longest_ = std::max(longest_, now - last_);
        if (++sinceChange_ == kStepsAfter) {
          longestPerChange_.push_back(longest_);
          sinceChange_ = -1;
        }
      }
      ++steps_;
      if (!Done() && steps_ > kWarmUpSteps && steps_ % between_ == 0 && sinceChange_ < 0) {
        sinceChange_ = 0;
        longest_ = 0;
        change = true;
      }
      follows_ = true;
    } else if (left != lastLeft_) {
      follows_ = false;
    }
    last_ = now;
    lastLeft_ = left;
    return change;
  }
  bool Done() const { return static_cast<int>(longestPerChange_.size()) >= wanted_; }

  // The median over the changes of the longest step after each, in ms.
  double Median() const {
    if (!Done()) Fail("too few picture changes measured");
    std::vector<double> times = longestPerChange_;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  }

 private:
  Stopwatch watch_;
  const int wanted_;
  const int between_;
  int lastLeft_ = 0;
  bool follows_ = false;
  double last_ = 0;
  int steps_ = 0;
  int sinceChange_ = -1;
  double longest_ = 0;
  std::vector<double> longestPerChange_;
};

// The peak resident memory so far, in MB, of the one Unix process whose
// command line names `program`: Wine keeps no such figure, the kernel does.
inline double PeakMegabytes(const std::string& program) {
  auto self = FindUnixProcesses([&](const std::string&, const std::string& commandLine) {
    return commandLine.find(program) != std::string::npos;
  });
  if (self.size() != 1) Fail("cannot tell this process in /proc");
  const long peak = StatusKilobytes(self.front(), "VmHWM");
  if (peak <= 0) Fail("no VmHWM in /proc");
  return static_cast<double>(peak) / 1024;
}

}  // namespace bench
