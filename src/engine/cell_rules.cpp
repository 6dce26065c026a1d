#include "engine/cell_rules.h"

namespace sonatap {
namespace {

int Clamp8(int v) { return std::clamp(v, 0, 255); }

}  // namespace

void NormaliseCellToVolume(CellBuffer& cell, const TuningSettings& t) {
  int maxDev = 0, minDev = 0;
  for (int i = 1; i <= kShapeLength; ++i) {
    maxDev = std::max(maxDev, cell[i] - kMiddleLevel);
    minDev = std::min(minDev, cell[i] - kMiddleLevel);
  }
  for (int i = 1; i <= kShapeLength; ++i) {
    const int v = cell[i];
    if (v == kMiddleLevel) continue;  // also when the cell never rises (maxDev 0)
    const double gain = v < kMiddleLevel ? double(t.VolumeMinus) * 128 / minDev : double(t.VolumePlus) * 128 / maxDev;
    const float scaled = static_cast<float>((v - kMiddleLevel) * gain);
    cell[i] = static_cast<int16_t>(Clamp8(RoundHalfUp(scaled) + kMiddleLevel));
  }
}

void DoubleCellGain(CellBuffer& cell) {
  for (int i = 1; i <= kShapeLength; ++i) {
    const int v = cell[i];
    cell[i] = static_cast<int16_t>(Clamp8(RoundHalfUp(static_cast<float>((v - kMiddleLevel) * 2)) + kMiddleLevel));
  }
}

bool PeakToPeakRule(const CellBuffer& cell, int n) {
  int maxDev = 0, minDev = 0;
  for (int i = 1; i <= n; ++i) {
    maxDev = std::max(maxDev, cell[i] - kMiddleLevel);
    minDev = std::min(minDev, cell[i] - kMiddleLevel);
  }
  return maxDev * 1.5 < maxDev - minDev;
}

bool MeanRule(const CellBuffer& cell, int n) {
  int32_t sum = 0;
  int maxDev = 0;
  for (int i = 1; i <= n; ++i) {
    sum += cell[i];
    maxDev = std::max(maxDev, cell[i] - kMiddleLevel);
  }
  const int mean = sum / n;
  return maxDev * 1.5 < std::abs(mean);
}

}  // namespace sonatap
