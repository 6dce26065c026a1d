#include "engine/record_decoder.h"

#include <algorithm>
#include <cstdio>

#include "format/fiad_image.h"

namespace sonatap {
namespace {

constexpr int kSearchBitLimit = 100;  // bits allowed between a block and the next mark
constexpr int64_t kSearchRestartStep = 256;
constexpr int64_t kPositionBase = 45;  // "Position:" counts from the end of a canonical header

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

}  // namespace

void RecordDecoder::ReceiveOneBit() {
  d_.bitValue = (d_.bitValue << 1 | 1) & 0xFF;
  ++d_.bitCount;
  if (d_.synchronised && d_.bitCount == 8) CompleteByte();
  if (!d_.synchronised) {
    ++d_.searchBitCount;
    if (d_.searchBitCount == kSearchBitLimit && d_.recordNumber > 0) LostMark();
    // Eight 1 bits in a row since the last 0: the data mark.
    if (d_.bitCount == 8 && d_.bitValue == kDataMark) {
      d_.synchronised = true;
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
            s_.debug.NoteRecordPosition(d_.recordNumber, samples_.Position());
          } else {
            Log("Reading Qty of Records\r\n");
          }
          break;
      }
      s_.monitor.Show();
      CompleteByte();
    }
  }
  EndBit();
}

void RecordDecoder::ReceiveZeroBit() {
  if (d_.synchronised) {
    d_.bitValue = (d_.bitValue << 1) & 0xFF;
    ++d_.bitCount;
    if (d_.bitCount == 8) CompleteByte();
  } else {
    d_.bitValue = 0;
    d_.bitCount = 0;
    ++d_.searchBitCount;
    if (d_.searchBitCount == kSearchBitLimit && d_.recordNumber > 0) LostMark();
  }
  EndBit();
}

void RecordDecoder::LostMark() {
  Log("Bad Datamark @ " + std::to_string(samples_.Position()) + "\r\n");
  samples_.Seek(d_.searchStartPos + kSearchRestartStep);
  ++jumps_;
  d_.searchBitCount = 0;
  ++d_.attemptCount;
}

void RecordDecoder::EndBit() {
  ConversionState& c = s_.conversion;
  if (c.gfxOpen) c.gfx.VerticalLine(c.gfxX, 0, kGfxHeight - 1, colour::kRed);
  c.cellCount = 1;
}

void RecordDecoder::CompleteByte() {
  const int value = d_.bitValue;
  // Files longer than the stream (or blocks begun by false marks) are still
  // decoded; their raw bytes past its end are not kept.
  if (d_.byteIndex < kTapeByteStreamEntries) d_.tapeByteStream[d_.byteIndex] = static_cast<uint8_t>(value);
  if (d_.byteIndex > 2) ProcessByte(value);
  if (s_.conversion.statusOpen) {
    s_.conversion.status.byteValue = Hex(value);
    s_.conversion.status.byteIndex = std::to_string(d_.byteIndex);
  }
  ++d_.byteIndex;
  d_.bitValue = 0;
  d_.bitCount = 0;
}

void RecordDecoder::BeginSearch() {
  Log("Locating Data Mark\r\n");
  d_.searchBitCount = 0;
  d_.attemptCount = 0;
  d_.searchStartPos = samples_.Position();
  s_.monitor.Show();
}

