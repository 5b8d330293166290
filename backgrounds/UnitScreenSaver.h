// The background stage: the run's full-screen main window.
#pragma once

#include "forms/Form.h"

class TScreenSaverBackground : public forms::TForm {
 public:
  TScreenSaverBackground();

  forms::TImage& imgBackground;
};

extern TScreenSaverBackground* ScreenSaverBackground;
