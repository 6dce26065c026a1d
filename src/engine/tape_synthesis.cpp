#include "engine/tape_synthesis.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "format/tape_format.h"

namespace sonatap {

int TapeRecordCount(const FiadImage& image, HeaderKind kind) {
  const int sectors = SectorCount(image, kind);
  const int eof = EofOffset(image, kind);
  const double length = sectors * 256.0 - (256.0 - eof);
  int records = static_cast<int>(std::ceil(length / kRecordBytes));
  if (eof == 0) records += 4;
  return records;
}

std::string TapeRecordCountProblem(int records) {
  if (records >= 0 && records <= kMaxTapeRecords) return "";
  return "Cannot save this FIAD as Wav.\r\n\r\nIts header describes " + std::to_string(records) +
         " tape records;\r\na cassette file holds 0 to 255.";
}

TapeSignalWriter::TapeSignalWriter(const ShapeSet& shapes, ByteSink& sink) : sink_(sink) {
  // Shapes scaled to a loud volume may leave 0..255; a sample byte clips.
  auto toCell = [](const Shape& shape, Cell& cell) {
    for (int i = 0; i < kSynthCellSamples; ++i)
      cell[i] = static_cast<uint8_t>(std::clamp<int>(shape[i + 1], 0, 255));
  };
  toCell(shapes.zeroHigh, zeroHigh_);
  toCell(shapes.zeroLow, zeroLow_);
  toCell(shapes.oneHigh, oneHigh_);
  toCell(shapes.oneLow, oneLow_);
}

void TapeSignalWriter::EmitZeroBit() {
  sink_.Write(polarity_ > 0 ? zeroHigh_.data() : zeroLow_.data(), kSynthCellSamples);
  polarity_ = -polarity_;
}

void TapeSignalWriter::EmitOneBit() { sink_.Write(polarity_ > 0 ? oneHigh_.data() : oneLow_.data(), kSynthCellSamples); }

void TapeSignalWriter::EmitByte(int32_t value) {
  // The top eight of the value's binary digits (at least eight of them).
  const auto v = static_cast<uint32_t>(value);
  const int top = std::max(8, static_cast<int>(std::bit_width(v))) - 1;
  for (int i = top; i > top - 8; --i) {
    if ((v >> i) & 1) EmitOneBit();
    else EmitZeroBit();
  }
}

void WriteTapeImage(const FiadImage& image, HeaderKind kind, const ShapeSet& shapes, ByteSink& sink,
                    const std::function<void(int)>& recordStarted) {
  const int records = TapeRecordCount(image, kind);
  TapeSignalWriter writer(shapes, sink);

  for (int i = 0; i < kLeaderBytes * 8; ++i) writer.EmitZeroBit();
  writer.EmitByte(kDataMark);
  writer.EmitByte(records);
  writer.EmitByte(records);

  // Data bytes past the image (the last record of a 254- or 255-record
  // image) read as 0, the image's own fill.
  auto dataByte = [&image](int k) -> int {
    const int at = kFiadHeaderSize + k;
    return at < kFiadImageSize ? image[at] : 0;
  };
  const int16_t end = static_cast<int16_t>(records * kRecordBytes);
  for (int16_t p = 1; p <= end; p = static_cast<int16_t>(p + kRecordBytes)) {
    if (recordStarted) recordStarted(p);
    for (int copy = 0; copy < 2; ++copy) {
      for (int i = 0; i < kGapBytes * 8; ++i) writer.EmitZeroBit();
      writer.EmitByte(kDataMark);
      int sum = 0;
      for (int j = 0; j < kRecordBytes; ++j) {
        const int b = dataByte(p - 1 + j);
        writer.EmitByte(b);
        sum += b;
      }
      writer.EmitByte(BlockChecksum(sum));
    }
  }
}

}  // namespace sonatap
