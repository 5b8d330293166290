// The one place where the units meet: the stage, the craft and the dialog
// each get what they need of the others, and none of them knows the rest.
#pragma once

#include <memory>

#include "vessels/Roster.h"

class TConfiguration;
class TVesselForm;

namespace app {

struct WiringOptions {
  // The draw that picks each pass's entry; the flight benchmark fixes it.
  int (*entryDraw)() = vessels::DrawFromClock;
};

// Hands the start-up windows their links to each other; CreateStartupWindows
// does this once, a benchmark may do it again with its own options.
void WireStartupWindows(const WiringOptions& options = {});

// The craft window of a VesselIndex (drawing for the random choice), or null.
TVesselForm* VesselFor(int vesselIndex);

// The settings dialog, showing and stepping the stage's pictures.
std::unique_ptr<TConfiguration> CreateConfiguration();

}  // namespace app
