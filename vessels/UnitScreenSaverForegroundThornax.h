// The craft window of the Thornax.
#pragma once

#include "vessels/VesselForm.h"

class TScreenSaverForegroundThornax : public TVesselForm {
 public:
  TScreenSaverForegroundThornax();
};

extern TScreenSaverForegroundThornax* ScreenSaverForegroundThornax;
