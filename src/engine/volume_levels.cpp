#include "engine/volume_levels.h"

#include <algorithm>

namespace sonatap {
namespace {
constexpr int kBlockSamples = 100;
constexpr int kBlocksPerProgressStep = 100;
constexpr int64_t kMargin = 1000;  // bytes left out at both ends
}  // namespace

bool MeasureAutoVolume(TuningSettings& t, SampleBuffer& samples, int64_t dataStart, ProgressWindow& progress) {
  if (!t.AutoVolume || t.RecognitionMethod >= kCrossingMethod) return true;
  progress.Open("Auto Volume", 100);
  float sumPlus = 0, sumMinus = 0;
  int64_t blocks = 0;
  int inBlock = 0, maxDev = 0, minDev = 0, sinceProgress = 0;
  const int64_t length = samples.Length();
  samples.Seek(dataStart - 1 + kMargin);
  // Samples i = dataStart + kMargin .. length - kMargin; past the end of what
  // can be read they count as 0.
  int64_t i = dataStart + kMargin;
  const int64_t last = length - kMargin;
  while (i <= last) {
    std::span<const uint8_t> block = samples.Peek();
    const bool unreadable = block.empty();
    const size_t count = unreadable ? 1 : static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(block.size()), last - i + 1));
    for (size_t k = 0; k < count; ++k, ++i) {
      const int d = (unreadable ? 0 : block[k]) - kMiddleLevel;
      maxDev = std::max(maxDev, d);
      minDev = std::min(minDev, d);
      if (++inBlock == kBlockSamples) {
        sumPlus += maxDev;
        sumMinus += minDev;
        ++blocks;
        inBlock = maxDev = minDev = 0;
        if (++sinceProgress == kBlocksPerProgressStep) {
          progress.SetValue(static_cast<int>(i * 100 / length));
          sinceProgress = 0;
        }
      }
    }
    if (!unreadable) samples.Skip(count);
  }
  progress.Close();
  if (blocks == 0) return false;
  t.VolumePlus = sumPlus / static_cast<float>(blocks) / 96;
  t.VolumeMinus = sumMinus / static_cast<float>(blocks) / 96;
  return true;
}

void ScaleShapesToVolume(Shapes& shapes, const TuningSettings& t) {
  if (t.RecognitionMethod >= kCrossingMethod) return;
  auto scale = [&](Shape& shape) {
    for (int i = 1; i <= kShapeLength; ++i) {
      const int v = shape[i];
      const double gain = v < kMiddleLevel ? -double(t.VolumeMinus) : double(t.VolumePlus);
      shape[i] = static_cast<int16_t>(RoundHalfUp(static_cast<float>((v - kMiddleLevel) * gain)) + kMiddleLevel);
    }
  };
  ShapeSet& set = shapes.set;
  for (Shape* shape : {&set.zeroHigh, &set.zeroLow, &set.oneHigh, &set.oneLow, &shapes.reference}) scale(*shape);
}

}  // namespace sonatap
