#include "app/debug_store.h"

namespace sonatap {
namespace {
bool IsRow(int row) { return row >= 1 && row <= DebugStore::kRows; }
}  // namespace

void DebugStore::SetCountFromScan(int recordCount) {
  if (gather && count == 0) count = recordCount;
}

void DebugStore::NoteRecordPosition(int row, int64_t offset) {
  if (IsRow(row)) rows[row].filePos = offset;
}

void DebugStore::MarkRecord(int row, bool good) {
  if (!gather || !IsRow(row) || rows[row].locked) return;
  rows[row].status = good ? RecordStatus::Ok : RecordStatus::Bad;
}

void DebugStore::TakeScan(const RecordData& recordData) {
  for (int row = 1; row <= count; ++row) {
    if (rows[row].locked) continue;
    for (int j = 1; j <= kRecordBytes; ++j) rows[row].data[j] = recordData[(row - 1) * kRecordBytes + j];
  }
}

void DebugStore::WriteBack(RecordData& recordData, int& recordCount) const {
  for (int row = 1; row <= count; ++row) {
    for (int j = 1; j <= kRecordBytes; ++j) recordData[(row - 1) * kRecordBytes + j] = rows[row].data[j];
  }
  recordCount = count;
}

void DebugStore::SetBit(int row, int bitNumber, bool one) {
  if (!IsRow(row) || bitNumber < 1 || bitNumber > 8 * kRecordBytes) return;
  const int byte = (bitNumber + 7) / 8;
  const int bitInByte = (bitNumber - 1) % 8;  // 0 = the most significant bit
  const uint8_t mask = static_cast<uint8_t>(0x80 >> bitInByte);
  uint8_t& value = rows[row].data[byte];
  value = one ? (value | mask) : (value & ~mask);
}

void DebugStore::Reset() {
  rows.fill(DebugRecord{});
  count = 0;
}

void ClearDebugStore(DebugStore& store, UserPrompts& prompts) {
  store.Reset();
  prompts.ShowMessage("Sonatap - Options", "Debug Data has been cleared");
}

const char* StatusText(RecordStatus status) {
  switch (status) {
    case RecordStatus::Ok: return "OK";
    case RecordStatus::Unknown: return "Unknown";
    case RecordStatus::Bad: break;
  }
  return "BAD";
}

}  // namespace sonatap
