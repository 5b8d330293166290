#include "backgrounds/UnitBackgrounds.h"

TBackgrounds* Backgrounds = nullptr;

TBackgrounds::TBackgrounds()
    : TForm("TBACKGROUNDS", {}),
      imgDeepSpace(Control<forms::TImage>("imgDeepSpace")),
      imgDolphin(Control<forms::TImage>("imgDolphin")),
      imgAsteroidenfeld(Control<forms::TImage>("imgAsteroidenfeld")),
      imgSonne(Control<forms::TImage>("imgSonne")),
      imgNebel(Control<forms::TImage>("imgNebel")) {}
