#include "engine/bit_recogniser.h"

namespace sonatap {

void BitRecogniser::BeginFile() {
  c_.cellLength = kCellLengthAtStart;
  c_.cellCount = 1;
  c_.signalStarted = false;
  c_.sample = kMiddleLevel;
  adaptive_.Unlock();
}

void BitRecogniser::ProcessCrossingSample() {
  CrossingStep(c_, t_.DcLevel, t_.Threshold, c_.signalStarted, [this](bool one) { Deliver(one); });
}

void BitRecogniser::DeliverAdaptive(AdaptiveCells::Event event) {
  switch (event) {
    case AdaptiveCells::Event::None:
      return;
    case AdaptiveCells::Event::Zero:
    case AdaptiveCells::Event::One: {
      // The integrating reading's cell with little signal in it: its bit is
      // as good as guessed, and the repeats of a search for a lost data mark
      // take it for the mark's own value, as they take a gap's.
      const bool weak = adaptive_.LastCellWeak();
      if (weak) Guessed(1);
      Deliver(event == AdaptiveCells::Event::One || (weak && RepeatingMarkSearch()));
      return;
    }
    case AdaptiveCells::Event::TwoZeros:
    case AdaptiveCells::Event::OneZero:
      Deliver(event == AdaptiveCells::Event::OneZero);
      Deliver(false);
      return;
    case AdaptiveCells::Event::Gap: {
      // A dropout: its bits are unknown. Counted as zeros they keep the bytes
      // after it in step, so the copy's checksum fails where it should and
      // the other copy is read. But a dropout over a data mark leaves the
      // search with no mark, and its repeats would read the same zeros: the
      // repeats count the gap as ones instead, the mark's own value, so the
      // block after it is found (and a copy read out of step fails its
      // checksum, as a damaged copy should). A move of the reading position
      // restarts the timing, which ends the gap.
      DeliverUnknown(adaptive_.GapCells(), RepeatingMarkSearch());
      return;
    }
  }
}

void BitRecogniser::Guessed(int bits) {
  GuessedBits& last = guesses_[(guessRuns_ + kGuessesKept - 1) % kGuessesKept];
  if (guessRuns_ > 0 && last.end == bitsDelivered_) {
    last.end += bits;
    return;
  }
  guesses_[guessRuns_ % kGuessesKept] = {bitsDelivered_, bitsDelivered_ + bits};
  ++guessRuns_;
}

void BitRecogniser::ClassifyCell(bool forcedEnd) {
  // Repeated searches for a lost data mark try other readings of the cells.
  switch (decoder_.AttemptCount()) {
    case 1:
      NormaliseCellToVolume(c_.cellBuffer, t_);
      TemplateCompare(forcedEnd);
      break;
    case 2:
      DoubleCellGain(c_.cellBuffer);
      TemplateCompare(forcedEnd);
      break;
    case 3:
      Deliver(PeakToPeakRule(c_.cellBuffer, c_.cellCount));
      break;
    case 4:
      Deliver(MeanRule(c_.cellBuffer, c_.cellCount));
      break;
    default:
      TemplateCompare(forcedEnd);
      break;
  }
}

void BitRecogniser::TemplateCompare(bool forcedEnd) {
  const int n = c_.cellCount;
  const int before = static_cast<int16_t>(c_.lastLevel);
  const int32_t newLastLevel = c_.cellBuffer[std::max(0, n - 2)];
  CellDistances d;
  const int bit = CompareCell(shapes_.set, c_.cellBuffer, n, before, forcedEnd, d);
  c_.distZeroHigh = d.zeroHigh;
  c_.distZeroLow = d.zeroLow;
  c_.distOneHigh = d.oneHigh;
  c_.distOneLow = d.oneLow;
  c_.lastLevel = newLastLevel;
  // A tie: no bit yet, the cell goes on growing.
  if (bit >= 0) Deliver(bit == 1);
}

}  // namespace sonatap
