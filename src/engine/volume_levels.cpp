#include "engine/volume_levels.h"

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sonatap {
namespace {
constexpr int kBlockSamples = 100;
constexpr int kBlocksPerProgressStep = 100;
constexpr int64_t kMargin = 1000;  // bytes left out at both ends
constexpr size_t kLanes = 16;
}  // namespace

bool MeasuresAutoVolume(const TuningSettings& t) { return t.AutoVolume && t.RecognitionMethod < kCrossingMethod; }

bool MeasureAutoVolume(TuningSettings& t, SampleBuffer& samples, int64_t dataStart, ProgressWindow& progress) {
  if (!MeasuresAutoVolume(t)) return true;
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
    for (size_t k = 0; k < count;) {
      // The rest of the current 100-sample block, or of what was read.
      const size_t n = std::min(count - k, static_cast<size_t>(kBlockSamples - inBlock));
      uint8_t high = 0, low = 255;
      if (unreadable) {
        high = low = 0;
      } else {
        const uint8_t* bytes = block.data() + k;
        size_t j = 0;
#if defined(__SSE2__)
        if (n >= kLanes) {
          // Sixteen lanes at a time, then the lanes' own peaks.
          __m128i highs = _mm_setzero_si128(), lows = _mm_set1_epi8(static_cast<char>(0xFF));
          for (; j + kLanes <= n; j += kLanes) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + j));
            highs = _mm_max_epu8(highs, v);
            lows = _mm_min_epu8(lows, v);
          }
          alignas(16) std::array<uint8_t, kLanes> h, l;
          _mm_store_si128(reinterpret_cast<__m128i*>(h.data()), highs);
          _mm_store_si128(reinterpret_cast<__m128i*>(l.data()), lows);
          for (size_t q = 0; q < kLanes; ++q) {
            high = std::max(high, h[q]);
            low = std::min(low, l[q]);
          }
        }
#endif
        for (; j < n; ++j) {
          high = std::max(high, bytes[j]);
          low = std::min(low, bytes[j]);
        }
      }
      maxDev = std::max(maxDev, high - kMiddleLevel);
      minDev = std::min(minDev, low - kMiddleLevel);
      k += n;
      i += static_cast<int64_t>(n);
      inBlock += static_cast<int>(n);
      if (inBlock == kBlockSamples) {
        sumPlus += maxDev;
        sumMinus += minDev;
        ++blocks;
        inBlock = maxDev = minDev = 0;
        if (++sinceProgress == kBlocksPerProgressStep) {
          progress.SetValue(static_cast<int>((i - 1) * 100 / length));
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
