#include "recognition/bit_recogniser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sonatap {
namespace {

constexpr int kMiddle = 128;
constexpr int kEndTerms = 5;       // last samples compared with the reference's end
constexpr int kEndCheckFrom = 30;  // cells shorter than this are never ended by detection

int RoundToNearestEven(float x) { return static_cast<int>(std::nearbyint(x)); }

int Clamp8(int v) { return std::clamp(v, 0, 255); }

// Sum of |cell - shape| from the cell's end backwards against the shape's end.
int Distance(const std::array<int16_t, 65>& cell, int cellCount, const Shape& shape) {
  const int pairs = std::min(cellCount, kShapeLength);
  int sum = 0;
  for (int i = 0; i < pairs; ++i) sum += std::abs(cell[cellCount - i] - shape[kShapeLength - i]);
  return sum;
}

}  // namespace

bool BitRecogniser::ProcessSample(uint8_t byte) {
  const TuningSettings& t = s_.tuning;
  c_.sample = byte + t.DcLevel - kMiddle;
  // The adaptive method finds the signal's start by itself (its lock).
  if (t.RecognitionMethod == kAdaptiveMethod) {
    ProcessAdaptiveSample(byte);
    return GaveUp();
  }
  if (!c_.signalStarted) {
    const int startHigh = RoundToNearestEven(t.VolumePlus * 45 + 128);
    const int startLow = RoundToNearestEven(t.VolumeMinus * 32 + 128);
    if (c_.sample > startHigh || c_.sample < startLow) c_.signalStarted = true;
  }
  if (t.RecognitionMethod < kCrossingMethod) return ProcessTemplateSample();
  ProcessCrossingSample();
  // The crossing method gives up on a lost data mark as the templates do.
  return GaveUp();
}

bool BitRecogniser::ProcessTemplateSample() {
  const TuningSettings& t = s_.tuning;
  if (c_.cellCount >= kEndCheckFrom) {
    int match = 0;
    for (int k = 1; k <= kEndTerms; ++k) {
      match += std::abs((s_.shapes.reference[33 - k] - kMiddle) - std::abs(c_.cellBuffer[c_.cellCount - k] - kMiddle));
    }
    c_.endMatch = match;
    if (match < RoundToNearestEven(t.Tolerance * t.VolumePlus)) {
      ClassifyCell(false);
      if (GaveUp()) return true;
    }
  }
  if (c_.signalStarted) {
    c_.cellBuffer[c_.cellCount] = static_cast<int16_t>(c_.sample);
    if (c_.cellCount > c_.cellLength + t.Threshold) {
      ClassifyCell(true);
      if (GaveUp()) return true;
    }
    ++c_.cellCount;
  }
  return false;
}

void BitRecogniser::ProcessCrossingSample() {
  const TuningSettings& t = s_.tuning;
  const int level = t.DcLevel;
  const bool crossing = (c_.previousSample < level && c_.sample >= level) ||
                        (c_.previousSample > level && c_.sample <= level);
  if (crossing) {
    if (15 - t.Threshold < c_.cellCount && c_.cellCount < 17 + t.Threshold) {
      if (!c_.midCrossing) c_.cellCount = 16;
      c_.midCrossing = true;
    }
    if (c_.cellCount > c_.cellLength - t.Threshold && c_.midCrossing) {
      decoder_.ReceiveOneBit();
      c_.midCrossing = false;
    }
    if (c_.cellCount > c_.cellLength - t.Threshold && !c_.midCrossing) decoder_.ReceiveZeroBit();
  }
  if (c_.signalStarted) {
    ++c_.cellCount;
    if (c_.cellCount > c_.cellLength + t.Threshold) {
      if (!c_.midCrossing) decoder_.ReceiveZeroBit();
      c_.cellCount = 1;
    }
  }
  c_.previousSample = c_.sample;
}

void BitRecogniser::ProcessAdaptiveSample(uint8_t byte) {
  const AdaptiveCells::Event event = adaptive_.Process(byte);
  if (event == AdaptiveCells::Event::None) return;
  const int64_t jumps = decoder_.Jumps();
  switch (event) {
    case AdaptiveCells::Event::None:
      return;
    case AdaptiveCells::Event::Zero:
      decoder_.ReceiveZeroBit();
      break;
    case AdaptiveCells::Event::One:
      decoder_.ReceiveOneBit();
      break;
    case AdaptiveCells::Event::Gap: {
      // A dropout: its bits are unknown. Counted as zeros they keep the bytes
      // after it in step, so the copy's checksum fails where it should and
      // the other copy is read. But a dropout over a data mark leaves the
      // search with no mark, and its repeats would read the same zeros: the
      // repeats count the gap as ones instead, the mark's own value, so the
      // block after it is found (and a copy read out of step fails its
      // checksum, as a damaged copy should).
      const bool asMark = s_.decoder.attemptCount > 0 && !s_.decoder.synchronised;
      for (int i = 0; i < adaptive_.GapCells() && decoder_.Jumps() == jumps; ++i) Deliver(asMark);
      break;
    }
  }
  if (decoder_.Jumps() != jumps) adaptive_.Restart();
}