void RecordDecoder::ProcessByte(int b) {
  if (d_.byteIndex == 3) {
    d_.recordCount = b;
    s_.debug.SetCountFromScan(d_.recordCount);
    d_.recordNumber = 1;
    d_.synchronised = false;
    BeginSearch();
    const int first = d_.tapeByteStream[2];
    if (d_.recordCount != first) {
      Log("Record Qty BAD!:" + std::to_string(d_.recordCount) + "," + std::to_string(first) + "\r\n");
      s_.monitor.Show();
    }
    return;
  }
  if (s_.conversion.statusOpen) {
    s_.conversion.status.recordNumber = std::to_string(d_.recordNumber);
    s_.conversion.status.recordCount = std::to_string(d_.recordCount);
  }
  if (d_.positionInBlock == 0) {
    d_.positionInBlock = 1;
    d_.checksumSum = 0;
  } else if (d_.positionInBlock < 65 && d_.copyState == CopyState::SkipSecondCopy) {
    ++d_.positionInBlock;
  } else if (d_.positionInBlock == 65) {
    if (d_.copyState == CopyState::SkipSecondCopy) {
      d_.synchronised = false;
      d_.copyState = CopyState::FirstCopy;
      d_.positionInBlock = 0;
      BeginSearch();
    } else if (b == d_.checksumSum % 256) {
      AcceptRecord();
    } else if (d_.copyState == CopyState::FirstCopy) {
      d_.synchronised = false;
      d_.positionInBlock = 0;
      d_.copyState = CopyState::ReadSecondCopy;
      Log("Locating Data Mark\r\nRec #" + std::to_string(d_.recordNumber) + " 1st copy BAD!\r\n");
      s_.monitor.Show();
      d_.searchBitCount = 0;
      d_.attemptCount = 0;
      d_.searchStartPos = samples_.Position();
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

void RecordDecoder::AcceptRecord() {
  Log("Rec #" + std::to_string(d_.recordNumber) + " O.K.\r\n");
  s_.debug.MarkRecord(d_.recordNumber, true);
  ++d_.recordNumber;
  d_.positionInBlock = 0;
  s_.monitor.Show();
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
  s_.debug.MarkRecord(d_.recordNumber, false);
  d_.copyState = CopyState::FirstCopy;
  d_.positionInBlock = 0;
  ++d_.recordNumber;
  s_.monitor.Show();
  NextRecordOrFinish();
}

void RecordDecoder::NextRecordOrFinish() {
  if (d_.recordNumber > d_.recordCount) {
    Log("Finished.\r\n\r\n");
    FinishFile();
    BeginFileSearch();
    return;
  }
  d_.synchronised = false;
  BeginSearch();
}

void RecordDecoder::FinishFile() {
  // The user should see the whole file's lines before answering.
  services_.view.ShowMonitor(s_.monitor.text);
  s_.monitor.showPending = false;
  int slot = 0;
  if (s_.debug.gather) {
    s_.debug.TakeScan(d_.recordData);
    if (services_.debugger.Run()) slot = StoreAccumulatedFiad(s_, services_.prompts);
  } else {
    slot = StoreDecodedFiad(s_, services_.prompts);
  }
  if (slot != 0 && services_.fiadStored) services_.fiadStored(slot);
}

void RecordDecoder::BeginFileSearch() {
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

  ConversionState& c = s_.conversion;
  c.cellLength = 33;
  c.cellCount = 1;
  c.signalStarted = false;
  c.sample = 128;
  c.gfxX = 0;
  c.gfxPrevX = 0;
  c.gfxPrevY = 128;
  if (c.gfxOpen) c.gfx.FillBox(0, 0, kGfxWidth - 1, kGfxHeight, colour::kBlack);

  Log("Wav File:" + FileNamePart(c.wavPath) + "\r\n");
  Log("Position:" + std::to_string(samples_.Position() - kPositionBase) + "\r\n");
  Log("Locating File sync\r\n");
  s_.monitor.Show();
  LoadShapeSet(s_.shapes, s_.tuning.RecognitionMethod, s_.tuning.DetectionMethod);
  samples_.Seek(samples_.Position() + static_cast<int64_t>(s_.tuning.SkipTime) * 44100);
  ++jumps_;
}

int StoreDecodedFiad(Session& session, UserPrompts& prompts) {
  DecoderState& d = session.decoder;
  FiadSlot& staging = session.fiads.Staging();
  if (d.recordCount > kMaxBuiltRecords) {
    prompts.ShowMessage("Sonatap - Error", "Cannot store FIAD: the tape file holds " + std::to_string(d.recordCount) +
                                               " records,\r\nmore than the " + std::to_string(kMaxBuiltRecords) +
                                               " a FIAD file can hold.");
    return 0;
  }
  const std::string defaultName = FileNamePart(session.conversion.wavPath);
  std::string name;
  do {
    name = prompts.AskText("Sonatap - Conversion complete", "Enter name of FIAD. (10 Chars Max)", defaultName);
  } while (!IsValidFiadName(name));
  staging.image.fill(0);
  BuildPlain128Image(staging.image, name, d.recordData, d.recordCount);
  staging.recordCount = d.recordCount;
  return AddToFiadList(session.fiads, name, prompts);
}

int StoreAccumulatedFiad(Session& session, UserPrompts& prompts) {
  session.debug.WriteBack(session.decoder.recordData, session.decoder.recordCount);
  return StoreDecodedFiad(session, prompts);
}

}  // namespace sonatap
