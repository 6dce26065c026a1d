#pragma once
// The "Adaptive" reading of bit cells: from the signal's changes of level,
// not from templates.
//
// On tape every cell begins with a change of level and a 1 has one more in
// its middle, so the time between two changes is a whole cell (a 0) or half
// a cell (half of a 1). A change is found with hysteresis around a middle line
// that follows the recent peaks, so a square wave, a sine and a train of
// spikes that decay to the middle line (a deck that passes only the edges)
// give the same changes, whatever the DC offset, drift or polarity. The cell
// length is learnt from the leader and tracked, so wow, flutter and a speed
// error of some per cent keep their bits.
#include <cstddef>
#include <cstdint>
#include <span>

namespace sonatap {

class AdaptiveCells {
 public:
  // What one sample completed.
  enum class Event : int8_t { None, Zero, One, Gap, TwoZeros, OneZero };

  AdaptiveCells() { Reset(); }

  // Everything back to the start values (a new run).
  void Reset();
  // Changes that stop a little short of the usual margin count too, and so
  // do steep falls from a bump to near the middle line: some worn recordings
  // read better so, clean quiet ones worse (a rescue tries both).
  void SetSensitive(bool sensitive) { sensitive_ = sensitive; }
  // Integrating reading, for hiss that buries single changes: once locked
  // on a run of whole cells, the signal is summed over each half cell, and
  // the cells' timing runs on as a flywheel that the changes at their
  // boundaries nudge. A cell's bit comes a cell late, once the half after
  // its end is in (see IntegrateRun). A jump in the recording needs a new
  // run of whole cells.
  void SetIntegrating(bool integrating) { integrating_ = integrating; }
  // Changes that stay under the margin where the cells about them make them
  // plain are read too (on by default): a 1 whose closing change stayed under
  // it, followed by a whole 0, is read as both; and a steep fall from a peak
  // a few samples before to past the timing level is a change (cells whose
  // edges overshoot, their peaks clipped by the gain, rest on a level under
  // the margin); and a change that lingered on a level about the timing
  // level is timed where the cells' grid puts it. Rescue scans leave them
  // out: where they guess wrong in hiss, they guess alike in several scans,
  // and repairs take readings alike as witnesses.
  void SetReadsFaintChanges(bool reads) { readsFaintChanges_ = reads; }
  // After a jump in the recording: the next change starts afresh, but the
  // levels and the cell length learnt nearby are kept.
  void Restart();
  // The next bits need a new run of whole cells: a new file's leader. The
  // search for a file skips on past the one before, often into hiss or the
  // click of the record key between the two.
  void Unlock() {
    locked_ = false;
    relocking_ = false;
    wholeRun_ = 0;
  }

  // Reads 8-bit samples until one completes an event, or all of them;
  // `used` tells how many were read. Gap: the level stopped changing for
  // longer than a cell and a half while bits were flowing; GapCells() tells
  // how many cells it lasted (a dropout: their bits are unknown). TwoZeros:
  // the change ended two whole cells (the first was in doubt until now).
  // OneZero: it ended the second half of a 1 and a whole 0 after it.
  Event Process(std::span<const uint8_t> samples, size_t& used);
  int GapCells() const { return gapCells_; }
  // The recording ended: its end closes the cell in progress, as no change
  // follows the last cell of a recording an encoder wrote; integrating, the
  // last whole cell's bit, which waited for the half after it. None after a
  // silence.
  Event Finish();
  // Integrating: the bit just given rests on a change at a cell boundary
  // with too little signal in it (a dropout) to count as read.
  bool LastCellWeak() const { return wheel_.lastWeak; }
  float CellLength() const { return cellLength_; }
  bool Locked() const { return locked_; }

 private:
  // A change needs the signal past the middle line by this share of the
  // recent peak-to-peak swing.
  static constexpr float kHysteresis = 0.2f;
  static constexpr float kSensitiveHysteresis = 0.16f;

  // The rules a run of samples reads changes by, fixed for the run so that
  // the sample loop holds only its own: the margin alone; also steep falls
  // to past the timing level (SetReadsFaintChanges); the sensitive ones.
  enum class Reading : int8_t { Usual, FaintChanges, Sensitive };

