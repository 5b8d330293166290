#include "app/Wiring.h"

#include "backgrounds/UnitBackgrounds.h"
#include "backgrounds/UnitScreenSaver.h"
#include "dialogs/UnitScreenSaverDialog.h"
#include "dialogs/UnitShowProgress.h"
#include "settings/Settings.h"
#include "vessels/DisplayPower.h"
#include "vessels/UnitScreenSaverForeground.h"
#include "vessels/UnitScreenSaverForegroundCalderine.h"
#include "vessels/UnitScreenSaverForegroundSarvane.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace app {

namespace {

// The chosen craft's flight, shown modally over the stage; false when the
// settings choose none.
bool RunChosenCraft() {
  TVesselForm* craft = VesselFor(settings::Read(settings::VesselIndex));
  if (!craft) return false;
  vessels::DisplayStateRegistration display(craft->Handle());
  craft->ShowModal();
  return true;
}

}  // namespace

TVesselForm* VesselFor(int vesselIndex) {
  int draw = vesselIndex == vessels::kRandomVessel ? vessels::DrawFromClock() : 0;
  switch (vessels::VesselSlot(vesselIndex, draw)) {
    case 0:
      return ScreenSaverForegroundSarvane;
    case 1:
      return ScreenSaverForeground;
    case 2:
      return ScreenSaverForegroundCalderine;
    case 3:
      return ScreenSaverForegroundThornax;
    default:
      return nullptr;
  }
}

void WireStartupWindows(const WiringOptions& options) {
  ScreenSaverBackground->Wire({
      .builtIn = Backgrounds,
      .setProgress = [](std::wstring_view comment,
                        int percent) { ShowProgress->SetProgress(comment, percent); },
      .showProgress = [] { ShowProgress->Show(); },
      .closeProgress = [] { ShowProgress->Close(); },
      .runCraft = RunChosenCraft,
  });
  const TVesselForm::Wiring craft{
      .nextPicture = [] { ScreenSaverBackground->ShowBackground(true); },
      .entryDraw = options.entryDraw,
  };
  for (TVesselForm* form : {static_cast<TVesselForm*>(ScreenSaverForegroundSarvane),
                            static_cast<TVesselForm*>(ScreenSaverForeground),
                            static_cast<TVesselForm*>(ScreenSaverForegroundCalderine),
                            static_cast<TVesselForm*>(ScreenSaverForegroundThornax)})
    form->Wire(craft);
}

std::unique_ptr<TConfiguration> CreateConfiguration() {
  return std::make_unique<TConfiguration>(TConfiguration::StagePictures{
      .setBackgroundId = [](int id) { ScreenSaverBackground->SetBackgroundId(id); },
      .showBackground = [](bool advance) -> const forms::TPicture& {
        return ScreenSaverBackground->ShowBackground(advance);
      },
  });
}

}  // namespace app
