#include "engine/record_decoder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sonatap {
namespace {

constexpr int kSearchBitLimit = 100;  // bits allowed between a block and the next mark
constexpr int64_t kSearchRestartStep = 256;
constexpr int64_t kPositionBase = 45;  // "Position:" counts from the end of a canonical header
// Resuming a lost file: a mark further than this many blocks from the last
// is past the file's end (a leader lies between files), and one further
// than kPlaceSlack of a block from a block's place, or after fewer than
// kResumedMarkZeros zero bits (a block's gap has 64), is a 0xFF in some data.
constexpr int kMaxResumedBlocks = 8;
constexpr double kPlaceSlack = 0.25;
constexpr int kResumedMarkZeros = 16;
// A block's place counts from an unverified block too when most of a gap's
// 64 zero bits came before its mark: a 0xFF in some data seldom follows so
// many. On a worn tape every block of a file may be damaged, and a lost
// mark then ended the file with none to count from.
constexpr int kPlacedMarkZeros = 48;
constexpr double kMinSpacingShare = 0.8, kMaxSpacingShare = 1.25;

}  // namespace

void RecordDecoder::ReceiveOneBit() {
  d_.bitValue = (d_.bitValue << 1 | 1) & 0xFF;
  ++d_.bitCount;
  if (d_.synchronised && d_.bitCount == 8) CompleteByte();
  if (!d_.synchronised) {
    if (d_.bitCount == 1) zerosBeforeOnes_ = zeroRun_;
    zeroRun_ = 0;
    ++d_.searchBitCount;
    if (d_.searchBitCount == kSearchBitLimit && d_.recordNumber > 0 && !resuming_) LostMark();
    // Eight 1 bits in a row since the last 0: the data mark.
    if (d_.bitCount == 8 && d_.bitValue == kDataMark && (!resuming_ || PlaceResumedBlock())) {
      d_.synchronised = true;
      markPosition_ = position_;
      if (d_.attemptCount != 0) Log("Attempt " + std::to_string(d_.attemptCount) + " OK\r\n");
      switch (d_.copyState) {
        case CopyState::SkipSecondCopy:
          Log("Skipping Rec #" + std::to_string(d_.recordNumber - 1) + " 2nd copy\r\n");
          break;
        case CopyState::ReadSecondCopy:
          Log("Reading Rec #" + std::to_string(d_.recordNumber) + " 2nd copy\r\n");
          break;
        case CopyState::FirstCopy:
          if (d_.recordNumber != 0) {
            Log("Reading Rec #" + std::to_string(d_.recordNumber) + " 1st copy\r\n");
          } else {
            Log("Reading Qty of Records\r\n");
            events_.SyncFound(position_);
          }
          break;
      }
      if (d_.recordNumber != 0) {
        const bool skipped = d_.copyState == CopyState::SkipSecondCopy;
        events_.MarkFound(skipped ? d_.recordNumber - 1 : d_.recordNumber, d_.copyState, position_);
      }
      events_.ShowMonitor();
      CompleteByte();
    }
  }
}

void RecordDecoder::ReceiveZeroBit() {
  if (d_.synchronised) {
    d_.bitValue = (d_.bitValue << 1) & 0xFF;
    ++d_.bitCount;
    if (d_.bitCount == 8) CompleteByte();
  } else {
    d_.bitValue = 0;
    d_.bitCount = 0;
    ++zeroRun_;
    ++d_.searchBitCount;
    if (d_.searchBitCount == kSearchBitLimit && d_.recordNumber > 0 && !resuming_) LostMark();
  }
}

void RecordDecoder::MoveTo(int64_t position) {
  position_ = std::max<int64_t>(0, position);
}

void RecordDecoder::LostMark() {
  Log("Bad Datamark @ " + std::to_string(position_) + "\r\n");
  const int64_t searchFrom = d_.searchStartPos + kSearchRestartStep;
  const int64_t lostAt = position_;
  MoveTo(searchFrom);
  d_.searchBitCount = 0;
  ++d_.attemptCount;
  if (settings_.resumeLostFile && d_.attemptCount == kGiveUpAttempts && lastBlock_ >= 0) {
    resuming_ = true;
    resumedFrom_ = searchFrom;
    d_.attemptCount = 0;
  }
  events_.MarkLost(lostAt, searchFrom);
}

