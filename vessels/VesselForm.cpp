#include "vessels/VesselForm.h"

TVesselForm::TVesselForm(const std::string& layoutResource)
    : TForm(layoutResource, {}), imgShuttle(Control<forms::TImage>("imgShuttle")) {}
