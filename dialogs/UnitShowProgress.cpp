#include "dialogs/UnitShowProgress.h"

#include "forms/Application.h"

TShowProgress* ShowProgress = nullptr;

TShowProgress::TShowProgress()
    : TForm("TSHOWPROGRESS", {}),
      Panel1(Control<forms::TContainer>("Panel1")),
      pbProgress(Control<forms::TProgressBar>("pbProgress")),
      lblProgressComment(Control<forms::TLabel>("lblProgressComment")) {}

void TShowProgress::SetProgress(std::wstring_view text, int percent) {
  lblProgressComment.SetText(text);
  pbProgress.SetPosition(percent);
  forms::Application.ProcessMessages();
  if (OnReport) OnReport();
}
