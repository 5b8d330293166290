// The craft window of the Calderine.
#pragma once

#include "vessels/VesselForm.h"

class TScreenSaverForegroundCalderine : public TVesselForm {
 public:
  TScreenSaverForegroundCalderine();
};

extern TScreenSaverForegroundCalderine* ScreenSaverForegroundCalderine;
