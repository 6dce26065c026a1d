#pragma once
// The byte layout of one TI-99/4A cassette file, as the machine writes it:
//
//   leader      768 bytes 0x00 (the reader does not measure it)
//   data mark   0xFF
//   count       N (records that follow), then N again
//   records     N records, each sent as two identical blocks:
//                 gap 8 bytes 0x00 | mark 0xFF | 64 data bytes | checksum
//
// The checksum is the sum of the block's 64 data bytes modulo 256. Bytes go
// out most significant bit first. Nothing follows the last block.
#include <array>
#include <cstdint>

namespace sonatap {

constexpr int kLeaderBytes = 768;
constexpr int kGapBytes = 8;
constexpr uint8_t kDataMark = 0xFF;
constexpr int kRecordBytes = 64;
constexpr int kMaxTapeRecords = 255;  // the count goes on tape as one byte
constexpr int kHeaderBytes = 3;       // mark and the count twice
constexpr int kBlockBytes = 1 + kRecordBytes + 1;         // mark, data, checksum
constexpr int kChecksumPositionInBlock = kRecordBytes + 1;  // after the mark (0) and the data (1..64)
constexpr int kRawBlockEntries = 2 * kBlockBytes;         // a record's two blocks as read

// The checksum of a block: the sum of its data bytes modulo 256.
constexpr int BlockChecksum(int sum) { return sum & 0xFF; }

// Bytes of a file with N records as the synthesis writes it.
constexpr int64_t TapeFileBytes(int64_t records) {
  return kLeaderBytes + kHeaderBytes + 2 * (kGapBytes + kBlockBytes) * records;
}

// The sound: 8-bit unsigned samples at 44100 Hz around a middle level of
// 128, each bit a cell of 32 samples.
constexpr int kSampleRate = 44100;
constexpr int kMiddleLevel = 128;
constexpr int kCellSamples = 32;
// One block on tape with the gap before it, in samples at the nominal speed.
constexpr int64_t kTapeBlockSamples = (kGapBytes + kBlockBytes) * 8 * kCellSamples;

// Decoded record bytes: record r, byte j (both from 1) at entry (r-1)*64 + j.
// 265 records' worth, more than a count byte can ask for.
constexpr int kRecordDataEntries = 17001;
using RecordData = std::array<uint8_t, kRecordDataEntries>;

// Every byte assembled since a file's sync, from entry 1. For a cleanly read
// file: entry 1 the header's mark, 2 and 3 the count bytes, and record r's
// two blocks (mark, 64 data bytes, checksum each) from 4 + (r-1)*132.
constexpr int kTapeByteStreamEntries = 32501;
using TapeByteStream = std::array<uint8_t, kTapeByteStreamEntries>;

}  // namespace sonatap
