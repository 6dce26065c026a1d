#pragma once
// What the "Sonatap - Tuning" dialog shows and stores, without its widgets.
// The view shows each spin box's value, text and enabled state as given here
// and reports every change back; only OK (and Defaults, at once) write the
// settings.
#include <array>
#include <string>
#include <vector>

#include "app/tuning_schema.h"
#include "engine/tuning_settings.h"

namespace sonatap {

struct SpinShown {
  int value = 0;
  std::string text;
  bool enabled = true;
  bool operator==(const SpinShown&) const = default;
};

class TuningDialogLogic {
 public:
  enum class Spin { Threshold, Tolerance, SkipTime, DcOffset, VolumeMinus, VolumePlus };
  static constexpr int kSpinCount = 6;
  struct Range {
    int low, high;
  };
  static Range RangeOf(Spin spin);
  static int ShownOffset(Spin spin);      // the box shows the value minus this
  static const char* LabelOf(Spin spin);
  static const std::vector<std::string>& DetectionItems();    // "Natural" .. "Triangle"
  static const std::vector<std::string>& RecognitionItems();  // "Natural" .. "DC Offset"
  static constexpr const char* kVolumeNotApplicable = "NA";
  // The Recognition list's own tip for its "Adaptive" entry.
  static constexpr const char* kAdaptiveTip =
      "Adaptive: reads cells from the changes of level and learns their length from the leader. "
      "It finds the middle line and the level itself: Threshold, Tolerance, DC Offset and Volume do not apply.";

  // Fills the controls from `settings`, which the dialog then edits.
  explicit TuningDialogLogic(TuningSettings& settings);

  const SpinShown& Shown(Spin spin) const { return spins_[static_cast<int>(spin)]; }
  bool AutoPressed() const { return auto_; }
  int DetectionIndex() const { return detection_; }      // 0-based
  int RecognitionIndex() const { return recognition_; }  // 0-based

  // A spin box moved to `value` (kept within its range); its text follows.
  void SpinChanged(Spin spin, int value);
  void SetAuto(bool pressed);
  void SelectDetection(int index);
  void SelectRecognition(int index);
  // Writes the start values into the settings at once and shows them.
  void Defaults();
  // Stores every control into the settings.
  void Ok();

 private:
  SpinShown& At(Spin spin) { return spins_[static_cast<int>(spin)]; }
  void ShowValue(Spin spin, int value);
  void ShowVolumesFromSettings();
  void ShowVolumesNotApplicable();
  void ShowFromSettings();

  TuningSettings& settings_;
  std::array<SpinShown, kSpinCount> spins_{};
  bool auto_ = true;
  int detection_ = 0, recognition_ = 0;
};

}  // namespace sonatap
