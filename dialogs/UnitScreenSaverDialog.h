// The settings dialog of configure mode: speed, passes per background and the
// craft live in its controls until Ok stores them; the start background is
// stored by the stage at once, whenever the preview shows one.
#pragma once

#include <functional>
#include <string>

#include "forms/Form.h"
#include "forms/Picture.h"

class TConfiguration : public forms::TForm {
 public:
  // The stage's picture operations, which the preview shows and steps.
  struct StagePictures {
    std::function<void(int id)> setBackgroundId;
    // Shows and stores the current picture, steps on if asked, and returns it.
    std::function<const forms::TPicture&(bool advance)> showBackground;
  };

  // Builds the dialog and loads Speed, PassCount and VesselIndex, once.
  explicit TConfiguration(StagePictures stage);

  void btnCancelClick();
  void btnOkClick();
  void imgPreviewClick();
  void FormShow();

  forms::TContainer& Panel1;
  forms::TGroupBox& GroupBox1;
  forms::TTrackBar& tbSpeed;
  forms::TButton& btnOk;
  forms::TButton& btnCancel;
  forms::TLabel& Label1;
  forms::TLabel& Label2;
  forms::TEdit& edtPassCount;
  forms::TLabel& Label3;
  forms::TImage& imgPreview;
  forms::TLabel& Label4;
  forms::TComboBox& cbChooseVessel;
  forms::TLabel& Label5;

 private:
  StagePictures stage_;
  std::string fileName_;
};

extern TConfiguration* Configuration;

namespace configuration {

// The track bar runs from slow (left, 0) to fast (right, kSpeedRange); Speed
// counts waits, so it runs the other way. Any stored Speed gives a position
// inside the bar's range.
inline constexpr int kSpeedRange = 10;
int TrackBarPosition(int speed);
int SpeedFromPosition(int position);

}  // namespace configuration
