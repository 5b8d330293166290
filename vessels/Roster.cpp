#include "vessels/Roster.h"

#include <cstdlib>
#include <ctime>

#include "vessels/UnitScreenSaverForeground.h"
#include "vessels/UnitScreenSaverForegroundCalderine.h"
#include "vessels/UnitScreenSaverForegroundSarvane.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace vessels {

int VesselSlot(int vesselIndex, int draw) {
  if (vesselIndex >= 0 && vesselIndex < kVesselCount) return vesselIndex;
  if (vesselIndex == kRandomVessel) return draw % kVesselCount;
  return -1;
}

int DrawFromClock() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  return std::rand();  // never negative
}

TVesselForm* VesselFor(int vesselIndex) {
  int draw = vesselIndex == kRandomVessel ? DrawFromClock() : 0;
  switch (VesselSlot(vesselIndex, draw)) {
    case 0:
      return ScreenSaverForegroundSarvane;
    case 1:
      return ScreenSaverForeground;
    case 2:
      return ScreenSaverForegroundCalderine;
    case 3:
      return ScreenSaverForegroundThornax;
    default:
      return nullptr;
  }
}

}  // namespace vessels
