// Which craft a VesselIndex names.
#pragma once

namespace vessels {

inline constexpr int kVesselCount = 4;
// VesselIndex 4 draws one of the four craft.
inline constexpr int kRandomVessel = 4;

// The craft slot (0 Sarvane, 1 Tarn Skimmer, 2 Calderine, 3 Thornax) of a
// VesselIndex, -1 for an index that names none. `draw` is the random value
// used for the random choice.
int VesselSlot(int vesselIndex, int draw);
// A draw seeded from the clock in whole seconds: runs started within the same
// second draw the same value.
int DrawFromClock();

}  // namespace vessels
