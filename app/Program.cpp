#include "app/Program.h"

#include <windows.h>

#include <memory>

#include "app/Dispatch.h"
#include "app/Preview.h"
#include "app/Wiring.h"
#include "backgrounds/EarlyDecode.h"
#include "backgrounds/UnitBackgrounds.h"
#include "backgrounds/UnitScreenSaver.h"
#include "dialogs/UnitScreenSaverDialog.h"
#include "dialogs/UnitShowProgress.h"
#include "forms/Application.h"
#include "forms/Errors.h"
#include "vessels/UnitScreenSaverForeground.h"
#include "vessels/UnitScreenSaverForegroundCalderine.h"
#include "vessels/UnitScreenSaverForegroundSarvane.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace app {
namespace {

void RunConfiguration() {
  auto dialog = CreateConfiguration();
  Configuration = dialog.get();
  dialog->ShowModal();
  Configuration = nullptr;
}

}  // namespace

void CreateStartupWindows(const std::function<void(const char* window)>& created) {
  auto create = [&](auto*& form, const char* name) {
    forms::Application.CreateForm(form);
    if (created) created(name);
  };
  create(ScreenSaverBackground, "TScreenSaverBackground");
  create(Backgrounds, "TBackgrounds");
  create(ScreenSaverForegroundSarvane, "TScreenSaverForegroundSarvane");
  create(ScreenSaverForeground, "TScreenSaverForeground");
  create(ScreenSaverForegroundCalderine, "TScreenSaverForegroundCalderine");
  create(ShowProgress, "TShowProgress");
  create(ScreenSaverForegroundThornax, "TScreenSaverForegroundThornax");
  WireStartupWindows();
}

namespace {

void StartUp() {
  // The command line is read before the windows exist, which nothing can
  // tell: a run's first picture then decodes while they are created.
  std::string commandLine = GetCommandLineA();
  const Mode mode = SelectMode(commandLine);
  auto early = mode == Mode::Run ? backgrounds::DecodeFirstCachePicture() : nullptr;
  CreateStartupWindows();
  ScreenSaverBackground->SetEarlyDecode(std::move(early));
  switch (mode) {
    case Mode::PasswordSetup:
      break;
    case Mode::Preview:
      RunPreview(SplitWords(commandLine));
      break;
    case Mode::Configure:
      RunConfiguration();
      break;
    case Mode::Run:
      // The stage, the covers and the craft are topmost; so is every report
      // from the stage's show handler on.
      forms::Application.SetReportsOnTop(true);
      forms::Application.Run();
      break;
  }
}

}  // namespace

int RunProgram() {
  try {
    StartUp();
  } catch (const std::exception& error) {
    forms::Application.ShowException(error);
  } catch (...) {
    forms::Application.ShowException(forms::EError("Unbekannter Fehler"));
  }
  Configuration = nullptr;
  forms::Application.DestroyForms();
  return 0;
}

}  // namespace app
