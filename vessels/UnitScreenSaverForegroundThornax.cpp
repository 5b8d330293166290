#include "vessels/UnitScreenSaverForegroundThornax.h"

TScreenSaverForegroundThornax* ScreenSaverForegroundThornax = nullptr;

TScreenSaverForegroundThornax::TScreenSaverForegroundThornax()
    : TVesselForm("TSCREENSAVERFOREGROUNDTHORNAX", vessels::kThornaxFlight) {}
