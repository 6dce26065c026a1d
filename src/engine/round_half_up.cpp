#include <cmath>

#include "engine/tuning_settings.h"

namespace sonatap {

int16_t RoundHalfUp(float x) {
  const double t = std::trunc(static_cast<double>(x) + 0.5);
  if (!(std::fabs(t) < 2147483648.0)) return 0;  // NaN or far out of range
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(static_cast<int32_t>(t))));
}

}  // namespace sonatap
