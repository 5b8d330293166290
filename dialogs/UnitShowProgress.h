// The small borderless window that reports the first-run picture work.
#pragma once

#include "forms/Form.h"

class TShowProgress : public forms::TForm {
 public:
  TShowProgress();

  forms::TContainer& Panel1;
  forms::TProgressBar& pbProgress;
  forms::TLabel& lblProgressComment;
};

extern TShowProgress* ShowProgress;
