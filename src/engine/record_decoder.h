#pragma once
// Turns recognised bits into the cassette layout: data marks, the header's
// record count, two 64-byte blocks per record with checksums, file after file.
//
// The decoder is a state machine over bits. It keeps its own state and tells
// a listener what it finds; it shows nothing, stores nothing and never moves
// the reading position: where the search must go back (a lost data mark) or
// skip ahead (a new file), it asks the listener to move there and carries on
// from that position.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/decoder_state.h"

namespace sonatap {

// The header of one tape file: where its sync (the first data mark) was
// found and the two count bytes after it.
struct TapeFileHeader {
  int64_t syncPosition = 0;
  int firstCount = 0;
  int secondCount = 0;  // the one the decoder goes by
};

// One block of a record as read, checked against its checksum.
struct RecordCopy {
  int record = 0;  // from 1
  bool secondCopy = false;
  std::span<const uint8_t, kRecordBytes> bytes;
  int checksumRead = 0;
  bool good = false;          // checksumRead == the sum of the bytes & 0xFF
  int64_t markPosition = 0;   // sample offset where the block's data mark was found
};

// What the decoder reports. Every event has an empty default, so a listener
// takes only what it needs.
class DecoderEvents {
 public:
  virtual ~DecoderEvents() = default;
  // A line of the Monitor log, "\r\n" included.
  virtual void MonitorLine(const std::string& /*line*/) {}
  // The lines so far are worth showing now.
  virtual void ShowMonitor() {}
  // The per-file reset: reading goes on from `skipTo` (the skip time ahead).
  virtual void FileSearchBegun(int64_t /*skipTo*/) {}
  virtual void SyncFound(int64_t /*position*/) {}
  virtual void CountBytesRead(const TapeFileHeader& /*header*/) {}
  // Every byte assembled since the sync; index from 1 (as the Status window shows it).
  virtual void ByteRead(int64_t /*index*/, int /*value*/) {}
  // A byte after the count bytes arrived while reading `record` of `count`.
  virtual void RecordByteRead(int /*record*/, int /*count*/) {}
  virtual void MarkFound(int /*record*/, CopyState /*copy*/, int64_t /*position*/) {}
  // No data mark within the allowed bits: the search goes back to `searchFrom`.
  virtual void MarkLost(int64_t /*position*/, int64_t /*searchFrom*/) {}
  virtual void CopyRead(const RecordCopy& /*copy*/) {}
  virtual void RecordAccepted(int /*record*/) {}
  virtual void RecordRejected(int /*record*/) {}
  // Every record read or given up: the record bytes and how many records.
  virtual void FileComplete(const RecordData& /*data*/, int /*recordCount*/) {}
};

struct DecoderSettings {
  std::string sourceName;  // the recording's file name, for the Monitor
  int skipSeconds = 0;     // skipped after each per-file reset
  // A file's last byte begins the search for the next file before its own
  // entry of the byte stream is counted, so a run reads every later header
  // one entry late: its mark taken for the first count ("Record Qty
  // BAD!:n,255") and the first count for the second. Set, every header is
  // read as the first one is.
  bool headerInPlace = false;
  // A data mark lost for good (a dropout over it) leaves the file open: the
  // search goes on without a limit, and the next mark found takes the record
  // and copy that its distance from the last mark found gives. Set only by
  // unattended scans, which keep every reading; a run gives the file up.
  bool resumeLostFile = false;
  // A run passes over a record's second copy once its first is good. Set,
  // the copy passed over is read too, and reported as a copy read: a scan
  // that missed a block's mark takes the next block for the copy to pass
  // over, and without this would never report that block at all.
  bool readsSkippedCopies = false;
};

constexpr int kGiveUpAttempts = 10;  // data-mark searches before the run gives up

class RecordDecoder {
 public:
  RecordDecoder(DecoderState& state, const DecoderSettings& settings, DecoderEvents& events)
      : d_(state), settings_(settings), events_(events) {}

  // One bit found at sample offset `position`.
  void ReceiveBit(bool one, int64_t position) {
    position_ = position;
    one ? ReceiveOneBit() : ReceiveZeroBit();
  }
  // The per-file reset: at the start of a run and after every finished file.
  void BeginFileSearch(int64_t position) {
    position_ = position;
    BeginFileSearch();
  }
  int AttemptCount() const { return d_.attemptCount; }
  const DecoderState& State() const { return d_; }
  // Called from CopyRead: the first copy just read proves nothing though its
  // sum fits (bits of it were guessed), so its twin is read as after a bad
  // one. After a file's last record the search for the next file still
  // skips on from where that copy ended: reading the twin must not carry it
  // past a next file that follows closely.
  void DoubtCopy() { copyDoubted_ = true; }

 private:
  void ReceiveOneBit();
  void ReceiveZeroBit();
  void BeginFileSearch();
  void CompleteByte();
  void ProcessByte(int b);
  void BeginSearch();
  void LostMark();
  void ReadCopy(int checksumRead);
  void AcceptRecord();
  void RejectRecord();
  void NextRecordOrFinish();
  void MoveTo(int64_t position);
  // The block (two per record, from 0) the current mark search waits for.
  int ExpectedBlock() const;
  // A mark found while resuming: false when it lies too far off a block's
  // place to be one.
  bool PlaceResumedBlock();
  void Log(const std::string& line) { events_.MonitorLine(line); }

  DecoderState& d_;
  const DecoderSettings& settings_;
  DecoderEvents& events_;
  int64_t position_ = 0;      // where reading is: the last bit's offset, or where it was asked to move
  int64_t markPosition_ = 0;  // where the block in progress began
  bool searchBegunInByte_ = false;  // the byte in progress ended a file
  // Where the file would have ended, had its last record's doubted first copy been taken.
  std::optional<int64_t> doubtedFileEnd_;
  // Resuming a lost file: where the search went on, the mark of the last
  // block placed, that block, whether it was verified, and the distance
  // from one block's mark to the next.
  bool resuming_ = false;
  int64_t resumedFrom_ = 0;
  int64_t lastMark_ = 0;
  int lastBlock_ = -1;
  bool lastBlockGood_ = false;
  double blockSpacing_ = kTapeBlockSamples;
  int zeroRun_ = 0, zerosBeforeOnes_ = 0;  // zero bits in a row while searching; those before the ones now
  bool copyDoubted_ = false;
  // The second copy being passed over (see readsSkippedCopies).
  std::array<uint8_t, kRecordBytes> skippedBytes_{};
};

}  // namespace sonatap
