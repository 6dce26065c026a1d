#include "recognition/adaptive_cells.h"

#include <algorithm>
#include <cmath>

#include "synthesis/bit_shapes.h"

namespace sonatap {
namespace {

constexpr float kMiddleLevel = 128;
// The peaks relax toward the signal over about 20 ms: slow beside a cell
// (0.7 ms), so a flat top or a decayed spike keeps its side, but quick
// enough to follow a fade.
constexpr float kPeakDecay = 1.0f / 1024;
constexpr float kSwingDecay = 1.0f / 44100;  // the slow level: about a second
// A change needs the signal past the middle line by this share of the
// recent peak-to-peak swing, and past a floor under which only hiss lives.
constexpr float kHysteresis = 0.2f;
constexpr float kNoiseFloorShare = 0.06f;
constexpr float kMinHysteresis = 2;
// Intervals, in cells: shorter than kGlitch is noise, up to kHalfLimit half
// a cell, up to kWholeLimit a whole one, longer a gap.
constexpr float kGlitch = 0.3f;
constexpr float kHalfLimit = 0.75f;
constexpr float kWholeLimit = 1.5f;
// The learnt cell length stays within -20 % .. +25 % of nominal.
constexpr float kMinCell = kShapeLength * 0.8f;
constexpr float kMaxCell = kShapeLength * 1.25f;
constexpr float kTrackRate = 1.0f / 16;
constexpr int kLockCells = 32;    // whole cells in a row before bits flow
constexpr int kBadRunLimit = 4;   // noise intervals in a row that end the lock
constexpr int kMaxGapCells = 32;  // a silence longer than this ends the lock (a dropout is shorter)

}  // namespace

void AdaptiveCells::Reset() {
  high_ = low_ = kMiddleLevel;
  swing_ = 0;
  cellLength_ = kShapeLength;
  locked_ = false;
  wholeRun_ = 0;
  now_ = 0;
  Restart();
}

void AdaptiveCells::Restart() {
  lastChange_ = -1;
  pendingHalf_ = 0;
  badRun_ = 0;
  gapCells_ = 0;
}

AdaptiveCells::Event AdaptiveCells::Process(uint8_t sample) {
  ++now_;
  const float x = sample;
  high_ = x > high_ ? x : high_ + (x - high_) * kPeakDecay;
  low_ = x < low_ ? x : low_ + (x - low_) * kPeakDecay;
  const float swing = high_ - low_;
  swing_ = std::max(swing, swing_ - swing_ * kSwingDecay);
  const float middle = (high_ + low_) * 0.5f;
  const float margin = std::max({swing * kHysteresis, swing_ * kNoiseFloorShare, kMinHysteresis});

  const bool changed = above_ ? x < middle - margin : x > middle + margin;
  if (!changed) {
    if (locked_ && lastChange_ >= 0 && static_cast<float>(now_ - lastChange_) > kMaxGapCells * cellLength_) {
      locked_ = false;  // the signal has gone: the end of a file, or a long dropout
      wholeRun_ = 0;
    }
    return Event::None;
  }
  above_ = !above_;
  const int64_t previous = lastChange_;
  lastChange_ = now_;
  if (previous < 0) return Event::None;
  return Interval(static_cast<float>(now_ - previous));
}

AdaptiveCells::Event AdaptiveCells::Interval(float length) {
  const float cells = length / cellLength_;
  if (cells < kGlitch) {
    if (++badRun_ >= kBadRunLimit) {
      locked_ = false;
      wholeRun_ = 0;
    }
    return Event::None;
  }
  badRun_ = 0;
  if (cells < kHalfLimit) {
    if (pendingHalf_ == 0) {
      pendingHalf_ = length;
      return Event::None;
    }
    TrackCellLength(pendingHalf_ + length);
    pendingHalf_ = 0;
    if (!locked_) wholeRun_ = 0;
    return locked_ ? Event::One : Event::None;
  }
  // A half cell left alone before a whole one or a gap was a misread edge.
  pendingHalf_ = 0;
  if (cells < kWholeLimit) {
    TrackCellLength(length);
    if (!locked_ && ++wholeRun_ >= kLockCells) locked_ = true;
    return locked_ ? Event::Zero : Event::None;
  }
  wholeRun_ = 0;
  if (!locked_) return Event::None;
  gapCells_ = std::min(static_cast<int>(std::lround(cells)), kMaxGapCells);
  return Event::Gap;
}

void AdaptiveCells::TrackCellLength(float measured) {
  cellLength_ = std::clamp(cellLength_ + (measured - cellLength_) * kTrackRate, kMinCell, kMaxCell);
}

}  // namespace sonatap
