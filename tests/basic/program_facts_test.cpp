#include "app/program_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "basic/program_builder.h"

namespace sonatap {
namespace {

using namespace sonatap::testing;
using Lines = std::vector<std::string>;

// HELLO's program: 10 PRINT "HELLO", 20 GOTO 10.
const Bytes kHelloData = ProgramData({{10, Tokens(156, 199, 5, "HELLO")}, {20, Tokens(134, 201, 0, 10)}});

Lines Facts(const Bytes& file) { return ProgramFactsLines(*ProgramImageOf(file)); }

TEST(ProgramFacts, HeaderFactsLineForLine) {
  // kHelloData: table 0x37B6..0x37BD, two lines of 10 and 6 bytes after it,
  // the last byte used at 0x37CD.
  const Bytes plain = PlainFiad("HELLO", kHelloData);
  EXPECT_EQ(Facts(plain), (Lines{"FIAD Label: HELLO     ", "First Line Address: 37BD Hex",
                                 "Start File Address: 37B6 Hex", "End Address: 37CD Hex", "1 Records 256 Bytes"}));
  EXPECT_EQ(ProgramFactsText(*ProgramImageOf(plain)),
            "FIAD Label: HELLO     \r\nFirst Line Address: 37BD Hex\r\nStart File Address: 37B6 Hex\r\n"
            "End Address: 37CD Hex\r\n1 Records 256 Bytes");

  // TIFILES: the label is the magic's word alone, the count comes from byte 9.
  Bytes tifiles = TifilesFiad(kHelloData);
  tifiles[9] = 3, tifiles[15] = 7;
  EXPECT_EQ(Facts(tifiles)[0], "FIAD Label: TIFILES");
  EXPECT_EQ(Facts(tifiles)[4], "3 Records 768 Bytes");

  const struct {
    const char* what;
    std::function<void(Bytes&)> change;
    size_t line;
    std::string text;
  } cases[] = {
      {"byte 15 of 3", [](Bytes& f) { f[15] = 3; }, 4, "3 Records 768 Bytes"},
      {"byte 15 of 0", [](Bytes& f) { f[15] = 0; }, 4, "0 Records 0 Bytes"},
      {"byte 15 of 255, byte 14 not read", [](Bytes& f) { f[14] = 1, f[15] = 255; }, 4, "255 Records 65280 Bytes"},
      {"a 0 in the name adds nothing", [](Bytes& f) { f[2] = 0; }, 0, "FIAD Label: HELO     "},
      {"the whole name field", [](Bytes& f) { std::copy_n("ABCDEFGHIJ", 10, f.begin()); }, 0, "FIAD Label: ABCDEFGHIJ"},
      {"bytes of the name as they are", [](Bytes& f) { f[5] = 0x0D, f[6] = 0xE9; }, 0, "FIAD Label: HELLO\r\xE9   "},
      {"the magic one byte late still reads TIFILES",
       [](Bytes& f) {
         f[0] = 0, f[1] = 7;
         std::copy_n("TIFILES", 7, f.begin() + 2);
         f[9] = 'X', f[15] = 9;
       },
       4, "88 Records 22528 Bytes"},
      {"hex digits upper case with leading zeros", [](Bytes& f) { PutWord(f, 130, 0x0A0F); }, 1,
       "First Line Address: 0A0F Hex"},
      {"all digits", [](Bytes& f) { PutWord(f, 132, 0xFFFF); }, 2, "Start File Address: FFFF Hex"},
      {"zero", [](Bytes& f) { PutWord(f, 134, 0); }, 3, "End Address: 0000 Hex"},
  };
  for (const auto& c : cases) {
    Bytes file = plain;
    c.change(file);
    EXPECT_EQ(Facts(file).at(c.line), c.text) << c.what;
  }
}

TEST(ShowBasicListing, FindsTheImageByNameAndListsIt) {
  auto list = std::make_unique<FiadList>();
  Occupy(*list, 1, PlainFiad("OTHER", kHelloData), 1);
  Occupy(*list, 2, PlainFiad("HELLO", ProgramData({{5, Tokens(139)}})), 1);
  Occupy(*list, 3, TifilesFiad(kHelloData), 1);
  auto programImage = std::make_unique<ProgramImage>();

  const auto hello = ShowBasicListing(*list, "HELLO", *programImage, false);
  ASSERT_TRUE(hello);
  EXPECT_EQ(hello->sourceLines, Lines{"5 END "});
  EXPECT_EQ(hello->factsLines[0], "FIAD Label: HELLO     ");

  const auto tifiles = ShowBasicListing(*list, "\x07TIFILES", *programImage, true);
  ASSERT_TRUE(tifiles);
  EXPECT_EQ(tifiles->sourceLines, (Lines{"<3> 10 <003> PRINT \"HELLO\"", "<3> 20 <003> GOTO 10"}));
  EXPECT_EQ(tifiles->InfoText(),
            "FIAD Label: TIFILES\r\nFirst Line Address: 37BD Hex\r\nStart File Address: 37B6 Hex\r\n"
            "End Address: 37CD Hex\r\n1 Records 256 Bytes");
  EXPECT_EQ(tifiles->SourceText(), "<3> 10 <003> PRINT \"HELLO\"\r\n<3> 20 <003> GOTO 10\r\n");

  // A second listing of the same image is the same listing.
  const auto again = ShowBasicListing(*list, "\x07TIFILES", *programImage, true);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->sourceLines, tifiles->sourceLines);
  EXPECT_EQ(again->factsLines, tifiles->factsLines);

