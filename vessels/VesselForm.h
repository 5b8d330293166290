// What the four craft windows share: a borderless window holding the sprite in
// its picture control imgShuttle. The craft differ only in layout and sprite.
#pragma once

#include <string>

#include "forms/Form.h"

class TVesselForm : public forms::TForm {
 public:
  forms::TImage& imgShuttle;

 protected:
  explicit TVesselForm(const std::string& layoutResource);
};
