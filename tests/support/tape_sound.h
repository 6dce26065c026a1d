#pragma once
// Builds recordings of tape files byte by byte, so tests can make clean,
// damaged and odd tapes and know where every block lies.
#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/file_writer.h"
#include "format/bit_shapes.h"
#include "engine/tape_synthesis.h"
#include "engine/wav_writer.h"

namespace sonatap {

using Record = std::array<uint8_t, 64>;

inline Record PatternRecord(int seed) {
  Record r{};
  for (int j = 0; j < 64; ++j) r[j] = static_cast<uint8_t>(seed * 37 + j * 11);
  return r;
}

inline int Checksum(const Record& r) {
  int sum = 0;
  for (uint8_t b : r) sum += b;
  return sum % 256;
}

class TapeSound {
 public:
  explicit TapeSound(int recognitionMethod = 1) {
    LoadShapeSet(shapes_, recognitionMethod, 1);
    writer_ = std::make_unique<TapeSignalWriter>(shapes_.set, sink_);
  }

  void Silence(int samples, uint8_t level = 128) { sink_.samples.insert(sink_.samples.end(), samples, level); }
  void Byte(int value) { writer_->EmitByte(value); }
  void Zeros(int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(0);
  }
  void Header(int firstCount, int secondCount) {
    Zeros(768);
    Byte(0xFF);
    Byte(firstCount);
    Byte(secondCount);
  }
  // One block: gap, mark, data, checksum (plus `checksumError`).
  void Block(const Record& r, int checksumError = 0) { BlockWithChecksum(r, (Checksum(r) + checksumError) & 0xFF); }
  void BlockWithChecksum(const Record& r, int checksum) {
    Zeros(8);
    Byte(0xFF);
    for (uint8_t b : r) Byte(b);
    Byte(checksum);
  }
  void File(const std::vector<Record>& records) {
    Header(static_cast<int>(records.size()), static_cast<int>(records.size()));
    for (const Record& r : records) {
      Block(r);
      Block(r);
    }
  }
  int64_t Samples() const { return static_cast<int64_t>(sink_.samples.size()); }
  const std::vector<uint8_t>& SampleBytes() const { return sink_.samples; }

  // Writes the canonical 44-byte header (or one with a 26-byte chunk before
  // "data") and the samples.
  void WriteWav(const std::string& path, bool extraChunk = false) const {
    std::string header(reinterpret_cast<const char*>(WavHeaderTemplate.data()), 36);
    if (extraChunk) header += std::string("LIST\x12\0\0\0", 8) + std::string(18, 'x');
    header += "data";
    const uint32_t n = static_cast<uint32_t>(sink_.samples.size());
    for (int i = 0; i < 4; ++i) header += static_cast<char>(n >> (8 * i));
    std::ofstream out(path, std::ios::binary);
    out << header;
    out.write(reinterpret_cast<const char*>(sink_.samples.data()), n);
  }

 private:
  struct Sink final : ByteSink {
    void Write(const uint8_t* bytes, size_t count) override { samples.insert(samples.end(), bytes, bytes + count); }
    std::vector<uint8_t> samples;
  };
  Shapes shapes_;
  Sink sink_;
  std::unique_ptr<TapeSignalWriter> writer_;
};

}  // namespace sonatap
