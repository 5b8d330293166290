// The four craft, as data for the shared renderer. Design units are roughly the
// pixels of each craft's sprite; the fitter corrects the last pixel.
#pragma once

#include "craft/Craft.hpp"

namespace artgen {

CraftDesign designSarvane();
CraftDesign designTarnSkimmer();
CraftDesign designCalderine();
CraftDesign designThornax();

}  // namespace artgen
