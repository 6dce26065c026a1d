#pragma once
// Finds the bit cells in the samples and hands each bit to the decoder.
//
// A cell is about 32 samples and begins with a change of level: a 0 is one
// half-wave over the whole cell, a 1 a full wave. The template methods end a
// cell when its last samples look like the end of the reference shape (or it
// has grown too long) and then compare it with the four shapes; the crossing
// method ("DC Offset") reads the bit from where the signal crosses the middle;
// the adaptive method times the changes of level (see adaptive_cells.h).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/adaptive_cells.h"
#include "engine/bit_log.h"
#include "engine/cell_rules.h"
#include "engine/conversion_state.h"
#include "engine/record_decoder.h"
#include "engine/tuning_settings.h"
#include "format/bit_shapes.h"

namespace sonatap {

class BitRecogniser {
 public:
  BitRecogniser(ConversionState& cells, const TuningSettings& tuning, const Shapes& shapes, RecordDecoder& decoder)
      : c_(cells), t_(tuning), shapes_(shapes), decoder_(decoder) {
    Prepare();
  }

  // Takes the tuning as it is now (after Auto Volume); the run calls it before its first sample.
  void Prepare() { limits_ = CellLimits::From(t_); }
  // One sample as read from the recording, `position` the reading position
  // after it; true when the data mark is lost for good.
  bool ProcessSample(uint8_t byte, int64_t position) {
    position_ = position;
    c_.sample = byte + t_.DcLevel - kMiddleLevel;
    // The adaptive method finds the signal's start by itself (its lock).
    if (Adaptive()) {
      size_t used = 0;
      DeliverAdaptive(adaptive_.Process({&byte, 1}, used));
      return GaveUp();
    }
    if (!c_.signalStarted && limits_.Starts(c_.sample)) c_.signalStarted = true;
    if (t_.RecognitionMethod < kCrossingMethod) return ProcessTemplateSample();
    ProcessCrossingSample();
    // The crossing method gives up on a lost data mark as the templates do.
    return GaveUp();
  }
  // The samples of a template cell before its end can be detected only go
  // into the cell: takes up to `limit` such samples at once, as many calls
  // of ProcessSample would. Returns how many it took (0: none can be).
  size_t TakeCellMiddle(const uint8_t* bytes, size_t limit) {
    if (t_.RecognitionMethod >= kCrossingMethod || !c_.signalStarted || c_.cellLength + t_.Threshold < kEndCheckFrom)
      return 0;
    const int room = kEndCheckFrom - c_.cellCount;
    if (room <= 0 || limit == 0) return 0;
    const int n = static_cast<int>(std::min<size_t>(limit, static_cast<size_t>(room)));
    const int shift = t_.DcLevel - kMiddleLevel;
    int16_t* cell = c_.cellBuffer.data() + c_.cellCount;
    for (int i = 0; i < n; ++i) cell[i] = static_cast<int16_t>(bytes[i] + shift);
    c_.cellCount += n;
    c_.sample = bytes[n - 1] + shift;
    return static_cast<size_t>(n);
  }
  // The adaptive method: takes samples up to the first that ends a bit (or
  // `limit`), as many calls of ProcessSample would, `position` being the
  // reading position before the first. Returns how many it took; `lost` as
  // ProcessSample's result.
  size_t TakeAdaptive(const uint8_t* bytes, size_t limit, int64_t position, bool& lost) {
    size_t used = 0;
    const AdaptiveCells::Event event = adaptive_.Process({bytes, limit}, used);
    c_.sample = bytes[used - 1] + t_.DcLevel - kMiddleLevel;
    position_ = position + static_cast<int64_t>(used);
    DeliverAdaptive(event);
    lost = GaveUp();
    return used;
  }
  bool Adaptive() const { return t_.RecognitionMethod == kAdaptiveMethod; }
  // The recording ended (see AdaptiveCells::Finish).
  void FinishAdaptive() {
    if (Adaptive()) DeliverAdaptive(adaptive_.Finish());
  }
  // Decides the finished cell's bit. At the forced end of a cell a tie of the
  // four shapes gives a 0, so that the cell cannot outgrow its buffer.
  void ClassifyCell(bool forcedEnd);
  // The per-file reset of the cell state.
  void BeginFile();
  void SetAdaptiveSensitive(bool sensitive) { adaptive_.SetSensitive(sensitive); }
  void SetAdaptiveIntegrating(bool integrating) { adaptive_.SetIntegrating(integrating); }
  void SetAdaptiveReadsFaintChanges(bool reads) { adaptive_.SetReadsFaintChanges(reads); }
  // How many runs of guessed bits (dropouts bridged, weak cells) the adaptive method has delivered so far.
  int GuessRuns() const { return guessRuns_; }
  // Bits handed to the decoder so far.
  int64_t BitsDelivered() const { return bitsDelivered_; }
  // The guessed bits of the last few bridged dropouts, [first, end) in bits
  // delivered: enough for the dropouts of one block, and for the weak cells
  // of an integrating reading through hiss, a run every few bytes (a copy
  // with more runs than are kept counts as guessed throughout).
  struct GuessedBits {
    int64_t first = 0, end = 0;
  };
  static constexpr int kGuessesKept = 64;
  const std::array<GuessedBits, kGuessesKept>& RecentGuesses() const { return guesses_; }
  // The reading position moved: timing state starts afresh.
  void Restart() {
    adaptive_.Restart();
    log_.Restart();
  }
  // The bits delivered last (BitsDelivered() counts them).
  const BitLog& RecentBits() const { return log_; }
  // Bits nobody read (a dropout, a recording's end), counted as `value` and
  // recorded as guesses.
  void DeliverUnknown(int bits, bool value) {
    Guessed(bits);
    for (int i = 0; i < bits; ++i) Deliver(value);
  }
  // Whether a bit ended since the last call.
  bool TakeBitEnded() {
    const bool ended = bitEnded_;
    bitEnded_ = false;
    return ended;
  }

