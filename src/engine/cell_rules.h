#pragma once
// The rules that find and read bit cells, shared by the conversion run's
// recogniser and the debugger's bit view (which finds cells the same way but
// does not wait for the signal to start, and reads a cell from the bytes as
// they are in the file).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "engine/conversion_state.h"
#include "engine/tuning_settings.h"
#include "format/bit_shapes.h"
#include "format/tape_format.h"

namespace sonatap {

constexpr int kCellLengthAtStart = kCellSamples + 1;  // the nominal cell length the per-file reset sets
constexpr int kEndTerms = 5;       // last samples compared with the reference's end
constexpr int kEndCheckFrom = 30;  // cells shorter than this are never ended by detection

inline int RoundToNearestEven(float x) { return static_cast<int>(std::nearbyint(x)); }

// The levels the tuning gives, worked out once per run.
struct CellLimits {
  int startHigh = 0, startLow = 0;  // the signal starts beyond these
  int endTolerance = 0;             // a cell ends when its end matches the reference closer than this

  static CellLimits From(const TuningSettings& t) {
    return {RoundToNearestEven(t.VolumePlus * 45 + kMiddleLevel), RoundToNearestEven(t.VolumeMinus * 32 + kMiddleLevel),
            RoundToNearestEven(t.Tolerance * t.VolumePlus)};
  }
  bool Starts(int sample) const { return sample > startHigh || sample < startLow; }
};

// How far the cell's last samples are from the end of the reference shape,
// both folded about the middle line.
inline int EndMatch(const Shape& reference, const CellBuffer& cell, int cellCount) {
  int match = 0;
  for (int k = 1; k <= kEndTerms; ++k) {
    match += std::abs((reference[kShapeLength + 1 - k] - kMiddleLevel) - std::abs(cell[cellCount - k] - kMiddleLevel));
  }
  return match;
}

// Sum of |cell - shape| from the cell's end backwards against the shape's end.
inline int Distance(const CellBuffer& cell, int cellCount, const Shape& shape) {
  int sum = 0;
  if (cellCount >= kShapeLength) {
    // The usual case, as one run of a fixed length (which vectorises).
    const int16_t* samples = cell.data() + cellCount - kShapeLength + 1;
    for (int i = 0; i < kShapeLength; ++i) sum += std::abs(samples[i] - shape[i + 1]);
    return sum;
  }
  for (int i = 0; i < cellCount; ++i) sum += std::abs(cell[cellCount - i] - shape[kShapeLength - i]);
  return sum;
}

struct CellDistances {
  int zeroHigh = 0, zeroLow = 0, oneHigh = 0, oneLow = 0;
};

// The template compare of a finished cell of `n` samples. `before` is the
// level before the cell: below the cell's second sample the cell starts high,
// above it low, and only that side's two shapes are compared; level with it,
// all four are, and the closest wins. A tie gives -1 (no bit), or a 0 at the
// forced end of a cell.
inline int CompareCell(const ShapeSet& set, const CellBuffer& cell, int n, int before, bool forcedEnd,
                       CellDistances& d) {
  d = {};
  const int start = cell[2];
  if (before < start) {
    d.oneHigh = Distance(cell, n, set.oneHigh);
    d.zeroHigh = Distance(cell, n, set.zeroHigh);
    return d.oneHigh < d.zeroHigh ? 1 : 0;
  }
  if (before > start) {
    d.oneLow = Distance(cell, n, set.oneLow);
    d.zeroLow = Distance(cell, n, set.zeroLow);
    return d.oneLow < d.zeroLow ? 1 : 0;
  }
  const int zh = d.zeroHigh = Distance(cell, n, set.zeroHigh);
  const int zl = d.zeroLow = Distance(cell, n, set.zeroLow);
  const int oh = d.oneHigh = Distance(cell, n, set.oneHigh);
  const int ol = d.oneLow = Distance(cell, n, set.oneLow);
  if (oh < zh && oh < zl) return 1;
  if (zh < oh && zh < ol) return 0;
  if (ol < zl && ol < zh) return 1;
  if (zl < ol && zl < oh) return 0;
  return forcedEnd ? 0 : -1;
}

// The fallback readings of repeated searches for a lost data mark.
void NormaliseCellToVolume(CellBuffer& cell, const TuningSettings& t);
void DoubleCellGain(CellBuffer& cell);
bool PeakToPeakRule(const CellBuffer& cell, int n);
bool MeanRule(const CellBuffer& cell, int n);

// One sample of the template methods' cell finding: the cell ends when its
// end matches the reference, or when it has grown past the cell length and
// the threshold. `endCell(forcedEnd)` returns true to stop at once. Before
// the signal starts (when the caller waits for it) samples are not stored.
template <class EndCell>
inline bool TemplateStep(ConversionState& c, const CellLimits& limits, const Shape& reference, int threshold,
                         bool storing, EndCell&& endCell) {
  if (c.cellCount >= kEndCheckFrom) {
    c.endMatch = EndMatch(reference, c.cellBuffer, c.cellCount);
    if (c.endMatch < limits.endTolerance && endCell(false)) return true;
  }
  if (storing) {
    c.cellBuffer[c.cellCount] = static_cast<int16_t>(c.sample);
    if (c.cellCount > c.cellLength + threshold && endCell(true)) return true;
    ++c.cellCount;
  }
  return false;
}

// One sample of the crossing method ("DC Offset"): a crossing of the level
// near the middle of a cell marks a 1; a crossing at the end of a cell ends
// it; a cell that grows too long without one is a 0. `bit(one)` must start
// the next cell (cellCount 1).
template <class Bit>
inline void CrossingStep(ConversionState& c, int level, int threshold, bool counting, Bit&& bit) {
  const bool crossing = (c.previousSample < level && c.sample >= level) || (c.previousSample > level && c.sample <= level);
  if (crossing) {
    if (15 - threshold < c.cellCount && c.cellCount < 17 + threshold) {
      if (!c.midCrossing) c.cellCount = kCellSamples / 2;
      c.midCrossing = true;
    }
    if (c.cellCount > c.cellLength - threshold && c.midCrossing) {
      bit(true);
      c.midCrossing = false;
    }
    if (c.cellCount > c.cellLength - threshold && !c.midCrossing) bit(false);
  }
  if (counting) {
    ++c.cellCount;
    if (c.cellCount > c.cellLength + threshold) {
      if (!c.midCrossing) bit(false);
      c.cellCount = 1;
    }
  }
  c.previousSample = c.sample;
}

}  // namespace sonatap
