#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "format/fiad_image.h"
#include "format/bit_shapes.h"
#include "engine/tape_synthesis.h"
#include "engine/wav_writer.h"

namespace sonatap {
namespace {

class MemorySink final : public ByteSink {
 public:
  void Write(const uint8_t* bytes, size_t count) override { samples.insert(samples.end(), bytes, bytes + count); }
  std::vector<uint8_t> samples;
};

bool CellIs(const uint8_t* cell, const Shape& shape) {
  for (int i = 0; i < 32; ++i)
    if (cell[i] != shape[i + 1]) return false;
  return true;
}

// Reads the samples back cell by cell: every cell must be one of the four
// shapes, on the side the polarity rules say; returns the bytes.
std::vector<int> CellsToBytes(const std::vector<uint8_t>& samples, const ShapeSet& shapes) {
  EXPECT_EQ(samples.size() % 256, 0u);
  std::vector<int> bytes;
  int polarity = +1, value = 0;
  for (size_t cell = 0; cell * 32 < samples.size(); ++cell) {
    const uint8_t* s = samples.data() + cell * 32;
    int bit;
    if (CellIs(s, polarity > 0 ? shapes.oneHigh : shapes.oneLow)) bit = 1;
    else if (CellIs(s, polarity > 0 ? shapes.zeroHigh : shapes.zeroLow)) bit = 0, polarity = -polarity;
    else {
      ADD_FAILURE() << "cell " << cell << " matches no shape";
      return bytes;
    }
    value = value * 2 + bit;
    if (cell % 8 == 7) bytes.push_back(value), value = 0;
  }
  return bytes;
}

std::unique_ptr<FiadImage> ImageWithRecords(int records) {
  auto data = std::make_unique<RecordData>();
  for (int i = 1; i < kRecordDataEntries; ++i) (*data)[i] = static_cast<uint8_t>(i * 7 + i / 64);
  auto image = std::make_unique<FiadImage>();
  EXPECT_TRUE(BuildPlain128Image(*image, "ROUND", *data, records));
  return image;
}

TEST(Synthesis, RoundTripEveryShapeAndSize) {
  for (int method = 1; method <= 5; ++method) {
    Shapes shapes;
    LoadShapeSet(shapes, method, 1);
    for (int records : {0, 1, 3, 4, 5, 252}) {
      auto image = ImageWithRecords(records);
      const int n = TapeRecordCount(*image, HeaderKind::Plain128);
      MemorySink sink;
      WriteTapeImage(*image, HeaderKind::Plain128, shapes.set, sink, nullptr);
      ASSERT_EQ(static_cast<int64_t>(sink.samples.size()), TapeSampleCount(n));
      const std::vector<int> bytes = CellsToBytes(sink.samples, shapes.set);
      ASSERT_EQ(static_cast<int64_t>(bytes.size()), TapeFileBytes(n));
      for (int i = 0; i < 768; ++i) ASSERT_EQ(bytes[i], 0);
      EXPECT_EQ(bytes[768], 0xFF);
      EXPECT_EQ(bytes[769], n);
      EXPECT_EQ(bytes[770], n);
      for (int r = 0; r < n; ++r) {
        for (int copy = 0; copy < 2; ++copy) {
          const int block = 771 + r * 148 + copy * 74;
          for (int i = 0; i < 8; ++i) ASSERT_EQ(bytes[block + i], 0);
          ASSERT_EQ(bytes[block + 8], 0xFF);
          int sum = 0;
          for (int j = 0; j < 64; ++j) {
            ASSERT_EQ(bytes[block + 9 + j], (*image)[128 + r * 64 + j]) << "record " << r << " byte " << j;
            sum += bytes[block + 9 + j];
          }
          ASSERT_EQ(bytes[block + 73], sum % 256);
        }
      }
    }
  }
}

TEST(Synthesis, RecordCountFromHeader) {
  FiadImage image{};
  const struct { int sectors, eof, records; } cases[] = {{1, 144, 3}, {2, 0, 8}, {0, 0, 0}, {1, 1, 1}, {0, 64, -3}};
  for (const auto& c : cases) {
    image[15] = static_cast<uint8_t>(c.sectors);
    image[16] = static_cast<uint8_t>(c.eof);
    EXPECT_EQ(TapeRecordCount(image, HeaderKind::Plain128), c.records) << c.sectors << "/" << c.eof;
  }
  EXPECT_NE(TapeRecordCountProblem(-3), "");
  EXPECT_NE(TapeRecordCountProblem(256), "");
  EXPECT_EQ(TapeRecordCountProblem(255), "");
}

TEST(Synthesis, BitsPolarityAndChecksum) {
  Shapes shapes;
  LoadShapeSet(shapes, 3, 1);
  // Bytes go out most significant bit first; the checksum is sum & 0xFF.
  for (const auto& [value, sent] : {std::pair{0x05, 0x05}, {0xA3, 0xA3}, {256, 0x80}}) {
    MemorySink bits;
    TapeSignalWriter(shapes.set, bits).EmitByte(value);
    EXPECT_EQ(CellsToBytes(bits.samples, shapes.set)[0], sent) << value;
  }
  EXPECT_EQ(BlockChecksum(0x3FC0), 0xC0);
  MemorySink sink;
  TapeSignalWriter writer(shapes.set, sink);
  writer.EmitByte(0x00);
  EXPECT_EQ(writer.CellPolarity(), +1);  // an even number of 0 cells
  writer.EmitByte(0xFF);
  writer.EmitZeroBit();
  EXPECT_EQ(writer.CellPolarity(), -1);
  ASSERT_EQ(sink.samples.size(), 17u * 32);
  for (int cell = 0; cell < 8; ++cell) EXPECT_EQ(sink.samples[cell * 32], cell % 2 == 0 ? 218 : 38);
  for (int cell = 8; cell < 16; ++cell) EXPECT_TRUE(CellIs(&sink.samples[cell * 32], shapes.set.oneHigh));
  EXPECT_TRUE(CellIs(&sink.samples[16 * 32], shapes.set.zeroHigh));

  // 64 bytes of 0xFF carry the checksum 0xC0.
  FiadImage image{};
  image[15] = 1;
  image[16] = 64;
  std::fill(image.begin() + 128, image.begin() + 192, 0xFF);
  MemorySink tape;
  WriteTapeImage(image, HeaderKind::Plain128, shapes.set, tape, nullptr);
  const auto bytes = CellsToBytes(tape.samples, shapes.set);
  EXPECT_EQ(bytes[771 + 73], 0xC0);
}

TEST(Shapes, LoadBySettings) {
  Shapes shapes;
  LoadShapeSet(shapes, 1, 1);
  EXPECT_EQ(shapes.set.zeroHigh[1], 132);
  EXPECT_EQ(shapes.reference[29], 218);
  Shapes dc;
  LoadShapeSet(dc, 6, 2);
  EXPECT_EQ(dc.set.oneLow, shapes.set.oneLow);
  EXPECT_EQ(dc.reference[1], 128);
  for (int m = 1; m <= 5; ++m) {
    LoadShapeSet(shapes, m, 1);
    for (int i = 1; i <= 16; ++i) {
      EXPECT_EQ(shapes.set.oneLow[i], shapes.set.oneHigh[i + 16]);
      EXPECT_EQ(shapes.set.oneLow[i + 16], shapes.set.oneHigh[i]);
    }
  }
}

class WavFileTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("sonatap-wav-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  static std::vector<uint8_t> Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

class RecordingProgress final : public ProgressWindow {
 public:
  void Open(const std::string& caption, int maximum) override { log.push_back(caption + " " + std::to_string(maximum)); }
  void SetValue(int value) override { log.push_back(std::to_string(value)); }
  void Close() override { log.push_back("close"); }
  std::vector<std::string> log;
};

TEST_F(WavFileTest, HeaderSizeProgressAndNoStaleTail) {
  auto image = ImageWithRecords(3);
  Shapes shapes;
  LoadShapeSet(shapes, 1, 1);
  const auto path = dir / "tape.wav";
  std::ofstream(path) << std::string(2000000, 'x');  // an older, longer file
  RecordingProgress progress;
  ASSERT_EQ(WriteWavFile(path.string(), *image, HeaderKind::Plain128, shapes.set, progress), std::nullopt);
  const auto bytes = Read(path);
  const uint32_t data = 256 * (771 + 148 * 3);
  ASSERT_EQ(bytes.size(), 44 + data);
  const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 44);
  const std::vector<uint8_t> expected = {
      'R', 'I', 'F', 'F', uint8_t(36 + data), uint8_t((36 + data) >> 8), uint8_t((36 + data) >> 16), 0,
      'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x44, 0xAC, 0, 0,
      1, 0, 8, 0, 'd', 'a', 't', 'a', uint8_t(data), uint8_t(data >> 8), uint8_t(data >> 16), 0};
  EXPECT_EQ(head, expected);
  EXPECT_EQ(progress.log, (std::vector<std::string>{"Saving Wav 192", "1", "65", "129", "close"}));

  FiadImage empty{};
  ASSERT_EQ(WriteWavFile((dir / "empty.wav").string(), empty, HeaderKind::Plain128, shapes.set, progress), std::nullopt);
  EXPECT_EQ(Read(dir / "empty.wav").size(), 44u + 197376);
}

TEST_F(WavFileTest, NameRuleAndRefusals) {
  EXPECT_EQ(WavFileName("tape"), "tape.wav");
  EXPECT_EQ(WavFileName("tape.wav"), "tape.wav");
  EXPECT_EQ(WavFileName("tape.WAV"), "tape.WAV");
  EXPECT_EQ(WavFileName("tape.Wav"), "tape.Wav.wav");

  Shapes shapes;
  LoadShapeSet(shapes, 1, 1);
  NoProgress progress;
  FiadImage negative{};
  negative[16] = 64;  // 0 sectors with an end-of-file offset
  EXPECT_NE(WriteWavFile((dir / "neg.wav").string(), negative, HeaderKind::Plain128, shapes.set, progress),
            std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(dir / "neg.wav"));
  auto image = ImageWithRecords(1);
  EXPECT_NE(WriteWavFile((dir / "no" / "such" / "x.wav").string(), *image, HeaderKind::Plain128, shapes.set, progress),
            std::nullopt);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace sonatap
