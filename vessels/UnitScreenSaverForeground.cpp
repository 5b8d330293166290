#include "vessels/UnitScreenSaverForeground.h"

TScreenSaverForeground* ScreenSaverForeground = nullptr;

TScreenSaverForeground::TScreenSaverForeground()
    : TVesselForm("TSCREENSAVERFOREGROUND", vessels::kTarnSkimmerFlight) {}
