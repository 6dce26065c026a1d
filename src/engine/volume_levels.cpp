#include "engine/volume_levels.h"

#include <algorithm>

#include "engine/bit_recogniser.h"

namespace sonatap {
namespace {
constexpr int kBlockSamples = 100;
constexpr int kBlocksPerProgressStep = 100;
constexpr int64_t kMargin = 1000;  // bytes left out at both ends
}  // namespace

void MeasureAutoVolume(Session& session, SampleBuffer& samples, ProgressWindow& progress) {
  TuningSettings& t = session.tuning;
  if (!t.AutoVolume || t.RecognitionMethod >= kCrossingMethod) return;
  progress.Open("Auto Volume", 100);
  float sumPlus = 0, sumMinus = 0;
  int64_t blocks = 0;
  int inBlock = 0, maxDev = 0, minDev = 0, sinceProgress = 0;
  const int64_t length = samples.Length();
  const int64_t dataStart = session.conversion.dataStart;
  samples.Seek(dataStart - 1 + kMargin);
  for (int64_t i = dataStart + kMargin; i <= length - kMargin; ++i) {
    const int d = samples.ReadNext() - 128;
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
  if (blocks == 0) {
    // Nothing to average: the levels the user had are the best guess left.
    session.monitor.Append("Auto Volume: recording too short to measure, volume levels kept\r\n");
  } else {
    t.VolumePlus = sumPlus / static_cast<float>(blocks) / 96;
    t.VolumeMinus = sumMinus / static_cast<float>(blocks) / 96;
  }
  progress.Close();
}

void ScaleShapesToVolume(Session& session) {
  const TuningSettings& t = session.tuning;
  if (t.RecognitionMethod >= kCrossingMethod) return;
  auto scale = [&](Shape& shape) {
    for (int i = 1; i <= kShapeLength; ++i) {
      const int v = shape[i];
      const double gain = v < 128 ? -double(t.VolumeMinus) : double(t.VolumePlus);
      shape[i] = static_cast<int16_t>(RoundHalfUp(static_cast<float>((v - 128) * gain)) + 128);
    }
  };
  ShapeSet& set = session.shapes.set;
  for (Shape* shape : {&set.zeroHigh, &set.zeroLow, &set.oneHigh, &set.oneLow, &session.shapes.reference}) scale(*shape);
}

}  // namespace sonatap