int RecordDecoder::ExpectedBlock() const {
  switch (d_.copyState) {
    case CopyState::FirstCopy: return 2 * (d_.recordNumber - 1);
    case CopyState::ReadSecondCopy: return 2 * (d_.recordNumber - 1) + 1;
    case CopyState::SkipSecondCopy: break;
  }
  return 2 * (d_.recordNumber - 2) + 1;
}

bool RecordDecoder::PlaceResumedBlock() {
  const double blocks = static_cast<double>(position_ - lastMark_) / blockSpacing_;
  const int passed = static_cast<int>(std::lround(blocks));
  const int block = lastBlock_ + passed;
  if (passed > kMaxResumedBlocks || block / 2 + 1 > d_.recordCount) {
    // No block of this file: it ended where its mark was lost, and the next
    // file's search starts there.
    resuming_ = false;
    position_ = resumedFrom_;
    d_.recordNumber = d_.recordCount + 1;
    NextRecordOrFinish();
    return false;
  }
  if (passed < 1 || std::fabs(blocks - passed) > kPlaceSlack || zerosBeforeOnes_ < kResumedMarkZeros) return false;
  resuming_ = false;
  if (block != ExpectedBlock()) {
    d_.recordNumber = block / 2 + 1;
    d_.copyState = block % 2 == 0 ? CopyState::FirstCopy : CopyState::ReadSecondCopy;
  }
  return true;
}

void RecordDecoder::CompleteByte() {
  const int value = d_.bitValue;
  // Files longer than the stream (or blocks begun by false marks) are still
  // decoded; their raw bytes past its end are not kept.
  if (d_.byteIndex < kTapeByteStreamEntries) d_.tapeByteStream[d_.byteIndex] = static_cast<uint8_t>(value);
  searchBegunInByte_ = false;
  if (d_.byteIndex > 2) ProcessByte(value);
  events_.ByteRead(d_.byteIndex, value);
  if (!(settings_.headerInPlace && searchBegunInByte_)) ++d_.byteIndex;
  d_.bitValue = 0;
  d_.bitCount = 0;
}

void RecordDecoder::BeginSearch() {
  Log("Locating Data Mark\r\n");
  d_.searchBitCount = 0;
  d_.attemptCount = 0;
  d_.searchStartPos = position_;
  events_.ShowMonitor();
}

void RecordDecoder::ProcessByte(int b) {
  if (d_.byteIndex == 3) {
    d_.recordCount = b;
    const int first = d_.tapeByteStream[2];
    events_.CountBytesRead(TapeFileHeader{markPosition_, first, b});
    d_.recordNumber = 1;
    d_.synchronised = false;
    BeginSearch();
    if (d_.recordCount != first) {
      Log("Record Qty BAD!:" + std::to_string(d_.recordCount) + "," + std::to_string(first) + "\r\n");
      events_.ShowMonitor();
    }
    return;
  }
  events_.RecordByteRead(d_.recordNumber, d_.recordCount);
  if (d_.positionInBlock == 0) {
    d_.positionInBlock = 1;
    d_.checksumSum = 0;
  } else if (d_.positionInBlock < kChecksumPositionInBlock && d_.copyState == CopyState::SkipSecondCopy) {
    skippedBytes_[static_cast<size_t>(d_.positionInBlock - 1)] = static_cast<uint8_t>(b);
    d_.checksumSum += b;
    ++d_.positionInBlock;
  } else if (d_.positionInBlock == kChecksumPositionInBlock) {
    if (d_.copyState == CopyState::SkipSecondCopy) {
      if (settings_.readsSkippedCopies)
        events_.CopyRead(RecordCopy{d_.recordNumber - 1, true, skippedBytes_, b, b == BlockChecksum(d_.checksumSum),
                                    markPosition_});
      d_.synchronised = false;
      d_.copyState = CopyState::FirstCopy;
      d_.positionInBlock = 0;
      BeginSearch();
      return;
    }
    ReadCopy(b);
    const bool doubted = std::exchange(copyDoubted_, false);
    const bool lastRecord = d_.recordNumber >= d_.recordCount;
    if (doubted && d_.copyState == CopyState::FirstCopy && lastRecord) doubtedFileEnd_ = position_;
    if (b == BlockChecksum(d_.checksumSum) && !doubted) {
      AcceptRecord();
    } else if (d_.copyState == CopyState::FirstCopy) {
      d_.synchronised = false;
      d_.positionInBlock = 0;
      d_.copyState = CopyState::ReadSecondCopy;
      Log("Locating Data Mark\r\nRec #" + std::to_string(d_.recordNumber) + " 1st copy BAD!\r\n");
      events_.ShowMonitor();
      d_.searchBitCount = 0;
      d_.attemptCount = 0;
      d_.searchStartPos = position_;
    } else {
      RejectRecord();
    }
  } else {
    // Record numbers stay within the record count byte (at most 255 records),
    // which RecordData holds with room to spare.
    d_.recordData[(d_.recordNumber - 1) * kRecordBytes + d_.positionInBlock] = static_cast<uint8_t>(b);
    d_.checksumSum += b;
    ++d_.positionInBlock;
  }
}

