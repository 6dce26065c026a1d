#include "app/tuning_schema.h"

namespace sonatap {
namespace {

std::string Range(TuningField field) {
  const TuningFieldInfo& f = FieldInfo(field);
  return std::to_string(f.low - f.shownOffset) + ".." + std::to_string(f.high - f.shownOffset);
}

std::string Option(TuningField field) { return std::string("--") + FieldInfo(field).option + " " + Range(field); }

template <size_t N>
std::string Names(const std::array<TuningMethodName, N>& methods) {
  std::string names;
  for (const TuningMethodName& m : methods) names += (names.empty() ? "" : " ") + std::string(m.option);
  return names;
}

}  // namespace

std::string TuningOptionsUsage() {
  const TuningFieldInfo& plus = FieldInfo(TuningField::VolumePlus);
  return "      " + Option(TuningField::Threshold) + "  " + Option(TuningField::Tolerance) +
         "  --recognition N|NAME\n"
         "      --detection N|NAME (" + Names(kDetectionMethods) + ")  " + Option(TuningField::SkipTime) + "\n" +
         "      " + Option(TuningField::DcLevel) + "  --" + plus.option + " PLUS,MINUS (each " +
         Range(TuningField::VolumePlus) + "; turns Auto off)\n";
}

}  // namespace sonatap
