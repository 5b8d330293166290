#include "dialogs/UnitScreenSaverDialog.h"

TConfiguration* Configuration = nullptr;

TConfiguration::TConfiguration() : TForm("TCONFIGURATION", {}) {}
