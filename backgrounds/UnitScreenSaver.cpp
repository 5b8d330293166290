#include "backgrounds/UnitScreenSaver.h"

TScreenSaverBackground* ScreenSaverBackground = nullptr;

TScreenSaverBackground::TScreenSaverBackground()
    : TForm("TSCREENSAVERBACKGROUND", {}), imgBackground(Control<forms::TImage>("imgBackground")) {
  // The layout's design size never takes effect: the stage covers the primary screen.
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  SetBounds(0, 0, width, height);
  imgBackground.SetBounds(0, 0, width, height);
}
