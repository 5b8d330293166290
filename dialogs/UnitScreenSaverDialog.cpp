#include "dialogs/UnitScreenSaverDialog.h"

#include <algorithm>
#include <string>
#include <utility>

#include "settings/Settings.h"

TConfiguration* Configuration = nullptr;

namespace configuration {

int TrackBarPosition(int speed) {
  // In 64 bits: a hand-edited Speed near the integer limits must not overflow.
  return static_cast<int>(std::clamp<long long>(kSpeedRange - static_cast<long long>(speed), 0, kSpeedRange));
}

int SpeedFromPosition(int position) {
  return kSpeedRange - position;
}

}  // namespace configuration

namespace {

// The field's text in the user's code page, as the settings file keeps it:
// whatever was typed, blanks and all.
std::string AnsiText(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), length + 1)));
  return text;
}

}  // namespace

TConfiguration::TConfiguration(StagePictures stage)
    : TForm("TCONFIGURATION", {.notify = {{"btnCancelClick", [this] { btnCancelClick(); }},
                                          {"btnOkClick", [this] { btnOkClick(); }},
                                          {"imgPreviewClick", [this] { imgPreviewClick(); }},
                                          {"FormShow", [this] { FormShow(); }}},
                               .key = {}}),
      Panel1(Control<forms::TContainer>("Panel1")),
      GroupBox1(Control<forms::TGroupBox>("GroupBox1")),
      tbSpeed(Control<forms::TTrackBar>("tbSpeed")),
      btnOk(Control<forms::TButton>("btnOk")),
      btnCancel(Control<forms::TButton>("btnCancel")),
      Label1(Control<forms::TLabel>("Label1")),
      Label2(Control<forms::TLabel>("Label2")),
      edtPassCount(Control<forms::TEdit>("edtPassCount")),
      Label3(Control<forms::TLabel>("Label3")),
      imgPreview(Control<forms::TImage>("imgPreview")),
      Label4(Control<forms::TLabel>("Label4")),
      cbChooseVessel(Control<forms::TComboBox>("cbChooseVessel")),
      Label5(Control<forms::TLabel>("Label5")),
      stage_(std::move(stage)) {
  fileName_ = settings::kFileName;
  tbSpeed.SetPosition(configuration::TrackBarPosition(settings::Read(settings::Speed, fileName_.c_str())));
  edtPassCount.SetText(std::to_wstring(settings::Read(settings::PassCount, fileName_.c_str())));
  int vessel = settings::Read(settings::VesselIndex, fileName_.c_str());
  cbChooseVessel.SetItemIndex(vessel >= 0 && vessel < cbChooseVessel.Count() ? vessel : -1);
}

void TConfiguration::FormShow() {
  stage_.setBackgroundId(0);
  imgPreview.SetPicture(stage_.showBackground(false));
}

// The stage shows first and steps afterwards, so the first click shows the
// start picture once more and the stored id always names the picture on view.
void TConfiguration::imgPreviewClick() {
  imgPreview.SetPicture(stage_.showBackground(true));
}

void TConfiguration::btnOkClick() {
  const char* file = fileName_.c_str();
  settings::Write(settings::Speed, configuration::SpeedFromPosition(tbSpeed.Position()), file);
  settings::Write(settings::PassCount, AnsiText(edtPassCount.Handle()), file);
  settings::Write(settings::VesselIndex, cbChooseVessel.ItemIndex(), file);
  Close();
}

void TConfiguration::btnCancelClick() {
  Close();
}