  EXPECT_FALSE(ShowBasicListing(*list, "NOSUCH", *programImage, false));
}

TEST(ShowBasicListing, LeavesTheTapeByteStreamZeroed) {
  // The listing's work array is the decoder's byte stream: whatever the last
  // conversion left there is gone after a listing.
  auto list = std::make_unique<FiadList>();
  Occupy(*list, 1, PlainFiad("HELLO", kHelloData), 1);
  auto stream = std::make_unique<TapeByteStream>();
  stream->fill(0xAA);
  ASSERT_TRUE(ShowBasicListing(*list, "HELLO", *stream, false));
  EXPECT_TRUE(std::all_of(stream->begin(), stream->end(), [](uint8_t b) { return b == 0; }));

  // A name that is not listed touches nothing.
  stream->fill(0xAA);
  EXPECT_FALSE(ShowBasicListing(*list, "OTHER", *stream, false));
  EXPECT_TRUE(std::all_of(stream->begin(), stream->end(), [](uint8_t b) { return b == 0xAA; }));

  // Nor does the last conversion's data leak into the listing: a line whose
  // pointer leads past the image reads zeros, not old stream bytes.
  Bytes file = PlainFiad("FAR", kHelloData);
  PutWord(file, 138, 0x37BF + 16000);  // line 20's tokens, far past the 384-byte file
  Occupy(*list, 2, file, 1);
  stream->fill(0x9C);
  const auto far = ShowBasicListing(*list, "FAR", *stream, false);
  ASSERT_TRUE(far);
  EXPECT_EQ(far->sourceLines, (Lines{"10 PRINT \"HELLO\"", "20 "}));
}

TEST(ShowBasicListing, CopiesTheHeaderAndTheSlotsRecordsOnly) {
  // 64 * N + 384 - e bytes: with 2 records and e = 128 that is 384, the
  // header and one whole sector. A line placed after it reads as zeros.
  Bytes data = ProgramData({{10, Tokens(156)}, {20, Tokens(139)}});
  data.resize(300);
  data[270] = 2, data[271] = 154, data[272] = 0;  // a line at file byte 398
  Bytes file = PlainFiad("P", data);
  PutWord(file, 138, 0x37B6 + 270 - 8 + 1);
  file[16] = 128;

  auto list = std::make_unique<FiadList>();
  Occupy(*list, 1, file, 2);
  auto stream = std::make_unique<TapeByteStream>();
  EXPECT_EQ(ShowBasicListing(*list, "P", *stream, false)->sourceLines, (Lines{"10 PRINT ", "20 "}));
  // With the slot's record count at 3, the copy reaches 448 bytes.
  list->Slot(1).recordCount = 3;
  EXPECT_EQ(ShowBasicListing(*list, "P", *stream, false)->sourceLines, (Lines{"10 PRINT ", "20 REM "}));
  // e = 0 counts as 256: 3 records give 320 bytes; 0 records give the FIAD
  // header alone, so the program header reads 0 and the walk finds one
  // empty line.
  list->Slot(1).image[16] = 0;
  EXPECT_EQ(ShowBasicListing(*list, "P", *stream, false)->sourceLines, (Lines{"10 PRINT ", "20 "}));
  list->Slot(1).recordCount = 0;
  const auto bare = ShowBasicListing(*list, "P", *stream, false);
  EXPECT_EQ(bare->sourceLines, Lines{"0 "});
  EXPECT_EQ(bare->factsLines[1], "First Line Address: 0000 Hex");
  // Record counts beyond the image are held to it.
  list->Slot(1).recordCount = 30000;
  EXPECT_EQ(ShowBasicListing(*list, "P", *stream, false)->sourceLines, (Lines{"10 PRINT ", "20 REM "}));
}

}  // namespace
}  // namespace sonatap
