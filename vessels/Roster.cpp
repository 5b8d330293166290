#include "vessels/Roster.h"

#include <cstdlib>
#include <ctime>

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

}  // namespace vessels
