#include "format/fiad_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "format/fiad_file.h"
#include "engine/input_file.h"

namespace sonatap {
namespace {

std::vector<uint8_t> Header(std::string_view name, int sectorsByte, int eofByte, size_t length,
                            bool tifiles = false) {
  std::vector<uint8_t> file(length, 0);
  for (size_t i = 0; i < name.size(); ++i) file[i] = static_cast<uint8_t>(name[i]);
  file[tifiles ? 9 : 15] = static_cast<uint8_t>(sectorsByte);
  file[tifiles ? 12 : 16] = static_cast<uint8_t>(eofByte);
  return file;
}

std::optional<int> Count(const std::vector<uint8_t>& file) {
  return FiadRecordCount(ProbeString(file), file, file.size());
}

TEST(FiadImage, BuildsPlainHeaderFromRecords) {
  auto data = std::make_unique<RecordData>();
  for (int i = 1; i <= 3 * 64; ++i) (*data)[i] = static_cast<uint8_t>(i);
  auto image = std::make_unique<FiadImage>();
  ASSERT_TRUE(BuildPlain128Image(*image, "HELLO", *data, 3));
  EXPECT_EQ(std::string(image->begin(), image->begin() + 10), "HELLO     ");
  EXPECT_EQ((*image)[12], 0x01);
  EXPECT_EQ((*image)[15], 1);
  EXPECT_EQ((*image)[16], 0xC0);
  EXPECT_EQ((*image)[128], 1);
  EXPECT_EQ((*image)[128 + 191], 192);  // record 3, byte 64
  EXPECT_EQ((*image)[128 + 192], 0);  // the fill after record 3
  EXPECT_EQ(UsedLength(*image, HeaderKind::Plain128), 384);

  const struct { int records, sectors, eof; } sizes[] = {{4, 1, 0}, {5, 2, 0x40}, {0, 0, 0}, {252, 63, 0}};
  for (const auto& s : sizes) {
    ASSERT_TRUE(BuildPlain128Image(*image, "X", *data, s.records));
    EXPECT_EQ((*image)[15], s.sectors) << s.records;
    EXPECT_EQ((*image)[16], s.eof) << s.records;
  }
  EXPECT_FALSE(BuildPlain128Image(*image, "X", *data, 253));  // would not fit the image
}

TEST(FiadImage, HeaderKindFromName) {
  EXPECT_EQ(HeaderKindOf("\x07TIFILES"), HeaderKind::Tifiles);
  EXPECT_EQ(HeaderKindOf("XTIFILESAB"), HeaderKind::Tifiles);
  EXPECT_EQ(HeaderKindOf("TIFILES"), HeaderKind::Plain128);
  EXPECT_EQ(HeaderKindOf("HELLO"), HeaderKind::Plain128);
}

TEST(FiadFile, ReadingRules) {
  EXPECT_EQ(Count(Header("HELLO", 1, 0xC0, 384)), 3);
  EXPECT_EQ(Count(Header("HELLO", 1, 0, 384)), 4);
  EXPECT_EQ(Count(Header("\x07TIFILES", 1, 0x40, 384, true)), 4);
  EXPECT_EQ(Count(Header("\x07TIFILES", 3, 0, 128 + 768, true)), 12);
  // A TIFILES sector byte that does not match fails that test; as a
  // 128-byte file its byte 15 (0) does not match either.
  EXPECT_EQ(Count(Header("\x07TIFILES", 2, 0, 384, true)), std::nullopt);
  EXPECT_EQ(Count(Header("AB", 2, 0, 640)), 8);
  EXPECT_EQ(Count(Header("AB", 2, 64, 640)), 5);
  EXPECT_EQ(Count(Header("AB", 2, 100, 640)), 6);
  EXPECT_EQ(Count(Header("AB", 2, 0, 650)), 8);
  EXPECT_EQ(Count(Header("AB", 2, 64, 650)), 5);
  EXPECT_EQ(Count(Header("AB", 2, 100, 650)), 6);
  EXPECT_EQ(Count(Header("AB", 0, 0, 128)), std::nullopt);
  EXPECT_EQ(Count(Header("AB", 63, 0, 16384)), std::nullopt);
  EXPECT_EQ(Count(Header(" AB", 1, 0, 384)), std::nullopt);  // empty name
  EXPECT_EQ(ProbeString(Header("TWO WORDS", 1, 0, 384)), "TWO");
}

TEST(FiadFile, UsedLengthOfTifiles) {
  auto image = std::make_unique<FiadImage>();
  (*image)[9] = 2;
  (*image)[12] = 0x40;
  EXPECT_EQ(UsedLength(*image, HeaderKind::Tifiles), 448);
  (*image)[12] = 0;
  EXPECT_EQ(UsedLength(*image, HeaderKind::Tifiles), 640);
}

TEST(FiadFile, RenamedTifilesKeepsItsFileFacts) {
  auto image = std::make_unique<FiadImage>();
  const auto file = Header("\x07TIFILES", 3, 0x40, 128 + 768, true);
  std::copy(file.begin(), file.end(), image->begin());
  (*image)[10] = 0x01;
  ConvertTifilesToPlain128(*image, "NEWNAME");
  EXPECT_EQ(std::string(image->begin(), image->begin() + 10), "NEWNAME   ");
  EXPECT_EQ((*image)[12], 0x01);
  EXPECT_EQ((*image)[15], 3);
  EXPECT_EQ((*image)[16], 0x40);
  EXPECT_EQ(UsedLength(*image, HeaderKind::Plain128), 128 + 768);
}

// Files made by other tools: the header kind, record count and used length.
TEST(FiadFile, CorpusPrograms) {
  const std::filesystem::path dir = std::filesystem::path(SONATAP_CORPUS) / "programs";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no corpus at " << dir;
  const struct {
    const char* file;
    HeaderKind kind;
    int records, used;
  } cases[] = {
      {"nim.tfi", HeaderKind::Tifiles, 12, 128 + 618},   {"nim.v9t9", HeaderKind::Plain128, 10, 128 + 768},
      {"xb.tfi", HeaderKind::Tifiles, 8, 128 + 327},     {"big.tfi", HeaderKind::Tifiles, 204, 128 + 12829},
      {"rl.fiad", HeaderKind::Plain128, 4, 384},         {"rl.tifile", HeaderKind::Tifiles, 4, 128 + 184},
  };
  for (const auto& c : cases) {
    auto image = std::make_unique<FiadImage>();
    const InputFile input = ReadInputFile((dir / c.file).string(), *image);
    ASSERT_EQ(input.kind, InputKind::Fiad) << c.file;
    EXPECT_EQ(HeaderKindOf(input.probe), c.kind) << c.file;
    EXPECT_EQ(input.recordCount, c.records) << c.file;
    EXPECT_EQ(UsedLength(*image, c.kind), c.used) << c.file;
  }
}

}  // namespace
}  // namespace sonatap