void BitRecogniser::ClassifyCell(bool forcedEnd) {
  // Repeated searches for a lost data mark try other readings of the cells.
  switch (s_.decoder.attemptCount) {
    case 1:
      NormaliseCellToVolume();
      TemplateCompare(forcedEnd);
      break;
    case 2:
      DoubleCellGain();
      TemplateCompare(forcedEnd);
      break;
    case 3:
      PeakToPeakRule();
      break;
    case 4:
      MeanRule();
      break;
    default:
      TemplateCompare(forcedEnd);
      break;
  }
}

void BitRecogniser::TemplateCompare(bool forcedEnd) {
  const ShapeSet& set = s_.shapes.set;
  const auto& cell = c_.cellBuffer;
  const int n = c_.cellCount;
  c_.distZeroHigh = c_.distZeroLow = c_.distOneHigh = c_.distOneLow = 0;
  const int16_t start = cell[2];
  const int16_t last = static_cast<int16_t>(c_.lastLevel);
  const int32_t newLastLevel = cell[std::max(0, n - 2)];
  if (last < start) {
    c_.distOneHigh = Distance(cell, n, set.oneHigh);
    c_.distZeroHigh = Distance(cell, n, set.zeroHigh);
    c_.lastLevel = newLastLevel;
    Deliver(c_.distOneHigh < c_.distZeroHigh);
  } else if (last > start) {
    c_.distOneLow = Distance(cell, n, set.oneLow);
    c_.distZeroLow = Distance(cell, n, set.zeroLow);
    c_.lastLevel = newLastLevel;
    Deliver(c_.distOneLow < c_.distZeroLow);
  } else {
    const int zh = c_.distZeroHigh = Distance(cell, n, set.zeroHigh);
    const int zl = c_.distZeroLow = Distance(cell, n, set.zeroLow);
    const int oh = c_.distOneHigh = Distance(cell, n, set.oneHigh);
    const int ol = c_.distOneLow = Distance(cell, n, set.oneLow);
    c_.lastLevel = newLastLevel;
    if (oh < zh && oh < zl) {
      Deliver(true);
    } else if (zh < oh && zh < ol) {
      Deliver(false);
    } else if (ol < zl && ol < zh) {
      Deliver(true);
    } else if (zl < ol && zl < oh) {
      Deliver(false);
    } else if (forcedEnd) {
      Deliver(false);
    }
    // Otherwise a tie: no bit yet, the cell goes on growing.
  }
}

void BitRecogniser::NormaliseCellToVolume() {
  int maxDev = 0, minDev = 0;
  for (int i = 1; i <= kShapeLength; ++i) {
    maxDev = std::max(maxDev, c_.cellBuffer[i] - kMiddle);
    minDev = std::min(minDev, c_.cellBuffer[i] - kMiddle);
  }
  const TuningSettings& t = s_.tuning;
  for (int i = 1; i <= kShapeLength; ++i) {
    const int v = c_.cellBuffer[i];
    if (v == kMiddle) continue;  // also when the cell never rises (maxDev 0)
    const double gain = v < kMiddle ? double(t.VolumeMinus) * 128 / minDev : double(t.VolumePlus) * 128 / maxDev;
    const float scaled = static_cast<float>((v - kMiddle) * gain);
    c_.cellBuffer[i] = static_cast<int16_t>(Clamp8(RoundHalfUp(scaled) + kMiddle));
  }
}

void BitRecogniser::DoubleCellGain() {
  for (int i = 1; i <= kShapeLength; ++i) {
    const int v = c_.cellBuffer[i];
    c_.cellBuffer[i] = static_cast<int16_t>(Clamp8(RoundHalfUp(static_cast<float>((v - kMiddle) * 2)) + kMiddle));
  }
}

void BitRecogniser::PeakToPeakRule() {
  int maxDev = 0, minDev = 0;
  for (int i = 1; i <= c_.cellCount; ++i) {
    maxDev = std::max(maxDev, c_.cellBuffer[i] - kMiddle);
    minDev = std::min(minDev, c_.cellBuffer[i] - kMiddle);
  }
  Deliver(maxDev * 1.5 < maxDev - minDev);
}

void BitRecogniser::MeanRule() {
  int32_t sum = 0;
  int maxDev = 0;
  for (int i = 1; i <= c_.cellCount; ++i) {
    sum += c_.cellBuffer[i];
    maxDev = std::max(maxDev, c_.cellBuffer[i] - kMiddle);
  }
  const int mean = sum / c_.cellCount;
  Deliver(maxDev * 1.5 < std::abs(mean));
}

}  // namespace sonatap
