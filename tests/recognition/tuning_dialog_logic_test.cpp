#include "app/tuning_dialog_logic.h"

#include <gtest/gtest.h>

namespace sonatap {
namespace {

using Spin = TuningDialogLogic::Spin;

void ExpectStartValues(const TuningSettings& t) {
  EXPECT_EQ(t.Threshold, 3);
  EXPECT_EQ(t.Tolerance, 90);
  EXPECT_EQ(t.RecognitionMethod, 1);
  EXPECT_EQ(t.DetectionMethod, 1);
  EXPECT_EQ(t.SkipTime, 4);
  EXPECT_EQ(t.DcLevel, 128);
  EXPECT_FLOAT_EQ(t.VolumePlus, 0.9f);
  EXPECT_FLOAT_EQ(t.VolumeMinus, -0.9f);
  EXPECT_TRUE(t.AutoVolume);
}

TEST(TuningDialog, OpensAtProgramStartWithAutoAndTheStartValues) {
  TuningSettings settings;
  const TuningDialogLogic dialog(settings);
  EXPECT_TRUE(dialog.AutoPressed());
  EXPECT_EQ(dialog.Shown(Spin::VolumePlus).text, "NA");
  EXPECT_EQ(dialog.Shown(Spin::VolumeMinus).text, "NA");
  EXPECT_FALSE(dialog.Shown(Spin::VolumePlus).enabled);
  EXPECT_FALSE(dialog.Shown(Spin::VolumeMinus).enabled);
  EXPECT_EQ(dialog.Shown(Spin::Threshold), (SpinShown{3, "3", true}));
  EXPECT_EQ(dialog.Shown(Spin::Tolerance), (SpinShown{90, "90", true}));
  EXPECT_EQ(dialog.Shown(Spin::SkipTime), (SpinShown{4, "4", true}));
  EXPECT_EQ(dialog.Shown(Spin::DcOffset), (SpinShown{128, "0", true}));
  EXPECT_EQ(TuningDialogLogic::DetectionItems()[dialog.DetectionIndex()], "Natural");
  EXPECT_EQ(TuningDialogLogic::RecognitionItems()[dialog.RecognitionIndex()], "Natural");
}

TEST(TuningDialog, ManualVolumesAreStoredInHundredthsWithOk) {
  TuningSettings settings;
  TuningDialogLogic dialog(settings);
  dialog.SetAuto(false);
  // Released, the boxes show the current levels again.
  EXPECT_EQ(dialog.Shown(Spin::VolumePlus), (SpinShown{90, "90", true}));
  EXPECT_EQ(dialog.Shown(Spin::VolumeMinus), (SpinShown{90, "90", true}));
  dialog.SpinChanged(Spin::VolumePlus, 150);
  dialog.SpinChanged(Spin::VolumeMinus, 40);
  EXPECT_TRUE(settings.AutoVolume);  // nothing stored before OK
  dialog.Ok();
  EXPECT_FALSE(settings.AutoVolume);
  EXPECT_FLOAT_EQ(settings.VolumePlus, 1.5f);
  EXPECT_FLOAT_EQ(settings.VolumeMinus, -0.4f);

  // Reopened, the boxes show what was stored.
  const TuningDialogLogic again(settings);
  EXPECT_FALSE(again.AutoPressed());
  EXPECT_EQ(again.Shown(Spin::VolumePlus), (SpinShown{150, "150", true}));
  EXPECT_EQ(again.Shown(Spin::VolumeMinus), (SpinShown{40, "40", true}));
}

TEST(TuningDialog, AutoOnAtOkPutsTheLevelsBackWhateverTheBoxesShow) {
  TuningSettings settings;
  settings.AutoVolume = false;
  settings.VolumePlus = 2.0f;
  settings.VolumeMinus = -1.2f;
  TuningDialogLogic dialog(settings);
  dialog.SpinChanged(Spin::VolumePlus, 250);
  dialog.SetAuto(true);
  // Pressing Auto disables the boxes but leaves their texts.
  EXPECT_EQ(dialog.Shown(Spin::VolumePlus), (SpinShown{250, "250", false}));
  EXPECT_EQ(dialog.Shown(Spin::VolumeMinus), (SpinShown{120, "120", false}));
  dialog.Ok();
  EXPECT_TRUE(settings.AutoVolume);
  EXPECT_FLOAT_EQ(settings.VolumePlus, 0.9f);
  EXPECT_FLOAT_EQ(settings.VolumeMinus, -0.9f);
}

TEST(TuningDialog, DefaultsAreInForceAtOnceSoCancelKeepsThem) {
  TuningSettings settings;
  settings.Threshold = 6;
  settings.SkipTime = 0;
  settings.AutoVolume = false;
  settings.RecognitionMethod = 4;
  TuningDialogLogic dialog(settings);
  dialog.SpinChanged(Spin::Tolerance, 300);
  dialog.SelectDetection(2);
  dialog.Defaults();
  ExpectStartValues(settings);  // and Cancel stores nothing more
  EXPECT_TRUE(dialog.AutoPressed());
  EXPECT_EQ(dialog.Shown(Spin::VolumePlus).text, "NA");
  EXPECT_EQ(dialog.Shown(Spin::Tolerance), (SpinShown{90, "90", true}));
  EXPECT_EQ(dialog.Shown(Spin::DcOffset).text, "0");
  EXPECT_EQ(dialog.DetectionIndex(), 0);
  EXPECT_EQ(dialog.RecognitionIndex(), 0);
}

TEST(TuningDialog, MethodsAndSpinsAreStoredFromTheControls) {
  TuningSettings settings;
  TuningDialogLogic dialog(settings);
  dialog.SelectRecognition(5);
  EXPECT_EQ(TuningDialogLogic::RecognitionItems()[5], "DC Offset");
  dialog.SelectDetection(3);
  dialog.SpinChanged(Spin::DcOffset, 138);
  EXPECT_EQ(dialog.Shown(Spin::DcOffset).text, "10");
  dialog.SpinChanged(Spin::Threshold, 5);
  dialog.SpinChanged(Spin::SkipTime, 0);
  dialog.Ok();
  EXPECT_EQ(settings.RecognitionMethod, 6);
  EXPECT_EQ(settings.DetectionMethod, 4);
  EXPECT_EQ(settings.DcLevel, 138);
  EXPECT_EQ(settings.Threshold, 5);
  EXPECT_EQ(settings.SkipTime, 0);
}

TEST(TuningDialog, SpinsStayWithinTheirRangesAndDisabledBoxesKeepNa) {
  TuningSettings settings;
  TuningDialogLogic dialog(settings);
  dialog.SpinChanged(Spin::Threshold, 7);
  dialog.SpinChanged(Spin::Tolerance, 39);
  dialog.SpinChanged(Spin::SkipTime, 21);
  dialog.SpinChanged(Spin::DcOffset, 10);
  dialog.SpinChanged(Spin::VolumePlus, 200);  // disabled while Auto is on
  EXPECT_EQ(dialog.Shown(Spin::Threshold).text, "6");
  EXPECT_EQ(dialog.Shown(Spin::Tolerance).text, "40");
  EXPECT_EQ(dialog.Shown(Spin::SkipTime).text, "20");
  EXPECT_EQ(dialog.Shown(Spin::DcOffset), (SpinShown{20, "-108", true}));
  EXPECT_EQ(dialog.Shown(Spin::VolumePlus).text, "NA");
}

}  // namespace
}  // namespace sonatap
