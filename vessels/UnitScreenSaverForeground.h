// The craft window of the Tarn Skimmer.
#pragma once

#include "vessels/VesselForm.h"

class TScreenSaverForeground : public TVesselForm {
 public:
  TScreenSaverForeground();
};

extern TScreenSaverForeground* ScreenSaverForeground;
