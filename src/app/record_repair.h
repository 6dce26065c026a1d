#pragma once
// Rebuilding a record no reading verified. Each block on tape carries a sum
// of its 64 bytes in one byte; a worn tape often damages the two copies of
// a record in different places, so the right record can be put together
// from the readings and checked against that sum.
#include <optional>
#include <span>

#include "app/tape_scan.h"

namespace sonatap {

// A reading, the family of the scan that made it and whether that scan
// marks the dropouts it bridges (see ScanResult).
struct Witnessed {
  const CopyReading* reading;
  int family;
  bool marksGuesses = false;
};

// Readings of one copy by scans of one family tend to err alike: together
// they are one witness.
inline int WitnessOf(const Witnessed& w) { return w.family * 2 + w.reading->secondCopy; }

// Every reading of one record (both copies, every scan). Records are rebuilt
// two ways: from each copy's majority, its damaged places taken from the
// other copy (a checksum byte two witnesses, copies or families, read alike
// must match, each having read the end of the record as the rebuilt one has
// it); and stitched from a reading of each copy, slips put right (their
// checksum byte, read in step, must match). Either way every byte but a few
// must have been read alike by two witnesses. A repair is accepted only when
// exactly one record comes out so, or exactly one of several has no byte
// that rests on one witness while two read it otherwise, and it does not
// slip where a reading reads straight on; else there is none. None either
// where both copies lost the same byte to dropouts.
std::optional<RecordBytes> RepairRecord(std::span<const Witnessed> readings);

// Whether two witnesses read byte `i` (64: the checksum byte) alike as one
// value other than `value`, neither guessing it.
bool HeldOtherwise(std::span<const Witnessed> readings, int i, int value);

// Whether a reading of one copy guessed byte `i` across a dropout: that copy
// is wiped there, and scans that bridge nothing read the silence there as
// the same garbage.
bool CopyWiped(std::span<const Witnessed> readings, bool secondCopy, int i);

// The best guess: each byte as most witnesses read it, the earliest
// reading's value on a tie.
RecordBytes MajorityBytes(std::span<const Witnessed> readings);

}  // namespace sonatap
