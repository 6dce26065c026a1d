#pragma once
// One unattended pass over a recording with one set of tuning: every tape
// file's header and every copy of every record as it was read, checksum
// verdict and position included. Nothing is shown, prompted or stored, so
// several scans of one recording can run side by side.
#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/record_decoder.h"
#include "engine/tuning_settings.h"

namespace sonatap {

using RecordBytes = std::array<uint8_t, kRecordBytes>;

// From one copy's first data bit to the next copy's: its data, checksum,
// and the next copy's gap and mark.
constexpr int kCopiesApartBits = (kGapBytes + kBlockBytes) * 8;
// How far a copy read out of the bits before its twin may lie from there:
// a dropout over its mark can make the cells gain or lose a few bits.
constexpr int kLeadSlackBits = 16;

struct CopyReading {
  int record = 0;  // from 1
  bool secondCopy = false;
  RecordBytes bytes{};
  int checksumRead = 0;
  bool good = false;
  int64_t markPosition = 0;
  // The bits Adaptive guessed (zeros) across a dropout it bridged, of the
  // data and then the checksum byte.
  std::bitset<(kRecordBytes + 1) * 8> guessed{};
  // The bits the scan delivered just before this copy's data, and which of
  // them it guessed: the copy before lies there. None where the reading
  // position had moved since.
  static constexpr int kLeadBits = kCopiesApartBits + kLeadSlackBits;
  std::bitset<kLeadBits> lead{}, leadGuessed{};
  bool leadRead = false;
  int64_t leadPosition = 0;  // the reading position after the lead's first bit

  // Read across such a dropout: a match with its checksum is then no proof on its own.
  bool Bridged() const { return guessed.any(); }

  // Byte `k` as read: the data, then (64) the checksum byte.
  int Byte(int k) const { return k < kRecordBytes ? bytes[k] : checksumRead & 0xFF; }
  // Whether any of the 8 bits from `firstBit` on was guessed.
  bool GuessedByte(int firstBit) const {
    for (int bit = firstBit; bit < firstBit + 8; ++bit)
      if (guessed.test(static_cast<size_t>(bit))) return true;
    return false;
  }
};

struct ScannedFile {
  TapeFileHeader header;
  std::vector<CopyReading> copies;

  // For each record number up to the count (and one past it, never set),
  // whether a copy of it was verified.
  std::vector<bool> VerifiedRecords() const {
    std::vector<bool> verified(static_cast<size_t>(header.secondCount) + 2);
    for (const CopyReading& c : copies)
      if (c.good && c.record >= 1 && c.record <= header.secondCount) verified[c.record] = true;
    return verified;
  }
};

struct ScanSettings {
  TuningSettings tuning;
  bool inverted = false;  // read the signal upside down
  bool sensitive = false;  // Adaptive with a lower margin (see AdaptiveCells::SetSensitive)
  bool integrating = false;  // Adaptive summing each cell's halves (see AdaptiveCells::SetIntegrating)
};

struct ScanResult {
  std::vector<ScannedFile> files;
  bool complete = false;  // read to the end (not stopped, not cut short by a read error)
  // Scans of one method on one recording tend to make the same mistakes
  // (upside down or not): they share a family. -1: a family of its own.
  int family = -1;
  // Whether its readings of records no reading verified go into repairs.
  bool repairs = true;
  // Whether its readings mark the bits guessed across a dropout (Adaptive).
  bool marksGuesses = false;
};

// Numbers each copy a scan read by where it lies, a block's length (as
// measured on the file) after the one before: a scan that missed a block
// can go on taking each copy for the one before it.
void NumberCopiesByPlace(ScannedFile& file);

// A copy the scan did not read where it lies (a dropout took its data mark,
// or a false mark in its data came first) is read out of the bits before
// the copy after it, a block earlier, where they agree best with its twin.
// Such a reading is never verified: no mark was read.
void ReadMissedCopies(ScannedFile& file);

// Reads `wavPath` (a recording Open takes) from its sample data to its end.
// `stop` ends the scan early; `position` follows the reading position.
ScanResult ScanRecording(const std::string& wavPath, const ScanSettings& settings, const std::atomic<bool>& stop,
                         std::atomic<int64_t>& position);

}  // namespace sonatap