 private:
  bool ProcessTemplateSample() {
    if (c_.cellCount >= kEndCheckFrom) {
      c_.endMatch = EndMatch(shapes_.reference, c_.cellBuffer, c_.cellCount);
      if (c_.endMatch < limits_.endTolerance) {
        ClassifyCell(false);
        if (GaveUp()) return true;
      }
    }
    if (c_.signalStarted) {
      c_.cellBuffer[c_.cellCount] = static_cast<int16_t>(c_.sample);
      if (c_.cellCount > c_.cellLength + t_.Threshold) {
        ClassifyCell(true);
        if (GaveUp()) return true;
      }
      ++c_.cellCount;
    }
    return false;
  }
  void ProcessCrossingSample();
  void DeliverAdaptive(AdaptiveCells::Event event);
  // The next `bits` delivered are guesses (joined to the last such run when they follow it).
  void Guessed(int bits);
  // A search for a data mark that was lost once already: bits nobody read
  // count as 1s there, the mark's own value, so that a dropout over the mark
  // does not hide it from every repeat.
  bool RepeatingMarkSearch() const { return decoder_.AttemptCount() > 0 && !decoder_.State().synchronised; }
  void TemplateCompare(bool forcedEnd);
  void Deliver(bool one) {
    log_.Add(bitsDelivered_++, one, position_);
    decoder_.ReceiveBit(one, position_);
    c_.cellCount = 1;
    bitEnded_ = true;
  }
  bool GaveUp() const { return decoder_.AttemptCount() == kGiveUpAttempts; }

  ConversionState& c_;
  const TuningSettings& t_;
  const Shapes& shapes_;
  RecordDecoder& decoder_;
  AdaptiveCells adaptive_;
  CellLimits limits_;
  int64_t position_ = 0;
  bool bitEnded_ = false;
  int guessRuns_ = 0;
  int64_t bitsDelivered_ = 0;
  std::array<GuessedBits, kGuessesKept> guesses_{};
  BitLog log_;
};

}  // namespace sonatap
