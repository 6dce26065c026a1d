#pragma once
// Every tuning setting in one table: the Tuning dialog's boxes and lists,
// the CLI's options, their ranges and the CLI's usage text all come from it.
#include <array>
#include <string>

#include "engine/tuning_settings.h"
#include "format/tape_format.h"

namespace sonatap {

// In the order of the Tuning dialog's spin boxes.
enum class TuningField { Threshold, Tolerance, SkipTime, DcLevel, VolumeMinus, VolumePlus };

struct TuningFieldInfo {
  TuningField field;
  const char* label;   // the dialog's caption ("" where a frame names it)
  const char* option;  // the CLI option without "--" (both volumes share one)
  int low, high;       // the range as stored; volume levels in hundredths
  int shownOffset;     // shown (and typed) as the stored value minus this
};

inline constexpr std::array<TuningFieldInfo, 6> kTuningFields = {{
    {TuningField::Threshold, "Threshold", "threshold", 0, 6, 0},
    {TuningField::Tolerance, "Tolerance", "tolerance", 40, 600, 0},
    {TuningField::SkipTime, "Skip Time", "skip-time", 0, 20, 0},
    {TuningField::DcLevel, "DC Offset", "dc-offset", 20, 230, kMiddleLevel},
    {TuningField::VolumeMinus, "", "volume", 0, 300, 0},
    {TuningField::VolumePlus, "", "volume", 0, 300, 0},
}};

constexpr const TuningFieldInfo& FieldInfo(TuningField field) { return kTuningFields[static_cast<int>(field)]; }

// A method as the dialog lists it and as the CLI names it (or takes its number, from 1).
struct TuningMethodName {
  const char* label;
  const char* option;
};

inline constexpr std::array<TuningMethodName, kAdaptiveMethod> kRecognitionMethods = {{
    {"Natural", "natural"},
    {"Sine", "sine"},
    {"Square", "square"},
    {"Triangle 1", "triangle1"},
    {"Triangle 2", "triangle2"},
    {"DC Offset", "dc-offset"},
    {"Adaptive", "adaptive"},
}};

inline constexpr std::array<TuningMethodName, 4> kDetectionMethods = {{
    {"Natural", "natural"},
    {"Sine", "sine"},
    {"Square", "square"},
    {"Triangle", "triangle"},
}};

// The tuning options of the CLI's usage text, indented by six spaces.
std::string TuningOptionsUsage();

}  // namespace sonatap
