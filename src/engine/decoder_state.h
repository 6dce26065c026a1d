#pragma once
// The record decoder's side of a conversion run, program-wide.
#include <cstdint>

#include "format/tape_format.h"

namespace sonatap {

enum class CopyState : int8_t { FirstCopy = 0, SkipSecondCopy = 1, ReadSecondCopy = -1 };

struct DecoderState {
  // The byte in progress: its bits so far, first received most significant.
  int bitValue = 0;
  int bitCount = 0;
  bool synchronised = false;
  int searchBitCount = 0;       // bits since the current data-mark search began
  int attemptCount = 0;         // repeats of the current data-mark search
  int64_t searchStartPos = 0;   // WAV offset where that search began
  CopyState copyState = CopyState::FirstCopy;
  int recordNumber = 0;         // 0 while reading the file header
  int recordCount = 0;          // the header's second count byte
  int positionInBlock = 0;      // 0 mark, 1..64 data, 65 checksum
  int checksumSum = 0;
  int64_t byteIndex = 1;        // next TapeByteStream entry
  TapeByteStream tapeByteStream{};  // also the BASIC listing's work array
  RecordData recordData{};
};

}  // namespace sonatap
