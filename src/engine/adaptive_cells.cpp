#include "engine/adaptive_cells.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>

#include "format/bit_shapes.h"

namespace sonatap {
namespace {

// The peaks relax toward the signal over about 20 ms: slow beside a cell
// (0.7 ms), so a flat top or a decayed spike keeps its side, but quick
// enough to follow a fade.
constexpr float kPeakDecay = 1.0f / 1024;
constexpr float kSwingDecay = 1.0f / 44100;  // the slow level: about a second
// Hiss turns the slope of the signal about every other sample; the cells of
// a tape, even a dull or spiky one, turn it a few times a cell (at most about
// one sample in ten). Past kHiss the changes are found on the signal smoothed
// over three samples, past kHeavyHiss over five: the flat parts of a spiky
// recording lie close to the margin, and hiss alone would carry them past it.
// A clean recording is read as it is, its edges and spikes at full height.
constexpr int kTurnsWindow = 2048;  // samples over which the turns are counted
constexpr float kHiss = 0.16f;
constexpr float kHeavyHiss = 0.3f;
// A change needs the signal past a floor under which only hiss lives.
constexpr float kNoiseFloorShare = 0.06f;
constexpr float kMinHysteresis = 2;
// Intervals, in cells: shorter than kGlitch is noise, up to kHalfLimit half
// a cell, up to kWholeLimit a whole one, longer a gap.
constexpr float kGlitch = 0.3f;
constexpr double kQuietCells = 0.4;  // after a change, no other before this
// Where a change is timed, as a share of the margin: past the flat line a
// real deck leaves beside the middle after each edge (0.4 to 0.5 of it), and
// short of the margin, which steep and gentle edges pass at different times.
constexpr float kTimingShare = 0.8f;
// Sensitive reading: a signal that has come kFall of the swing from its
// furthest point the other way is a change once it is kFallAhead of the swing
// past the middle line. A worn deck leaves some edges, from a bump to a flat
// part near the line, just short of the margin.
// A faint change of the usual reading falls as far, to past the timing
// level, from a furthest point that fades back by kFallFade of the swing a
// sample: a peak k samples back counts k/28 of the swing less, so only an
// edge falls that far, not hum or a fade. (Measured on the channel set:
// 1/23 or faster misses the clipped cells, 1/40 or slower misreads some of
// Triangle 2's cells under hum or at a low level.)
constexpr float kFall = 0.4f;
constexpr float kFallAhead = 0.1f;
constexpr float kFallFade = 1.0f / 28;
constexpr double kLinger = 0.15;  // of a cell
constexpr float kLingerConfirm = 0.25f;  // of the swing: halfway from the middle line to a peak
constexpr float kHalfLimit = 0.75f;
constexpr float kWholeLimit = 1.5f;
constexpr float kLagRate = 1.0f / 8;
constexpr float kMaxLag = 0.3f;  // in cells: the limit stays within 0.6 .. 0.9
// After a leader, an interval from the half limit up to the longest first
// half the lag allows, and this much more, is in doubt.
constexpr float kDoubtMargin = 0.05f;
// The learnt cell length stays within -20 % .. +25 % of nominal.
constexpr float kMinCell = kShapeLength * 0.8f;
constexpr float kMaxCell = kShapeLength * 1.25f;
constexpr float kTrackRate = 1.0f / 16;
constexpr int kLockCells = 32;    // whole cells in a row before bits flow
constexpr int kRelockCells = 8;   // the same after the integrating reading moved within a file
constexpr float kLeaderSpread = 0.12f;  // how far those cells may stray from each other
// Hum or a deck that delays rising edges more than falling ones makes every
// other leader cell long and the next one short by as much; a pair of them
// still comes to two cells. Such a cell counts when it and the one before
// come to two cells within half the spread, and it alone is within this.
constexpr float kPairedSpread = 0.3f;
// The integrating reading: how much of a change's timing error one cell
// corrects, and how much of that the cell length takes up. A cell whose
// summed signal stays under kWeakShare of a steady full-swing one's is
// weak, and kWeakLimit of them in a row mean the signal has gone, as does
// an average over the last few dozen (kHeldShareRate) under kGoneShare: loud
// hiss between files, lifted by a gain, makes a cell strong now and then
// but keeps the flywheel reading garbage for seconds. A change
// at a boundary under kDoubtShare of the last few's (kChangeRate) lost its
// signal within a cell, as in a dropout, and the bits beside it are guesses.
constexpr float kPhaseGain = 0.3f;
constexpr float kLengthGain = 0.03f;
constexpr float kWeakShare = 0.2f;
constexpr float kDoubtShare = 0.1f;
constexpr float kChangeRate = 1.0f / 16;
constexpr int kWeakLimit = 48;
constexpr float kHeldShareRate = 1.0f / 32;
constexpr float kGoneShare = 0.25f;
constexpr int kBadRunLimit = 4;   // noise intervals in a row that end the lock
constexpr int kMaxGapCells = 32;  // a silence longer than this ends the lock (a dropout is shorter)
// Hiss between two files, lifted by a gain that follows fades, changes level
// as often as cells do, but at random: the cells it makes are anything from
// a quarter of the length learnt to several, where a tape's come within a
// few per cent of it. How far each bit's cell lies from that length (a 1's
// two halves together; a 0 after a 1 may be short by the deck's lag; a gap
// or a glitch counts as kMaxMisfit) is averaged over the last few dozen, and
// past kNoiseMisfit the lock ends. Read as bits, such hiss made a file sync
// out of nothing, and the search for that file's records then gave up on
// the rest of the tape. (Measured: up to 0.11 on the worn sound-card deck of
// the channel set, 0.02 on a clean side; 0.2 on average in hiss.)
constexpr float kMaxMisfit = 0.5f;
constexpr float kMisfitRate = 1.0f / 64;
constexpr float kNoiseMisfit = 0.15f;

// Which side of the middle line a sum over part of a cell lies on.
float SideOf(float sum) { return sum < 0 ? -1.0f : 1.0f; }

}  // namespace

void AdaptiveCells::Reset() {
  levels_ = Levels{};
  levels_.high = levels_.low = kMiddleLevel;
  levels_.turnsLeft = kTurnsWindow;
  cellLength_ = kShapeLength;
  locked_ = false;
  wholeRun_ = 0;
  lastWhole_ = 0;
  afterOne_ = false;
  lag_ = 0;
  misfit_ = 0;
  Restart();
  relocking_ = false;
}

void AdaptiveCells::Restart() {
  if (integrating_ && wheel_.running) locked_ = false, relocking_ = true;
  wheel_ = Flywheel{};
  lastChange_ = levels_.middleCrossing = -1;
  gapEnd_ = std::numeric_limits<double>::max();
  quietEnd_ = 0;
  levels_.previous = kMiddleLevel;
  levels_.furthest = std::numeric_limits<float>::max();
  std::fill(std::begin(levels_.recent), std::end(levels_.recent), kMiddleLevel);
  pendingHalf_ = 0;
  doubtful_ = 0;
  zerosInRow_ = 0;
  runCount_ = 0;
  badRun_ = 0;
  gapCells_ = 0;
}

inline float AdaptiveCells::Levels::Smoothed(int raw) {
  const int step = raw - recent[0];
  turns += step * slope < 0;
  if (step != 0) slope = step;
  if (--turnsLeft == 0) {
    smoothing = turns > kHeavyHiss * kTurnsWindow ? 2 : turns > kHiss * kTurnsWindow ? 1 : 0;
    turns = 0;
    turnsLeft = kTurnsWindow;
  }
  float x = static_cast<float>(raw);
  if (smoothing == 2)
    x = (raw + 2 * recent[0] + 3 * recent[1] + 2 * recent[2] + recent[3]) * (1.0f / 9);
  else if (smoothing == 1)
    x = (raw + 2 * recent[0] + recent[1]) * 0.25f;
  recent[3] = recent[2];
  recent[2] = recent[1];
  recent[1] = recent[0];
  recent[0] = raw;
  return x;
}

// Always inlined: a call per sample, with its result in memory, doubles the
// reading's time.
template <AdaptiveCells::Reading kReading>
[[gnu::always_inline]] inline AdaptiveCells::Step AdaptiveCells::Levels::Follow(uint8_t sample, float toward) {
  constexpr float kShare = kReading == Reading::Sensitive ? kSensitiveHysteresis : kHysteresis;
  ++now;
  // The peaks follow the raw samples: smoothing lowers a spike's top but not
  // a flat part, and the margin is a share of the peaks.
  const float raw = sample;
  const float x = Smoothed(sample);
  // Written so that the peak's own chain of dependent steps is short: one
  // product, one sum, one comparison per sample.
  const float pull = raw * kPeakDecay;
  high = std::max(raw, high * (1 - kPeakDecay) + pull);
  low = std::min(raw, low * (1 - kPeakDecay) + pull);
  Step step;
  step.swing = high - low;
  swing = std::max(step.swing, swing * (1 - kSwingDecay));
  const float middle = (high + low) * 0.5f;
  step.margin = std::max(std::max(step.swing * kShare, swing * kNoiseFloorShare), kMinHysteresis);

  // A change is timed where the signal last left the band about the middle
  // line on its way past the margin, not where it passed the margin: a steep
  // edge passes the margin sooner than a gentle one, and a 1's half cells are
  // steeper. The band is wide enough that a spike's tail, resting on the
  // line, and the flat line after a real deck's edge do not move the time.
  step.ahead = (x - middle) * toward;
  if constexpr (kReading == Reading::Sensitive) furthest = std::min(furthest, x * toward);
  if constexpr (kReading == Reading::FaintChanges) furthest = std::min(x * toward, furthest + step.swing * kFallFade);
  if constexpr (kReading != Reading::Usual) step.fall = x * toward - furthest;
  const float aheadBefore = (previous - middle) * toward;
  previous = x;
  const float timing = step.margin * kTimingShare;
  if (step.ahead > timing && aheadBefore <= timing)
    middleCrossing = static_cast<double>(now - 1) + (timing - aheadBefore) / (step.ahead - aheadBefore);
  return step;
}

AdaptiveCells::Event AdaptiveCells::Process(std::span<const uint8_t> samples, size_t& used) {
  if (integrating_ && locked_) return IntegrateRun(samples, used);
  if (sensitive_) return ProcessRun<Reading::Sensitive>(samples, used);
  if (readsFaintChanges_) return ProcessRun<Reading::FaintChanges>(samples, used);
  return ProcessRun<Reading::Usual>(samples, used);
}

template <AdaptiveCells::Reading kReading>
AdaptiveCells::Event AdaptiveCells::ProcessRun(std::span<const uint8_t> samples, size_t& used) {
  Levels levels = levels_;
  float toward = above_ ? -1.0f : 1.0f;
  int64_t quietUntil = QuietUntil(), goneAfter = GoneAfter();
  for (size_t i = 0; i < samples.size(); ++i) {
    const Step step = levels.Follow<kReading>(samples[i], toward);
    // No change is looked for in the first part of a cell after one: the next
    // comes half a cell or a whole one later, and what comes sooner is a bump
    // or the flat part of a cell that noise, hum or a coarse level step has
    // carried past the margin (the 1 cells of a real recording begin with a bump).
    bool past = step.ahead > step.margin;
    if constexpr (kReading == Reading::Sensitive) {
      past = past || (step.fall > step.swing * kFall && step.ahead > step.swing * kFallAhead);
    } else if (kReading == Reading::FaintChanges && levels.smoothing == 0) {
      // Past the level changes are timed at, so that the change can be timed
      // there. Where there is hiss (or none is known yet), falls that steep
      // are its own.
      past = past || (step.ahead > step.margin * kTimingShare && step.fall > step.swing * kFall);
    }
    if (!past || levels.now < quietUntil) {
      if (levels.now > goneAfter) {
        Unlock();  // the signal has gone: the end of a file, or a long dropout
        goneAfter = GoneAfter();
      }
      continue;
    }
    levels_ = levels;
    const Event event = Change(step.ahead, step.swing);
    levels.furthest = levels_.furthest;
    if (event != Event::None) {
      used = i + 1;
      return event;
    }
    toward = above_ ? -1.0f : 1.0f;
    quietUntil = QuietUntil();
    goneAfter = GoneAfter();
  }
  levels_ = levels;
  used = samples.size();
  return Event::None;
}

AdaptiveCells::Event AdaptiveCells::IntegrateRun(std::span<const uint8_t> samples, size_t& used) {
  Levels levels = levels_;
  Flywheel w = wheel_;
  if (!w.running) {
    // Locked on the change that began the cell in progress.
    w = Flywheel{};
    w.running = true;
    w.start = lastChange_;
  }
  double middle = w.start + cellLength_ * 0.5, end = w.start + cellLength_;
  for (size_t i = 0; i < samples.size(); ++i) {
    const Step step = levels.Follow<Reading::Usual>(samples[i], 1.0f);
    const float v = step.ahead;  // the signal less the middle line
    const auto now = static_cast<double>(levels.now);
    const auto between = [&](double at) { return w.previous + (v - w.previous) * static_cast<float>(at - (now - 1)); };
    if (now - 1 < middle && middle <= now) w.atMiddle = between(middle);
    if (now < end) {
      (now < middle ? w.first : w.second) += v;
      w.previous = v;
      continue;
    }
    // The cell is over. A change belongs at its end, and in its middle for a
    // 1: where the signal is still on the side before it there, the cells
    // run early, and the next one starts later by about the time the
    // signal needs from there to the middle line.
    const bool one = w.first * w.second < 0;
    const float amplitude = std::max(step.swing * 0.5f, 1.0f);
    float early = between(end) * SideOf(w.second) / amplitude;
    if (one) early = (early + w.atMiddle * SideOf(w.first) / amplitude) * 0.5f;
    // The change at the boundary this cell began with: the cell before's
    // second half less this cell's first (none before the flywheel's first).
    const bool changed = w.sideBefore != 0;
    const float change = w.before - w.first;
    // A boundary with little change in it (a dropout, the bottom of a fade)
    // tells little of where it lies: hiss alone would steer the cells a cell
    // off within a few dozen. Its correction counts as its change against
    // the last few boundaries' (the flywheel's first cell: in full).
    const float trust = changed && w.changeAverage > 0 ? std::min(1.0f, std::fabs(change) / w.changeAverage) : 1.0f;
    const float shift = trust * std::clamp(early, -1.0f, 1.0f) * cellLength_ * kPhaseGain / (2 * std::numbers::pi_v<float>);
    const float held = std::fabs(w.first) + std::fabs(w.second);
    w.weakCells = held < kWeakShare * amplitude * cellLength_ ? w.weakCells + 1 : 0;
    w.heldShare += (held / (amplitude * cellLength_) - w.heldShare) * kHeldShareRate;
    // The signal changes side at every cell boundary, so the side it lay on
    // before one is read from both halves beside it: the cell before's
    // second half and this cell's first, turned over. Twice the signal
    // against the same hiss: hiss that tips one half sum over the middle line
    // rarely tips the difference of two. The cell before was a 1 where the
    // sides before its two boundaries agree (its own halves differ).
    Event event = Event::None;
    if (changed) {
      // A dropout takes the change away within a cell, a fade over hundreds;
      // a silence resting a little off the middle line has none either.
      // The bit rests on the changes at both its boundaries.
      const bool weak = std::fabs(change) < kDoubtShare * w.changeAverage;
      w.changeAverage += (std::fabs(change) - w.changeAverage) * kChangeRate;
      w.lastWeak = weak || w.weakBefore;
      w.weakBefore = weak;
      const float sideAtEnd = SideOf(change);
      event = sideAtEnd == w.sideBefore ? Event::One : Event::Zero;
      w.sideBefore = sideAtEnd;
    } else {
      w.sideBefore = -SideOf(w.first);  // the flywheel's first cell: its first half alone
    }
    w.before = w.second;
    cellLength_ = std::clamp(cellLength_ + shift * kLengthGain, kMinCell, kMaxCell);
    w.start = end + shift;
    const bool firstHalf = now < w.start + cellLength_ * 0.5;
    w.first = firstHalf ? v : 0;
    w.second = firstHalf ? 0 : v;
    w.previous = v;
    levels_ = levels;
    wheel_ = w;
    used = i + 1;
    if (w.weakCells >= kWeakLimit || w.heldShare < kGoneShare) {
      // The signal has gone: the next bits need a new run of whole cells,
      // as after a file.
      Restart();
      Unlock();
      return Event::None;
    }
    return event;
  }
  levels_ = levels;
  wheel_ = w;
  used = samples.size();
  return Event::None;
}

AdaptiveCells::Event AdaptiveCells::Finish() {
  if (integrating_ && wheel_.running && wheel_.sideBefore != 0) {
    // The last whole cell's bit, from its own second half alone.
    wheel_.running = false;
    wheel_.lastWeak = wheel_.weakBefore;
    return SideOf(wheel_.before) == wheel_.sideBefore ? Event::One : Event::Zero;
  }
  if (!locked_ || integrating_ || lastChange_ < 0) return Event::None;
  const auto length = static_cast<float>(static_cast<double>(levels_.now) - lastChange_);
  if (length / cellLength_ >= kWholeLimit) return Event::None;
  return Interval(length);
}

// Sample times are whole numbers: `now < quietEnd_` is `now < ceil(quietEnd_)`.
int64_t AdaptiveCells::QuietUntil() const { return static_cast<int64_t>(std::ceil(quietEnd_)); }

int64_t AdaptiveCells::GoneAfter() const {
  constexpr double kNever = 0x1p62;
  return locked_ && gapEnd_ < kNever ? static_cast<int64_t>(std::floor(gapEnd_)) : std::numeric_limits<int64_t>::max();
}

AdaptiveCells::Event AdaptiveCells::Change(float ahead, float swing) {
  const double now = static_cast<double>(levels_.now), middleCrossing = levels_.middleCrossing;
  const double previous = lastChange_;
  // An edge goes from the timing level to the margin in a sample or two; a
  // signal that lingered between them was on a flat part near the level,
  // and the change is timed where it finally passed the margin (or where it
  // reached the level: LingeredOnALevel). But a flat part that hum has
  // lifted past the margin lingers too: such a signal counts only once it
  // is well on its way to the peak.
  const bool edge = middleCrossing > previous && now - middleCrossing < kLinger * cellLength_;
  if (!edge && ahead < swing * kLingerConfirm) return Event::None;
  above_ = !above_;
  levels_.furthest = levels_.previous * (above_ ? -1.0f : 1.0f);
  lastChange_ = edge || (readsFaintChanges_ && LingeredOnALevel(middleCrossing, now)) ? middleCrossing : now;
  quietEnd_ = lastChange_ + kQuietCells * cellLength_;
  gapEnd_ = lastChange_ + kMaxGapCells * cellLength_;
  if (previous < 0) return Event::None;
  return Interval(static_cast<float>(lastChange_ - previous));
}

// A cell whose flat part lies about the timing level, as the second half of
// a Triangle 2 cell through a deck's band limits does, lingers from where
// it reached that level to where a spike at its end passes the margin: half
// a cell. Which of the two is the change shows where the cells begin: the
// one on their whole-cell grid, counted from the last cell boundary (a 1's
// middle change is half a cell past one). Either would make an interval of
// a half or a whole cell.
bool AdaptiveCells::LingeredOnALevel(double reached, double passed) const {
  if (lastChange_ < 0 || reached <= lastChange_) return false;
  const double boundary = lastChange_ - pendingHalf_;
  const auto offGrid = [&](double at) {
    const double cells = (at - boundary) / cellLength_;
    return std::fabs(cells - std::round(cells));
  };
  return offGrid(reached) < offGrid(passed);
}

// The first 1 after a long run of 0s (the sync byte after a leader) comes
// before the lag is known, and its first half may look like a short whole
// cell. But a run of 0s has no reason to shorten one of its cells: such an
// interval waits for the next, and is a half when a half follows it.
AdaptiveCells::Event AdaptiveCells::Interval(float length) {
  if (doubtful_ == 0) return Classify(length);
  const float doubtful = doubtful_;
  doubtful_ = 0;
  if (length / cellLength_ < kHalfLimit) {
    lag_ = std::clamp(doubtful / cellLength_ - 0.5f, -kMaxLag, kMaxLag);
    pendingHalf_ = doubtful;
    return Classify(length);
  }
  switch (Classify(length)) {
    case Event::Zero:
      return Event::TwoZeros;
    case Event::Gap:
      gapCells_ = std::min(gapCells_ + 1, kMaxGapCells);
      return Event::Gap;
    default:  // a half now pending, a glitch
      return Event::Zero;
  }
}

AdaptiveCells::Event AdaptiveCells::Classify(float length) {
  RelearnFromARun(length);
  const float cells = length / cellLength_;
  if (cells < kGlitch) {
    NoteMisfit(kMaxMisfit);
    if (++badRun_ >= kBadRunLimit) Unlock();
    return Event::None;
  }
  badRun_ = 0;
  // The second part of a 1 ends the cell wherever its middle change fell: a
  // dull head delays the changes of a 1 less than those of a 0, so the two
  // halves of a cell after a 0 come out unequal, but their sum is a cell.
  if (pendingHalf_ > 0 && (pendingHalf_ + length) / cellLength_ < kWholeLimit) {
    NoteMisfit(std::fabs((pendingHalf_ + length) / cellLength_ - 1));
    TrackCellLength(pendingHalf_ + length);
    pendingHalf_ = 0;
    afterOne_ = true;
    if (!locked_) wholeRun_ = 0;
    return locked_ ? Event::One : Event::None;
  }
  // A 1's closing change can stay under the margin where the 0 after it
  // starts on a low flat part and rises to a spike only at its end (such
  // cells through a deck's high-pass): a half, then about a whole cell.
  if (readsFaintChanges_ && pendingHalf_ > 0 && locked_ && cells > kHalfLimit && cells < kWholeLimit) {
    pendingHalf_ = 0;
    afterOne_ = false;
    zerosInRow_ = 1;
    return Event::OneZero;
  }
  // A deck's filters shift the 0s' low tone and the 1s' high tone by
  // different times (a high-pass puts the 0s ahead, a dull head behind): the
  // first half of a 1 after a 0 comes out longer than half a cell by some lag,
  // and a 0 after a 1 shorter than a cell by the same lag (or the other way
  // round). The lag is learnt from both, and moves the limit between a half
  // cell and a whole one with it.
  const float halfLimit = afterOne_ ? kHalfLimit - lag_ * 0.5f : kHalfLimit + lag_ * 0.5f;
  if (cells < halfLimit) {
    if (!afterOne_) LearnLag(cells - 0.5f);
    pendingHalf_ = length;
    zerosInRow_ = 0;
    return Event::None;
  }
  if (locked_ && zerosInRow_ >= kLockCells && cells < 0.5f + kMaxLag + kDoubtMargin) {
    doubtful_ = length;
    zerosInRow_ = 0;
    return Event::None;
  }
  if (afterOne_ && cells < kWholeLimit) LearnLag(1 - cells);
  afterOne_ = false;
  // A half cell left alone before a whole one or a gap was a misread edge.
  pendingHalf_ = 0;
  if (cells < kWholeLimit) {
    if (!locked_) {
      // Learning from a leader: a run of cells that agree with each other,
      // so that the changes misread while the levels settle do not pull the
      // length away before the bits flow.
      const bool paired = lastWhole_ > 0 && std::fabs(cells - 1) < kPairedSpread &&
                          std::fabs((length + lastWhole_) / (2 * cellLength_) - 1) <= kLeaderSpread * 0.5f;
      lastWhole_ = length;
      if (std::fabs(cells - 1) > kLeaderSpread && !paired) {
        wholeRun_ = 0;
        return Event::None;
      }
      TrackCellLength(length);
      ++zerosInRow_;
      if (++wholeRun_ >= (relocking_ ? kRelockCells : kLockCells)) {
        locked_ = true;
        relocking_ = false;
        misfit_ = 0;
      }
      return locked_ ? Event::Zero : Event::None;
    }
    NoteMisfit(std::min(std::fabs(cells - 1), std::fabs(cells - 1 + lag_)));
    TrackCellLength(length);
    ++zerosInRow_;
    return locked_ ? Event::Zero : Event::None;
  }
  wholeRun_ = 0;
  zerosInRow_ = 0;
  lastWhole_ = 0;
  NoteMisfit(kMaxMisfit);
  if (!locked_) return Event::None;
  gapCells_ = std::min(static_cast<int>(std::lround(cells)), kMaxGapCells);
  return Event::Gap;
}

// A run of intervals alike that is neither whole cells nor halves of the
// length learnt is a leader at another length: loud hiss between two files,
// read as changes, can drag the length away, and the next leader's cells
// then read as halves and wholes, never as a run of whole cells.
void AdaptiveCells::RelearnFromARun(float length) {
  if (std::fabs(length - runMean_) <= kLeaderSpread * runMean_) {
    runCount_ = std::min(runCount_ + 1, kLockCells);
    runMean_ += (length - runMean_) / static_cast<float>(runCount_);
  } else {
    runMean_ = length;
    runCount_ = 1;
  }
  const float cells = runMean_ / cellLength_;
  if (runCount_ < kLockCells || std::fabs(cells - 1) <= kLeaderSpread || std::fabs(cells - 0.5f) <= kLeaderSpread * 0.5f)
    return;
  cellLength_ = std::clamp(runMean_, kMinCell, kMaxCell);
  pendingHalf_ = doubtful_ = lag_ = 0;
  afterOne_ = false;
}

void AdaptiveCells::NoteMisfit(float off) {
  misfit_ += (std::min(off, kMaxMisfit) - misfit_) * kMisfitRate;
  if (locked_ && misfit_ > kNoiseMisfit) Unlock();
}

void AdaptiveCells::LearnLag(float measured) {
  lag_ = std::clamp(lag_ + (measured - lag_) * kLagRate, -kMaxLag, kMaxLag);
}

void AdaptiveCells::TrackCellLength(float measured) {
  cellLength_ = std::clamp(cellLength_ + (measured - cellLength_) * kTrackRate, kMinCell, kMaxCell);
}

}  // namespace sonatap