  // What a sample tells about the signal beside the middle line.
  struct Step {
    float swing;   // recent peak-to-peak level
    float margin;  // how far past the middle line a change must go
    float ahead;   // how far the signal has gone toward the next change
    float fall = 0;  // how far it has gone toward it from its furthest point the other way
  };
  // The level following that every sample goes through. A run of samples
  // works on a copy of it, so that it stays in registers.
  struct Levels {
    float high = 0, low = 0;  // recent peaks of the raw samples, decaying toward the signal
    float swing = 0;          // slow peak-to-peak level, for the noise floor
    int64_t now = 0;             // samples since the start
    double middleCrossing = -1;  // when the signal last left the middle line toward the next change
    float previous = 0;          // the last sample, as smoothed
    // Since the last change, the furthest the signal went away from the next
    // one; for the usual reading, fading back toward the signal so that only
    // the last few samples count.
    float furthest = 0;
    // Hiss: how often the slope turned in the last window of samples, the
    // smoothing that calls for (0 none, 1 over three samples, 2 over five;
    // -1 none, before the first window has shown whether there is hiss) and
    // the raw samples before this one, newest first.
    // Whole numbers, so that they live in the integer registers.
    int turns = 0, turnsLeft = 1, smoothing = -1;
    int slope = 0;
    int recent[4] = {};

    // One sample; `toward` is -1 while the signal is above the middle line.
    // A sensitive reading has the lower margin; it and the reading of faint
    // changes measure the step's fall (the usual one does not need it).
    template <Reading kReading>
    Step Follow(uint8_t sample, float toward);
    // The sample the changes are found on: as it is, or smoothed while the
    // recording's hiss calls for it.
    float Smoothed(int raw);
  };

  template <Reading kReading>
  Event ProcessRun(std::span<const uint8_t> samples, size_t& used);
  Event IntegrateRun(std::span<const uint8_t> samples, size_t& used);
  // A sample past the margin: a change of level, or not yet. Given the
  // step's own fields, so that no Step is built in memory for each sample.
  Event Change(float ahead, float swing);
  // A change that lingered between the timing level and the margin: true
  // when it belongs where it reached the level rather than where it passed
  // the margin.
  bool LingeredOnALevel(double reached, double passed) const;
  // The sample before which no change is looked for, and the one after
  // which the signal counts as gone.
  int64_t QuietUntil() const;
  int64_t GoneAfter() const;
  Event Interval(float length);
  Event Classify(float length);
  void TrackCellLength(float measured);
  void RelearnFromARun(float length);
  // Ends the lock where the intervals are hiss's (see kNoiseMisfit).
  void NoteMisfit(float off);
  void LearnLag(float measured);

  // The integrating reading's cell in progress.
  struct Flywheel {
    bool running = false;
    double start = 0;             // where the cell began
    float first = 0, second = 0;  // the signal summed over each half, from the middle line
    float atMiddle = 0;           // the signal where the middle change of a 1 belongs
    float previous = 0;           // the last sample less the middle line
    int weakCells = 0;  // cells in a row with little signal in them
    float heldShare = 0.5f;  // the cells' summed signal against a full-swing cell's, on average
    bool lastWeak = false;  // the bit given last rests on a change with little signal in it
    // The cell before, whose bit waits for this one's first half: its second
    // half's sum, the side its first half lay against (0: none yet, the
    // flywheel's first cell) and whether the change before it was weak.
    float before = 0;
    float sideBefore = 0;
    bool weakBefore = false;
    float changeAverage = 0;  // the change at a boundary, on average over the last few
  };

  Levels levels_;
  Flywheel wheel_;
  bool sensitive_ = false;
  bool integrating_ = false;
  bool readsFaintChanges_ = true;
  bool above_ = false;     // the side of the middle line the signal is on
  // Timing.
  double lastChange_ = -1;  // when the last change left the middle line
  double gapEnd_ = 0;       // when the level has stood still too long
  double quietEnd_ = 0;     // before this, no new change is looked for
  float cellLength_ = 0;
  float pendingHalf_ = 0;     // first half of a 1, waiting for its second
  float doubtful_ = 0;        // a short whole cell or a long first half of a 1: the next interval tells
  int zerosInRow_ = 0;        // whole cells since the last 1 or gap
  bool afterOne_ = false;     // the last bit was a 1
  float lag_ = 0;             // how much later a 1's changes come than a 0's, in cells
  // Lock: bits flow only after a run of whole cells (a leader or the zeros
  // before a block), and stop when the signal goes away.
  bool locked_ = false;
  // The integrating reading moved within a file: the cell length is known,
  // and a few whole cells give the flywheel its phase again.
  bool relocking_ = false;
  int wholeRun_ = 0;
  float lastWhole_ = 0;  // the whole cell before, while learning from a leader
  int badRun_ = 0;
  float misfit_ = 0;  // how far the intervals lie from half and whole cells, on average
  int gapCells_ = 0;
  // The latest run of intervals alike: their mean and number (up to kLockCells).
  float runMean_ = 0;
  int runCount_ = 0;
};

}  // namespace sonatap