void RecordDecoder::ReadCopy(int checksumRead) {
  const size_t first = static_cast<size_t>((d_.recordNumber - 1) * kRecordBytes + 1);
  const bool good = checksumRead == BlockChecksum(d_.checksumSum);
  events_.CopyRead(RecordCopy{d_.recordNumber, d_.copyState == CopyState::ReadSecondCopy,
                              std::span<const uint8_t, kRecordBytes>(d_.recordData.data() + first, kRecordBytes),
                              checksumRead, good, markPosition_});
  // A verified block proves its mark was one: a resumed search counts from
  // it. The spacing of blocks is learnt from two verified ones in a row.
  if (!good && !(settings_.resumeLostFile && zerosBeforeOnes_ >= kPlacedMarkZeros)) return;
  const int block = ExpectedBlock();
  if (good && lastBlockGood_ && block == lastBlock_ + 1)
    blockSpacing_ = std::clamp(static_cast<double>(markPosition_ - lastMark_), kMinSpacingShare * kTapeBlockSamples,
                               kMaxSpacingShare * kTapeBlockSamples);
  lastBlock_ = block;
  lastMark_ = markPosition_;
  lastBlockGood_ = good;
}

void RecordDecoder::AcceptRecord() {
  Log("Rec #" + std::to_string(d_.recordNumber) + " O.K.\r\n");
  events_.RecordAccepted(d_.recordNumber);
  ++d_.recordNumber;
  d_.positionInBlock = 0;
  events_.ShowMonitor();
  const bool lastRecord = d_.recordNumber > d_.recordCount;
  NextRecordOrFinish();
  // A good first block means its twin is skipped; after a second block the
  // next record starts afresh. (A finished file starts the next in FirstCopy.)
  if (!lastRecord) {
    d_.copyState = d_.copyState == CopyState::FirstCopy ? CopyState::SkipSecondCopy : CopyState::FirstCopy;
  }
}

void RecordDecoder::RejectRecord() {
  Log("Rec #" + std::to_string(d_.recordNumber) + " both copies BAD!\r\n");
  events_.RecordRejected(d_.recordNumber);
  d_.copyState = CopyState::FirstCopy;
  d_.positionInBlock = 0;
  ++d_.recordNumber;
  events_.ShowMonitor();
  NextRecordOrFinish();
}

void RecordDecoder::NextRecordOrFinish() {
  if (d_.recordNumber > d_.recordCount) {
    Log("Finished.\r\n\r\n");
    events_.FileComplete(d_.recordData, d_.recordCount);
    BeginFileSearch();
    return;
  }
  d_.synchronised = false;
  BeginSearch();
}

void RecordDecoder::BeginFileSearch() {
  searchBegunInByte_ = true;
  resuming_ = false;
  lastBlock_ = -1;
  lastBlockGood_ = false;
  d_.positionInBlock = 0;
  d_.byteIndex = 1;
  d_.synchronised = false;
  d_.recordNumber = 0;
  d_.checksumSum = 0;
  d_.searchBitCount = 0;
  d_.attemptCount = 0;
  d_.searchStartPos = 0;
  d_.recordData.fill(0);
  d_.recordCount = 0;
  d_.copyState = CopyState::FirstCopy;

  Log("Wav File:" + settings_.sourceName + "\r\n");
  Log("Position:" + std::to_string(position_ - kPositionBase) + "\r\n");
  Log("Locating File sync\r\n");
  events_.ShowMonitor();
  const int64_t fileEnd = std::min(position_, doubtedFileEnd_.value_or(position_));
  MoveTo(fileEnd + static_cast<int64_t>(settings_.skipSeconds) * kSampleRate);
  doubtedFileEnd_.reset();
  events_.FileSearchBegun(position_);
}

}  // namespace sonatap
