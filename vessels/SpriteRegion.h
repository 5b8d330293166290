// The outline a craft window is cut to: its sprite less the key colour.
#pragma once

#include "forms/Handles.h"
#include "forms/Picture.h"

namespace vessels {

// A window region of the bitmap's rectangle less every pixel of the key
// colour (the top-left pixel's); converts the bitmap to 24 bits first.
forms::UniqueHrgn CreateSpriteRegion(forms::TBitmap& bitmap);

}  // namespace vessels
