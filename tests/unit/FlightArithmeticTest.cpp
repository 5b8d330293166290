// The flight's arithmetic without a window: entry tables, vertical rules,
// bounds and whole passes, the exit keys, the clamps on odd settings, and the
// display-state reports.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <optional>
#include <vector>

#include "backgrounds/UnitScreenSaver.h"
#include "exitinput/ExitInput.h"
#include "tests/common/DisplayReport.h"
#include "vessels/DisplayPower.h"
#include "vessels/Flight.h"

namespace {

using vessels::Bound;
using vessels::FlightParameters;
using vessels::VerticalRule;

constexpr RECT kWorkArea{0, 0, 1024, 738};

struct PassTrace {
  int steps = 0;
  int lastLeft = 0;
  int lastTop = 0;
};

// Flies a pass the way the craft window does, recording what it would set.
PassTrace Fly(const FlightParameters& flight, POINT entry, const vessels::Surroundings& around) {
  PassTrace trace{0, entry.x, entry.y};
  vessels::Pass pass(flight, entry);
  while (pass.GoesOn(around)) {
    ++trace.steps;
    trace.lastLeft = pass.Left();
    if (std::optional<int> top = pass.ApplyRule()) trace.lastTop = *top;
    pass.Advance();
  }
  return trace;
}

vessels::Surroundings Screen1024(int controlWidth, int controlHeight, RECT workArea = kWorkArea) {
  return {1024, workArea, controlWidth, controlHeight};
}

// The worked examples on a 1024 x 768 screen with a 1024 x 738 work area; an
// off-by-one in a bound, the rule's order (top set before y moves) or the
// divisibility of negative x shows in the step count or the last position.
TEST(FlightArithmetic, WorkedExamplesFlyExactly) {
  struct Case {
    const char* name;
    const FlightParameters* flight;
    int controlWidth, controlHeight, entry;
    POINT expectedEntry;
    int steps, lastLeft, lastTop;
  } cases[] = {
      {"Sarvane 0, right bound", &vessels::kSarvaneFlight, 513, 257, 0, {-513, 600}, 1537, 1023, 217},
      {"Sarvane 5, upper bound", &vessels::kSarvaneFlight, 513, 257, 5, {-513, 100}, 1426, 912, -256},
      {"Tarn Skimmer 0, lower bound", &vessels::kTarnSkimmerFlight, 193, 145, 0, {-200, 0}, 1242, 1041, 930},
      {"Thornax 0, right bound", &vessels::kThornaxFlight, 513, 257, 0, {-513, 500}, 1537, 1023, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    POINT entry = c.flight->entries(c.controlWidth, 768).Pick(c.entry);
    EXPECT_EQ(entry.x, c.expectedEntry.x);
    EXPECT_EQ(entry.y, c.expectedEntry.y);
    PassTrace trace = Fly(*c.flight, entry, Screen1024(c.controlWidth, c.controlHeight));
    EXPECT_EQ(trace.steps, c.steps);
    EXPECT_EQ(trace.lastLeft, c.lastLeft);
    EXPECT_EQ(trace.lastTop, c.lastTop);
  }
}

// The bounds of the descending craft add the control's width (not its
// height) to the work area, and an entry already beyond them flies no step.
TEST(FlightArithmetic, EntriesBeyondTheBoundsAndNarrowScreens) {
  const POINT aboveRight{750, -150};
  EXPECT_EQ(Fly(vessels::kTarnSkimmerFlight, aboveRight, Screen1024(193, 145, {0, 0, 640, 450})).steps, 83)
      << "x from 750 runs off-screen until it reaches 640 + 193";
  EXPECT_EQ(Fly(vessels::kTarnSkimmerFlight, aboveRight, Screen1024(193, 145, {0, 0, 557, 450})).steps, 0);
  EXPECT_EQ(Fly(vessels::kCalderineFlight, {0, 738 + 321}, Screen1024(321, 249)).steps, 0)
      << "the lower bound is the work area's bottom plus the width";
  EXPECT_EQ(Fly(vessels::kCalderineFlight, {1, 738 + 320}, Screen1024(321, 249)).steps, 1)
      << "x 1 is odd: the top is set, then y reaches the bound";
  EXPECT_EQ(Fly(vessels::kThornaxFlight, {1024, 300}, Screen1024(513, 257)).steps, 0);
  EXPECT_EQ(Fly(vessels::kSarvaneFlight, {0, -257}, Screen1024(513, 257)).steps, 0);
  EXPECT_EQ(Fly(vessels::kSarvaneFlight, {0, -256}, Screen1024(513, 257)).steps, 1)
      << "x 0 is divisible by 4: the top is set, then y reaches -257";
  // A Sarvane entry below a 480-pixel screen climbs into view.
  POINT below = vessels::kSarvaneFlight.entries(513, 480).Pick(7);
  EXPECT_EQ(below.y, 480);
  EXPECT_EQ(Fly(vessels::kSarvaneFlight, below, {640, kWorkArea, 513, 257}).steps, 640 + 513);
}

TEST(FlightArithmetic, VerticalRulesTestTheScreenXItselfNegativeValuesIncluded) {
  struct Case {
    VerticalRule rule;
    int x;
    bool fires;
  } cases[] = {
      {VerticalRule::ClimbOnMultiplesOfFour, -200, true},
      {VerticalRule::ClimbOnMultiplesOfFour, -199, false},
      {VerticalRule::ClimbOnMultiplesOfFour, -2, false},
      {VerticalRule::ClimbOnMultiplesOfFour, 0, true},
      {VerticalRule::ClimbOnMultiplesOfFour, 1020, true},
      {VerticalRule::SinkOffMultiplesOfFour, -200, false},
      {VerticalRule::SinkOffMultiplesOfFour, -199, true},
      {VerticalRule::SinkOffMultiplesOfFour, -1, true},
      {VerticalRule::SinkOffMultiplesOfFour, 4, false},
      {VerticalRule::SinkOnOdd, -301, true},
      {VerticalRule::SinkOnOdd, -1, true},
      {VerticalRule::SinkOnOdd, -300, false},
      {VerticalRule::SinkOnOdd, 0, false},
      {VerticalRule::SinkOnOdd, 7, true},
      {VerticalRule::Level, -513, false},
      {VerticalRule::Level, 0, false},
      {VerticalRule::Level, 1, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vessels::RuleFires(c.rule, c.x), c.fires)
        << "rule " << static_cast<int>(c.rule) << " x " << c.x;

  // Over 400 steps the Sarvane climbs one pixel in four, the Tarn Skimmer
  // sinks three in four, the Calderine one in two; each firing sets the top
  // that the one before prepared, starting with the entry's own.
  struct Drift {
    const FlightParameters* flight;
    int firings, direction;
  } drifts[] = {{&vessels::kSarvaneFlight, 100, -1},
                {&vessels::kTarnSkimmerFlight, 300, 1},
                {&vessels::kCalderineFlight, 200, 1},
                {&vessels::kThornaxFlight, 0, 0}};
  for (const auto& d : drifts) {
    vessels::Pass pass(*d.flight, {-400, 50});
    std::vector<int> tops;
    for (int i = 0; i < 400; ++i, pass.Advance())
      if (std::optional<int> top = pass.ApplyRule()) tops.push_back(*top);
    EXPECT_EQ(pass.Left(), 0);
    ASSERT_EQ(static_cast<int>(tops.size()), d.firings);
    for (int i = 0; i < d.firings; ++i) EXPECT_EQ(tops[i], 50 + d.direction * i) << "firing " << i;
  }
}

// The tables with their repeated entries: one entry wrong makes some
// position more or less likely, which no run would show.
TEST(FlightArithmetic, EntryTablesWithTheirRepeatedEntries) {
  auto points = [](const vessels::EntryTable& table) {
    std::vector<std::pair<int, int>> list;
    for (int i = 0; i < table.count; ++i) list.emplace_back(table.points[i].x, table.points[i].y);
    return list;
  };
  using List = std::vector<std::pair<int, int>>;
  EXPECT_EQ(points(vessels::kSarvaneFlight.entries(513, 768)), (List{{-513, 600},
                                                                     {-513, 500},
                                                                     {-513, 400},
                                                                     {-513, 300},
                                                                     {-513, 200},
                                                                     {-513, 100},
                                                                     {-513, 100},
                                                                     {-513, 768}}));
  EXPECT_EQ(points(vessels::kThornaxFlight.entries(513, 768)), (List{{-513, 500},
                                                                     {-513, 500},
                                                                     {-513, 400},
                                                                     {-513, 400},
                                                                     {-513, 400},
                                                                     {-513, 300},
                                                                     {-513, 300},
                                                                     {-513, 300}}));
  auto descent = [](int left) {
    return List{{left, 0},   {left, 500}, {left, 400},  {left, 300}, {left, 200},
                {left, 100}, {left, 0},   {left, -150}, {0, -150},   {150, -150},
                {300, -150}, {450, -150}, {600, -150},  {750, -150}, {left, -150}};
  };
  EXPECT_EQ(points(vessels::kTarnSkimmerFlight.entries(193, 768)), descent(-200));
  EXPECT_EQ(points(vessels::kCalderineFlight.entries(321, 768)), descent(-300));
  // The Sarvane's and Thornax's tables follow the control's width and the screen's height.
  EXPECT_EQ(points(vessels::kSarvaneFlight.entries(100, 480)).back(), (std::pair{-100, 480}));
  // The pick is the draw modulo the table's length.
  auto table = vessels::kTarnSkimmerFlight.entries(193, 768);
  EXPECT_EQ(table.Pick(15).y, table.Pick(0).y);
  EXPECT_EQ(table.Pick(29).x, -200);
  EXPECT_EQ(table.Pick(28).x, 750);
}

TEST(FlightArithmetic, ExitKeysAreEveryKeyButTabCtrlAltAndDelete) {
  std::vector<int> notExit;
  for (int key = 0; key <= 0xFFFF; ++key)
    if (!TScreenSaverBackground::IsExitKey(static_cast<WORD>(key))) notExit.push_back(key);
  EXPECT_EQ(notExit, (std::vector<int>{9, 17, 18, 46}));
}

TEST(FlightArithmetic, SpeedAndPassCountThatWouldTrapTheUserAreClamped) {
  struct Case {
    int stored;
    unsigned speed, passCount;
  } cases[] = {
      {INT_MIN, 0, 10},   {-1, 0, 10},
      {0, 0, 10},         {1, 1, 1},
      {10, 10, 10},       {1000, 1000, 1000},
      {1001, 1000, 1001}, {INT_MAX, 1000, static_cast<unsigned>(INT_MAX)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vessels::FlightSpeed(c.stored), c.speed) << c.stored;
    EXPECT_EQ(vessels::FlightPassCount(c.stored), c.passCount) << c.stored;
  }
}

TEST(FlightArithmetic, PointerTestTakesOnePixelAndSkipsFailedReads) {
  POINT start{100, 200};
  bool known = true;
  EXPECT_FALSE(exitinput::PointerMoved(start, known, POINT{100, 200}));
  EXPECT_FALSE(exitinput::PointerMoved(start, known, std::nullopt)) << "a failed read is no movement";
  EXPECT_TRUE(exitinput::PointerMoved(start, known, POINT{101, 200}));
  EXPECT_TRUE(exitinput::PointerMoved(start, known, POINT{100, 199}));

  // No start position yet: the first successful read becomes it.
  known = false;
  EXPECT_FALSE(exitinput::PointerMoved(start, known, std::nullopt));
  EXPECT_FALSE(known);
  EXPECT_FALSE(exitinput::PointerMoved(start, known, POINT{-5, 7}));
  EXPECT_TRUE(known);
  EXPECT_EQ(start.x, -5);
  EXPECT_EQ(start.y, 7);
  EXPECT_FALSE(exitinput::PointerMoved(start, known, POINT{-5, 7}));
  EXPECT_TRUE(exitinput::PointerMoved(start, known, POINT{-4, 7}));
}

// Both settings that report the display's state are understood (Windows
// before 8 report only the monitor's power); other reports change nothing.
TEST(FlightArithmetic, DisplayStateReports) {
  using vessels::DisplayState;
  const struct {
    const char* what;
    WPARAM event;
    testing_power::DisplayReport report;
    std::optional<DisplayState> state;
  } cases[] = {
      {"console off", PBT_POWERSETTINGCHANGE, testing_power::DisplayReport(0), DisplayState::Off},
      {"console on", PBT_POWERSETTINGCHANGE, testing_power::DisplayReport(1), DisplayState::On},
      {"console dimmed", PBT_POWERSETTINGCHANGE, testing_power::DisplayReport(2), DisplayState::Dimmed},
      {"unknown value", PBT_POWERSETTINGCHANGE, testing_power::DisplayReport(7), DisplayState::On},
      {"monitor off", PBT_POWERSETTINGCHANGE, testing_power::DisplayReport(0, GUID_MONITOR_POWER_ON),
       DisplayState::Off},
      {"monitor on", PBT_POWERSETTINGCHANGE, testing_power::DisplayReport(1, GUID_MONITOR_POWER_ON),
       DisplayState::On},
      {"another setting", PBT_POWERSETTINGCHANGE,
       testing_power::DisplayReport(0, GUID_VIDEO_POWERDOWN_TIMEOUT), std::nullopt},
      {"data too short", PBT_POWERSETTINGCHANGE,
       testing_power::DisplayReport(0, GUID_CONSOLE_DISPLAY_STATE, 1), std::nullopt},
      {"another event", PBT_APMRESUMEAUTOMATIC, testing_power::DisplayReport(0), std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vessels::ReportedDisplayState(c.event, c.report.Parameter()), c.state) << c.what;
  EXPECT_EQ(vessels::ReportedDisplayState(PBT_POWERSETTINGCHANGE, 0), std::nullopt);
}

}  // namespace
