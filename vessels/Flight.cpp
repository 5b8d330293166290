#include "vessels/Flight.h"

#include <initializer_list>

#include "settings/Settings.h"

namespace vessels {
namespace {

// Entries along the left edge, left of the screen by the control's width.
EntryTable LeftEdgeEntries(int controlWidth, std::initializer_list<int> heights) {
  EntryTable table;
  for (int top : heights) table.points[static_cast<std::size_t>(table.count++)] = {-controlWidth, top};
  return table;
}

// The descending craft come in from the left edge or from above the screen.
EntryTable DescentEntries(int left) {
  EntryTable table;
  for (POINT point :
       {POINT{left, 0}, POINT{left, 500}, POINT{left, 400}, POINT{left, 300}, POINT{left, 200},
        POINT{left, 100}, POINT{left, 0}, POINT{left, -150}, POINT{0, -150}, POINT{150, -150},
        POINT{300, -150}, POINT{450, -150}, POINT{600, -150}, POINT{750, -150}, POINT{left, -150}})
    table.points[static_cast<std::size_t>(table.count++)] = point;
  return table;
}

EntryTable SarvaneEntries(int controlWidth, int screenHeight) {
  // The last entry starts just below the screen's bottom-left corner.
  return LeftEdgeEntries(controlWidth, {600, 500, 400, 300, 200, 100, 100, screenHeight});
}

EntryTable ThornaxEntries(int controlWidth, int) {
  return LeftEdgeEntries(controlWidth, {500, 500, 400, 400, 400, 300, 300, 300});
}

EntryTable TarnSkimmerEntries(int, int) {
  return DescentEntries(-200);
}

EntryTable CalderineEntries(int, int) {
  return DescentEntries(-300);
}

}  // namespace

const FlightParameters kSarvaneFlight{SarvaneEntries, VerticalRule::ClimbOnMultiplesOfFour, Bound::Screen};
const FlightParameters kTarnSkimmerFlight{TarnSkimmerEntries, VerticalRule::SinkOffMultiplesOfFour,
                                          Bound::WorkArea};
const FlightParameters kCalderineFlight{CalderineEntries, VerticalRule::SinkOnOdd, Bound::WorkArea};
const FlightParameters kThornaxFlight{ThornaxEntries, VerticalRule::Level, Bound::Screen};

bool RuleFires(VerticalRule rule, int x) {
  // C++ keeps the sign of the dividend (-199 % 4 == -3), so only "== 0" and
  // "!= 0" are safe here; "x % 2 == 1" would miss every negative odd x.
  switch (rule) {
    case VerticalRule::ClimbOnMultiplesOfFour:
      return x % 4 == 0;
    case VerticalRule::SinkOffMultiplesOfFour:
      return x % 4 != 0;
    case VerticalRule::SinkOnOdd:
      return x % 2 != 0;
    case VerticalRule::Level:
      break;
  }
  return false;
}

bool InBounds(Bound bound, int x, int y, const Surroundings& around) {
  if (bound == Bound::Screen) return x < around.screenWidth && y > -around.controlHeight;
  return x < around.workArea.right + around.controlWidth && y < around.workArea.bottom + around.controlWidth;
}

std::optional<int> Pass::ApplyRule() {
  if (!RuleFires(flight_.rule, x_)) return std::nullopt;
  int top = y_;
  y_ += flight_.rule == VerticalRule::ClimbOnMultiplesOfFour ? -1 : 1;
  return top;
}

unsigned FlightSpeed(int stored) {
  if (stored < 0) return 0;
  return static_cast<unsigned>(stored < kMaxSpeed ? stored : kMaxSpeed);
}

unsigned FlightPassCount(int stored) {
  return static_cast<unsigned>(stored < 1 ? settings::PassCount.fallback : stored);
}

TimerPeriodCalls& TimerPeriodApi() {
  static TimerPeriodCalls calls{timeBeginPeriod, timeEndPeriod};
  return calls;
}

namespace {

// Everything runs on the one user-interface thread.
TimerResolution* innermostResolution = nullptr;
int resolutionPauses = 0;

}  // namespace

TimerResolution::TimerResolution() : calls_(TimerPeriodApi()), outer_(innermostResolution) {
  innermostResolution = this;
  if (resolutionPauses == 0) Raise();
}

TimerResolution::~TimerResolution() {
  Lower();
  innermostResolution = outer_;
}

void TimerResolution::Raise() {
  if (!raised_) raised_ = calls_.begin(1) == TIMERR_NOERROR;
}

void TimerResolution::Lower() {
  // Only a period that was granted is given back.
  if (raised_) calls_.end(1);
  raised_ = false;
}

TimerResolution::Pause::Pause() {
  if (resolutionPauses++ > 0) return;
  for (TimerResolution* guard = innermostResolution; guard; guard = guard->outer_) guard->Lower();
}

TimerResolution::Pause::~Pause() {
  if (--resolutionPauses > 0) return;
  for (TimerResolution* guard = innermostResolution; guard; guard = guard->outer_) guard->Raise();
}

}  // namespace vessels
