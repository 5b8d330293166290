// The holder of the five built-in background pictures; never shown.
#pragma once

#include "forms/Form.h"

class TBackgrounds : public forms::TForm {
 public:
  TBackgrounds();

  forms::TImage& imgDeepSpace;
  forms::TImage& imgDolphin;
  forms::TImage& imgAsteroidenfeld;
  forms::TImage& imgSonne;
  forms::TImage& imgNebel;
};

extern TBackgrounds* Backgrounds;
