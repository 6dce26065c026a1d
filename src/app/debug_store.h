#pragma once
// One row per tape record, kept across gathering scans: the user locks the
// rows that are right and rescans with other tuning, so that only the
// unlocked rows take the new result.
#include <array>
#include <cstdint>

#include "app/user_prompts.h"
#include "format/tape_format.h"

namespace sonatap {

enum class RecordStatus : uint8_t { Bad = 0, Ok = 1, Unknown = 3 };

struct DebugRecord {
  RecordStatus status = RecordStatus::Bad;
  bool locked = false;
  int64_t filePos = 0;                 // WAV offset of the record's first copy
  std::array<uint8_t, 65> data{};      // bytes 1..64; bit 1 of a byte is its top bit
};

struct DebugStore {
  static constexpr int kRows = 256;
  std::array<DebugRecord, kRows + 1> rows{};  // rows 1..256
  int count = 0;                              // rows in use; 0 = empty
  bool gather = false;                        // the "Debug" box as Start was pressed

  // The count of the first gathering scan stays until cleared or changed.
  void SetCountFromScan(int recordCount);
  void NoteRecordPosition(int row, int64_t offset);
  void MarkRecord(int row, bool good);
  // Unlocked rows 1..count take the decoded records' bytes.
  void TakeScan(const RecordData& recordData);
  // Every row 1..count goes back into the decoded records; the count with it.
  void WriteBack(RecordData& recordData, int& recordCount) const;
  // Sets bit 1..512 of a row (bit 1 the top bit of byte 1).
  void SetBit(int row, int bitNumber, bool one);
  void Reset();
};

// Empties the store and tells the user so.
void ClearDebugStore(DebugStore& store, UserPrompts& prompts);

const char* StatusText(RecordStatus status);

}  // namespace sonatap
