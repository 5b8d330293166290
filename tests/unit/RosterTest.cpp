// Which craft window a VesselIndex names, and the random choice.
#include <gtest/gtest.h>

#include <climits>

#include "app/Program.h"
#include "app/Wiring.h"
#include "forms/Application.h"
#include "vessels/Roster.h"
#include "vessels/UnitScreenSaverForeground.h"
#include "vessels/UnitScreenSaverForegroundCalderine.h"
#include "vessels/UnitScreenSaverForegroundSarvane.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace {

TEST(Roster, VesselIndexNamesASlotOrNone) {
  struct Case {
    int index, draw, slot;
  } cases[] = {
      {0, 7, 0}, {1, 7, 1},       {2, 7, 2},  {3, 7, 3},  {4, 0, 0},   {4, 5, 1},        {4, 6, 2},
      {4, 7, 3}, {4, INT_MAX, 3}, {5, 1, -1}, {9, 0, -1}, {-1, 0, -1}, {INT_MIN, 0, -1}, {INT_MAX, 0, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vessels::VesselSlot(c.index, c.draw), c.slot) << c.index << " " << c.draw;
}

class RosterWindows : public ::testing::Test {
 protected:
  void SetUp() override { app::CreateStartupWindows(); }
  void TearDown() override { forms::Application.DestroyForms(); }
};

TEST_F(RosterWindows, EachIndexGivesItsCraftWindowAndRandomDrawsFromTheClock) {
  TVesselForm* craft[] = {ScreenSaverForegroundSarvane, ScreenSaverForeground, ScreenSaverForegroundCalderine,
                          ScreenSaverForegroundThornax};
  for (int index = 0; index < 4; ++index) EXPECT_EQ(app::VesselFor(index), craft[index]) << index;
  for (int index : {5, 9, -1}) EXPECT_EQ(app::VesselFor(index), nullptr) << index;

  // Draws within one second are equal, so the random craft is the one the
  // draw around it names; a second boundary in between just means another try.
  bool compared = false;
  for (int attempt = 0; attempt < 5 && !compared; ++attempt) {
    int before = vessels::DrawFromClock();
    TVesselForm* chosen = app::VesselFor(vessels::kRandomVessel);
    if (vessels::DrawFromClock() != before) continue;
    EXPECT_EQ(chosen, craft[before % 4]);
    compared = true;
  }
  EXPECT_TRUE(compared);
}

}  // namespace
