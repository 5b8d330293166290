// The settings dialog of configure mode.
#pragma once

#include "forms/Form.h"

class TConfiguration : public forms::TForm {
 public:
  TConfiguration();
};

extern TConfiguration* Configuration;
