#include "dialogs/UnitShowProgress.h"

TShowProgress* ShowProgress = nullptr;

TShowProgress::TShowProgress()
    : TForm("TSHOWPROGRESS", {}),
      Panel1(Control<forms::TContainer>("Panel1")),
      pbProgress(Control<forms::TProgressBar>("pbProgress")),
      lblProgressComment(Control<forms::TLabel>("lblProgressComment")) {}
