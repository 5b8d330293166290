// The craft window of the Sarvane.
#pragma once

#include "vessels/VesselForm.h"

class TScreenSaverForegroundSarvane : public TVesselForm {
 public:
  TScreenSaverForegroundSarvane();
};

extern TScreenSaverForegroundSarvane* ScreenSaverForegroundSarvane;
