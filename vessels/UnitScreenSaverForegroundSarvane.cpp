#include "vessels/UnitScreenSaverForegroundSarvane.h"

TScreenSaverForegroundSarvane* ScreenSaverForegroundSarvane = nullptr;

TScreenSaverForegroundSarvane::TScreenSaverForegroundSarvane()
    : TVesselForm("TSCREENSAVERFOREGROUNDSARVANE", vessels::kSarvaneFlight) {}
