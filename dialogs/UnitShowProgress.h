// The small borderless window that reports the first-run picture work.
#pragma once

#include <functional>
#include <string_view>

#include "forms/Form.h"

class TShowProgress : public forms::TForm {
 public:
  TShowProgress();

  // Sets the comment and the bar, then lets every pending message through, so
  // the window paints its new state while the caller's long work goes on.
  void SetProgress(std::wstring_view text, int percent);
  // Called at the end of every SetProgress; lets a test or benchmark follow the work.
  std::function<void()> OnReport;

  forms::TContainer& Panel1;
  forms::TProgressBar& pbProgress;
  forms::TLabel& lblProgressComment;
};

extern TShowProgress* ShowProgress;
