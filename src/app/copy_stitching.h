#pragma once
// Putting a record together from a reading of each of its two copies, where
// a dropout damaged each in a different place and may have made it lose or
// gain a few bits there (a slip): a slipped reading reads all that follows,
// its checksum byte too, shifted by those bits.
#include <array>
#include <vector>

#include "app/tape_scan.h"

namespace sonatap {

constexpr int kMaxSlipBits = 8;  // a dropout makes a copy lose or gain up to a byte

struct StitchedRecord {
  RecordBytes bytes{};
  int checksum = 0;     // the checksum byte as the two readings read it, slips put right
  int places = 0;       // how many places the two readings parted at
  // Where the bytes were taken from one reading alone (the damaged places),
  // and that reading's copy. The last is the checksum byte.
  struct Single {
    bool taken = false;
    bool secondCopy = false;
  };
  std::array<Single, kRecordBytes + 1> single{};
};

// What ShiftedByte gives where a reading holds no byte: past the bits it read
// (a slip), or across a dropout whose bits it guessed.
constexpr int kOutsideReading = -1;
constexpr int kGuessedByte = -2;

// Byte `j` of the tape (the checksum byte after the data) as a reading that
// is `offset` bits ahead of it read it.
int ShiftedByte(const CopyReading& r, int offset, int j);

// Whether byte `j` of a reading `offset` bits ahead lies just beside bytes
// it guessed: the signal fading out before a dropout and coming back after
// it is often misread there.
bool BesideAGuess(const CopyReading& r, int offset, int j);

// Both readings are walked from the data mark, where they start in step with
// the tape, to the checksum byte. Where they part, one of them is blamed: the
// other's bytes are taken there, and the blamed one must agree with it again
// a few bytes on, shifted by at most a byte. Each way of blaming that gets to
// the end gives a record.
std::vector<StitchedRecord> StitchedRecords(const CopyReading& a, const CopyReading& b);

}  // namespace sonatap
