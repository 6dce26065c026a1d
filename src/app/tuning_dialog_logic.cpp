#include "app/tuning_dialog_logic.h"

#include <algorithm>
#include <cmath>

namespace sonatap {
namespace {

// Levels are shown in hundredths, truncated (float arithmetic, so 0.9 shows 90).
int Hundredths(float level) { return static_cast<int>(std::fabs(level) * 100.0f); }

// The boxes are the tuning fields, in the same order.
const TuningFieldInfo& Field(TuningDialogLogic::Spin spin) { return FieldInfo(static_cast<TuningField>(spin)); }
static_assert(static_cast<int>(TuningDialogLogic::Spin::DcOffset) == static_cast<int>(TuningField::DcLevel));
static_assert(static_cast<int>(TuningDialogLogic::Spin::VolumePlus) == static_cast<int>(TuningField::VolumePlus));
static_assert(TuningDialogLogic::kSpinCount == kTuningFields.size());

template <size_t N>
std::vector<std::string> Labels(const std::array<TuningMethodName, N>& methods) {
  std::vector<std::string> labels;
  for (const TuningMethodName& m : methods) labels.emplace_back(m.label);
  return labels;
}

}  // namespace

TuningDialogLogic::Range TuningDialogLogic::RangeOf(Spin spin) { return {Field(spin).low, Field(spin).high}; }

int TuningDialogLogic::ShownOffset(Spin spin) { return Field(spin).shownOffset; }

const char* TuningDialogLogic::LabelOf(Spin spin) { return Field(spin).label; }

const std::vector<std::string>& TuningDialogLogic::DetectionItems() {
  static const std::vector<std::string> items = Labels(kDetectionMethods);
  return items;
}

const std::vector<std::string>& TuningDialogLogic::RecognitionItems() {
  static const std::vector<std::string> items = Labels(kRecognitionMethods);
  return items;
}

TuningDialogLogic::TuningDialogLogic(TuningSettings& settings) : settings_(settings) { ShowFromSettings(); }

void TuningDialogLogic::ShowValue(Spin spin, int value) {
  const Range range = RangeOf(spin);
  SpinShown& shown = At(spin);
  shown.value = std::clamp(value, range.low, range.high);
  shown.text = std::to_string(shown.value - ShownOffset(spin));
}

void TuningDialogLogic::ShowVolumesFromSettings() {
  ShowValue(Spin::VolumePlus, Hundredths(settings_.VolumePlus));
  ShowValue(Spin::VolumeMinus, Hundredths(settings_.VolumeMinus));
  At(Spin::VolumePlus).enabled = At(Spin::VolumeMinus).enabled = true;
}

void TuningDialogLogic::ShowVolumesNotApplicable() {
  for (Spin spin : {Spin::VolumePlus, Spin::VolumeMinus}) {
    At(spin).text = kVolumeNotApplicable;
    At(spin).enabled = false;
  }
}

void TuningDialogLogic::ShowFromSettings() {
  auto_ = settings_.AutoVolume;
  ShowVolumesFromSettings();
  if (auto_) ShowVolumesNotApplicable();
  ShowValue(Spin::SkipTime, settings_.SkipTime);
  ShowValue(Spin::Threshold, settings_.Threshold);
  ShowValue(Spin::Tolerance, settings_.Tolerance);
  recognition_ = std::clamp(settings_.RecognitionMethod - 1, 0, static_cast<int>(RecognitionItems().size()) - 1);
  detection_ = std::clamp(settings_.DetectionMethod - 1, 0, static_cast<int>(DetectionItems().size()) - 1);
  ShowValue(Spin::DcOffset, settings_.DcLevel);
  At(Spin::DcOffset).enabled = true;
}

void TuningDialogLogic::SpinChanged(Spin spin, int value) {
  // The volume boxes keep "NA" while they are disabled.
  if (!Shown(spin).enabled) return;
  ShowValue(spin, value);
}

void TuningDialogLogic::SetAuto(bool pressed) {
  if (pressed == auto_) return;
  auto_ = pressed;
  if (pressed) {
    At(Spin::VolumePlus).enabled = At(Spin::VolumeMinus).enabled = false;  // their texts stay
  } else {
    ShowVolumesFromSettings();  // after a run with Auto these are the measured levels
  }
}

void TuningDialogLogic::SelectDetection(int index) {
  detection_ = std::clamp(index, 0, static_cast<int>(DetectionItems().size()) - 1);
}

void TuningDialogLogic::SelectRecognition(int index) {
  recognition_ = std::clamp(index, 0, static_cast<int>(RecognitionItems().size()) - 1);
}

void TuningDialogLogic::Defaults() {
  settings_ = TuningSettings{};
  ShowFromSettings();
}

void TuningDialogLogic::Ok() {
  settings_.AutoVolume = auto_;
  settings_.VolumePlus = static_cast<float>(Shown(Spin::VolumePlus).value) / 100.0f;
  settings_.VolumeMinus = -std::fabs(static_cast<float>(Shown(Spin::VolumeMinus).value) / 100.0f);
  if (auto_) {
    const TuningSettings start;
    settings_.VolumePlus = start.VolumePlus;
    settings_.VolumeMinus = start.VolumeMinus;
  }
  settings_.SkipTime = Shown(Spin::SkipTime).value;
  settings_.Threshold = Shown(Spin::Threshold).value;
  settings_.DcLevel = Shown(Spin::DcOffset).value;
  settings_.Tolerance = Shown(Spin::Tolerance).value;
  settings_.RecognitionMethod = recognition_ + 1;
  settings_.DetectionMethod = detection_ + 1;
}

}  // namespace sonatap
