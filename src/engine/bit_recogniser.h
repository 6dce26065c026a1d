#pragma once
// Finds the bit cells in the samples and hands each bit to the decoder.
//
// A cell is about 32 samples and begins with a change of level: a 0 is one
// half-wave over the whole cell, a 1 a full wave. The template methods end a
// cell when its last samples look like the end of the reference shape (or it
// has grown too long) and then compare it with the four shapes; the crossing
// method ("DC Offset") reads the bit from where the signal crosses the middle;
// the adaptive method times the changes of level (see adaptive_cells.h).
#include <cstdint>

#include "engine/adaptive_cells.h"
#include "app/session.h"
#include "engine/record_decoder.h"

namespace sonatap {

constexpr int kCrossingMethod = 6;
constexpr int kAdaptiveMethod = 7;
constexpr int kGiveUpAttempts = 10;  // data-mark searches before the run gives up

class BitRecogniser {
 public:
  BitRecogniser(Session& session, RecordDecoder& decoder) : s_(session), c_(session.conversion), decoder_(decoder) {}

  // One sample as read from the recording; true when the data mark is lost for good.
  bool ProcessSample(uint8_t byte);
  // Decides the finished cell's bit. At the forced end of a cell a tie of the
  // four shapes gives a 0, so that the cell cannot outgrow its buffer.
  void ClassifyCell(bool forcedEnd);

 private:
  bool ProcessTemplateSample();
  void ProcessCrossingSample();
  void ProcessAdaptiveSample(uint8_t byte);
  void TemplateCompare(bool forcedEnd);
  void NormaliseCellToVolume();
  void DoubleCellGain();
  void PeakToPeakRule();
  void MeanRule();
  void Deliver(bool one) { one ? decoder_.ReceiveOneBit() : decoder_.ReceiveZeroBit(); }
  bool GaveUp() const { return s_.decoder.attemptCount == kGiveUpAttempts; }

  Session& s_;
  ConversionState& c_;
  RecordDecoder& decoder_;
  AdaptiveCells adaptive_;
};

}  // namespace sonatap
