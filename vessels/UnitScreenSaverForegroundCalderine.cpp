#include "vessels/UnitScreenSaverForegroundCalderine.h"

TScreenSaverForegroundCalderine* ScreenSaverForegroundCalderine = nullptr;

TScreenSaverForegroundCalderine::TScreenSaverForegroundCalderine()
    : TVesselForm("TSCREENSAVERFOREGROUNDCALDERINE", vessels::kCalderineFlight) {}
