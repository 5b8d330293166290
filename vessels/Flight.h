// The arithmetic of the craft's flight, free of windows: entry tables, the
// vertical rules, the bounds, and the clamps that keep odd settings from
// trapping the user. The four craft share all of it and differ
// only in their FlightParameters.
#pragma once

#include <windows.h>

#include <array>
#include <mmsystem.h>
#include <optional>

namespace vessels {

// When a step moves the window vertically, tested on the screen x itself
// (negative x included), and which way it goes.
enum class VerticalRule {
  ClimbOnMultiplesOfFour,  // x divisible by 4: one pixel up
  SinkOffMultiplesOfFour,  // x not divisible by 4: one pixel down
  SinkOnOdd,               // x odd: one pixel down
  Level,                   // never
};

enum class Bound {
  Screen,    // x < screen width and y > -H
  WorkArea,  // x < work area right + W and y < work area bottom + W (the width, also below)
};

inline constexpr int kMaxEntries = 15;

// Start positions of a pass (the window's top-left corner). Repeated entries
// are meant: they make their position more likely. The count is also the
// random range of the pick.
struct EntryTable {
  std::array<POINT, kMaxEntries> points{};
  int count = 0;
  // The entry of a non-negative random draw.
  POINT Pick(int draw) const { return points[static_cast<std::size_t>(draw % count)]; }
};

struct FlightParameters {
  // Builds the table from the picture control's width and the screen height.
  EntryTable (*entries)(int controlWidth, int screenHeight);
  VerticalRule rule;
  Bound bound;
};

extern const FlightParameters kSarvaneFlight;
extern const FlightParameters kTarnSkimmerFlight;
extern const FlightParameters kCalderineFlight;
extern const FlightParameters kThornaxFlight;

// What a bound test looks at. The screen width is read anew for every test.
struct Surroundings {
  int screenWidth;
  RECT workArea;
  int controlWidth;
  int controlHeight;
};

bool RuleFires(VerticalRule rule, int x);
bool InBounds(Bound bound, int x, int y, const Surroundings& around);

// One pass from its entry: x is the window's left, y the next top the
// vertical rule sets.
class Pass {
 public:
  Pass(const FlightParameters& flight, POINT entry) : flight_(flight), x_(entry.x), y_(entry.y) {}
  bool GoesOn(const Surroundings& around) const { return InBounds(flight_.bound, x_, y_, around); }
  int Left() const { return x_; }
  // The top to set at this step when the rule fires at the current x; the
  // next top moves on by one pixel then.
  std::optional<int> ApplyRule();
  void Advance() { ++x_; }

 private:
  const FlightParameters& flight_;
  int x_;
  int y_;
};

// Speed counts one-millisecond sleeps per step. The key handler cannot cut a
// delay short, so more than a second per step would keep input from ending
// the run for that long; the settings dialog never stores more than 10.
inline constexpr int kMaxSpeed = 1000;
unsigned FlightSpeed(int stored);
// A pass count below 1 would make cycles that neither fly, sleep nor look at
// the input: it counts as the default.
unsigned FlightPassCount(int stored);

// The two calls that raise and restore the timer resolution. Wine keeps no
// period count that a test could read back, so the tests replace them to
// count the pairing.
struct TimerPeriodCalls {
  MMRESULT(WINAPI* begin)(UINT period);
  MMRESULT(WINAPI* end)(UINT period);
};
TimerPeriodCalls& TimerPeriodApi();

// The timer resolution at 1 ms for as long as the guard lives, so that a
// Sleep(1) lasts about a millisecond instead of a whole 15.6 ms tick (each
// process must ask for this itself since Windows 10 2004). Guards live on the
// stack of nested flights, the newest innermost.
class TimerResolution {
 public:
  TimerResolution();
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;
  ~TimerResolution();

  // Gives back the period of every guard alive for as long as it lives, and
  // asks for them again after: a raised resolution holds the whole system at
  // it on older Windows. Guards made meanwhile ask only then.
  class Pause {
   public:
    Pause();
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;
    ~Pause();
  };

 private:
  void Raise();
  void Lower();

  TimerPeriodCalls calls_;
  bool raised_ = false;
  TimerResolution* outer_;
};

}  // namespace vessels
