#pragma once
// Turns a FIAD image into the sample stream of a TI-99/4A cassette file:
// every bit a 32-sample cell drawn from the shapes in use.
#include <cstdint>
#include <functional>
#include <string>

#include "format/fiad_image.h"
#include "engine/file_writer.h"
#include "format/bit_shapes.h"

namespace sonatap {

constexpr int kSynthCellSamples = kCellSamples;

// Records the image's data fills, from the header's sector count and
// end-of-file offset: ceil((sectors*256 - (256 - eof)) / 64), plus 4 when
// eof is 0 (the last sector counts in full). Negative for 0 sectors with an
// eof, above 255 for images a tape cannot carry.
int TapeRecordCount(const FiadImage& image, HeaderKind kind);

// Why an image cannot go on tape, or "" when it can: the count goes on tape
// as one byte, so only 0..255 records can be sent faithfully.
std::string TapeRecordCountProblem(int records);

// Samples of a whole tape file of N records: 256 * (771 + 148 * N).
constexpr int64_t TapeSampleCount(int64_t records) { return 256 * TapeFileBytes(records); }

// Writes cells into a sink. A 0 bit is one half-wave over the whole cell and
// flips the side the next cell starts on; a 1 bit is a full wave and keeps it.
class TapeSignalWriter {
 public:
  TapeSignalWriter(const ShapeSet& shapes, ByteSink& sink);
  void EmitZeroBit();
  void EmitOneBit();
  // The first eight of the value's binary digits (padded with 0s to eight), most significant first.
  void EmitByte(int32_t value);
  int CellPolarity() const { return polarity_; }

 private:
  using Cell = std::array<uint8_t, kSynthCellSamples>;
  Cell zeroHigh_{}, zeroLow_{}, oneHigh_{}, oneLow_{};
  ByteSink& sink_;
  int polarity_ = +1;  // +1: the next cell starts high
};

// Sends leader, mark, count twice and every record twice with its checksum.
// `recordStarted` is told 1 + 64*r at the start of record r (from 0).
// The caller has checked TapeRecordCountProblem.
void WriteTapeImage(const FiadImage& image, HeaderKind kind, const ShapeSet& shapes, ByteSink& sink,
                    const std::function<void(int)>& recordStarted);

}  // namespace sonatap
