#include "format/detokenizer.h"

#include <gtest/gtest.h>

#include <random>

#include "basic/program_builder.h"

namespace sonatap {
namespace {

using namespace sonatap::testing;
using Lines = std::vector<std::string>;

const Lines kCorrupt = {"ERROR in code extract!", "Non TI-BASIC or corrupt file."};

// One program line of `tokens`, listed as line 10.
std::string ListedLine(const Bytes& tokens) {
  const Lines lines = Listing(PlainFiad("T", ProgramData({{10, tokens}})));
  return lines.size() == 1 ? lines[0] : "(" + std::to_string(lines.size()) + " lines)";
}

TEST(Detokenizer, TokensOfOneLine) {
  const struct {
    Bytes tokens;
    std::string line;
  } cases[] = {
      // Keywords bring their own blanks, names and numbers none.
      {Tokens(156, 199, 5, "HELLO"), "10 PRINT \"HELLO\""},
      {Tokens(140, "I", 190, 200, 1, "1", 177, 200, 2, "10"), "10 FOR I=1 TO 10"},
      {Tokens(155, "X", 134, 201, 0, 100, 179, 201, 0, 200), "10 ON X GOTO 100,200"},
      {Tokens(155, "X", 135, 201, 0, 100), "10 ON X GOSUB 100"},
      {Tokens(133, 177, 201, 0, 100), "10 GO  TO 100"},
      {Tokens(132, "A", 190, 200, 1, "1", 176, 201, 0x12, 0x34), "10 IF A=1 THEN 4660"},
      {Tokens(163, 200, 6, "###.##"), "10 IMAGE###.##"},
      {Tokens(170, "A$"), "10 LINPUTA$"},
      {Tokens(164, 240, 183, 200, 1, "3", 182, 254), "10 ACCEPT AT(3) VALIDATE"},
      // Strings: empty, with a quote (shown once), with a 0 (shown not at
      // all), with bytes outside ASCII and CR LF (as they are).
      {Tokens(156, 199, 0), "10 PRINT \"\""},
      {Tokens(199, 3, "A\"B"), "10 \"A\"B\""},
      {Tokens(199, 3, "A", 0, "B"), "10 \"AB\""},
      {Tokens(200, 4, 0xE9, 0x0D, 0x0A, 0x7F), "10 \xE9\r\n\x7F"},
      // A line number whose bytes run past the line's end takes the closing
      // 0 and the byte after the line (here the 0 after the program).
      {Tokens(154, " X: ", 201), "10 REM  X: 0"},
      // The closing 0 is dropped only in the last place; earlier it is RUN.
      {Tokens(0, 139), "10 RUN END "},
      {Tokens(), "10 "},
      {Tokens(1, 4, 9), "10 NEW BYEEDIT "},
      // Values without a keyword: framed in blanks, the listing goes on.
      {Tokens(128), "10  !(128)! "},
      {Tokens(10, 31, 127), "10  !(10)!  !(31)!  !(127)! "},
      {Tokens(169, 185, 198, 226, 242, 255, "X"), "10  !(169)!  !(185)!  !(198)!  !(226)!  !(242)!  !(255)! X"},
      {Tokens(131, "TAIL"), "10 ! TAIL"},
      {Tokens(130, 129, 186, 187, 188, 189), "10  ::  ELSE  OR  AND  XOR  NOT "},
      {Tokens(253, 184, 197, 191, 192, 193, 194, 195, 196), "10 #&^<>+-*/"},
  };
  for (const auto& c : cases) EXPECT_EQ(ListedLine(c.tokens), c.line);
}

TEST(Detokenizer, KeywordTableHoldsExactlyTheKeywords) {
  const KeywordTable& table = LoadKeywordTable();
  int named = 0;
  for (const std::string_view text : table) named += text.empty() ? 0 : 1;
  EXPECT_EQ(named, 118);
  EXPECT_EQ(table[0], "RUN ");
  EXPECT_EQ(table[129], " ELSE ");
  EXPECT_EQ(table[246], "SEQUENTIAL ");
  EXPECT_EQ(table[254], " VALIDATE");
  for (int none : {10, 127, 128, 169, 171, 175, 185, 198, 199, 200, 201, 226, 231, 242, 255})
    EXPECT_EQ(table[static_cast<size_t>(none)], "") << none;
}

TEST(Detokenizer, OnPendingPutsOneBlankBeforeTheNextGotoOrGosub) {
  const Lines lines = Listing(PlainFiad("T", ProgramData({
                                                 {10, Tokens(155, "X")},
                                                 {20, Tokens(134, 201, 0, 100)},  // the ON of line 10 still counts
                                                 {30, Tokens(134, 201, 0, 100)},  // the blank cleared it
                                                 {40, Tokens(155, "X", 156, 135, 201, 0, 100)},
                                                 {50, Tokens(155, "X", 135, 201, 0, 1, 130, 134, 201, 0, 2)},
                                             })));
  EXPECT_EQ(lines, (Lines{"10 ON X", "20  GOTO 100", "30 GOTO 100", "40 ON XPRINT  GOSUB 100",
                          "50 ON X GOSUB 1 :: GOTO 2"}));
}

TEST(Detokenizer, RecordMarkersNameTheBlocksOfEntryAndFirstToken) {
  // One entry: its line number is at file byte 136 (block 3, the first
  // record). 59 bytes of gap put the length byte at 199, the first token at 200.
  const Bytes file = PlainFiad("T", ProgramData({{10, Tokens(156)}}, 59));
  EXPECT_EQ(Listing(file, true), Lines{"<3> 10 <004> PRINT "});
  EXPECT_EQ(Listing(file, false), Lines{"10 PRINT "});
  // Gaps of 50 and 51 put the first token at 191 and 192, either side of
  // the boundary of blocks 3 and 4.
  EXPECT_EQ(Listing(PlainFiad("T", ProgramData({{10, Tokens(156)}}, 50)), true), Lines{"<3> 10 <003> PRINT "});
  EXPECT_EQ(Listing(PlainFiad("T", ProgramData({{10, Tokens(156)}}, 51)), true), Lines{"<3> 10 <004> PRINT "});

  // 16 entries take file bytes 136..199: the top two (listed first) begin at
  // 196 and 192 and so lie in block 4, the others in block 3. The lines
  // follow from byte 200 on, all in block 4.
  std::vector<ProgramLine> lines;
  for (int n = 1; n <= 16; ++n) lines.push_back({n, Tokens()});
  const Lines listed = Listing(PlainFiad("T", ProgramData(lines)), true);
  ASSERT_EQ(listed.size(), 16u);
  EXPECT_EQ(listed[0], "<4> 1 <004> ");
  EXPECT_EQ(listed[1], "<4> 2 <004> ");
  EXPECT_EQ(listed[2], "<3> 3 <004> ");
  EXPECT_EQ(listed[15], "<3> 16 <004> ");
}

TEST(Detokenizer, ListsEveryLineBeyondAThousand) {
  std::vector<ProgramLine> lines;
  for (int n = 1; n <= 1500; ++n) lines.push_back({n, Tokens(156)});
  const Bytes data = ProgramData(lines);
  ASSERT_LT(data.size(), 16000u);
  const Lines listed = Listing(PlainFiad("BIG", data));
  ASSERT_EQ(listed.size(), 1500u);
  EXPECT_EQ(listed[999], "1000 PRINT ");
  EXPECT_EQ(listed[1499], "1500 PRINT ");
}

// The program header and table of `file` with words replaced.
Bytes WithWords(Bytes file, std::initializer_list<std::pair<size_t, int>> words) {
  for (const auto& [at, value] : words) PutWord(file, at, value);
  return file;
}

TEST(Detokenizer, CorruptImages) {
  const Bytes two = PlainFiad("T", ProgramData({{10, Tokens(156)}, {20, Tokens(139)}}));
  // File offsets: 130 FirstLineAddress, 132 StartFileAddress; the table's
  // two entries at 136 (line 20) and 140 (line 10); pointers at 138 and 142.
  // The lines' length bytes lie at 144 and 147, entries 145 and 148.
  const int first = kStart + 7;
  const int top = 7 + 136;  // entry of the top pointer's high byte
  auto pointerTo = [&](int linePos) { return linePos - top + first; };
  ASSERT_EQ(Listing(two), (Lines{"10 PRINT ", "20 END "}));
  ASSERT_EQ(pointerTo(145), kStart + 9);

  const struct {
    const char* what;
    Bytes file;
    Lines lines;
  } cases[] = {
      {"first pointer one below entry 0", WithWords(two, {{142, pointerTo(-1)}}), kCorrupt},
      {"first pointer at entry 0", WithWords(two, {{142, pointerTo(0)}, {138, pointerTo(145)}}),
       {"10 ", "20 PRINT "}},
      {"pointer at entry 16384", WithWords(two, {{138, pointerTo(16384)}}), {"10 PRINT ", "20 "}},
      {"pointer one past entry 16384, after a good line", WithWords(two, {{138, pointerTo(16385)}}), kCorrupt},
      {"pointer far below", WithWords(two, {{142, 0x0000}}), kCorrupt},
      {"pointer far above", WithWords(two, {{142, 0xFFFF}}), kCorrupt},
      // In 16 bits, 0x0000 - 0xF007 + 143 wraps to 4232: the line is read there.
      {"pointer wrapping into the image",
       [&] {
         Bytes f = WithWords(two, {{130, 0xF007}, {132, 0xF000}, {138, 0x0000}, {142, 0x0000}});
         f.resize(4400);
         f[4231] = 2, f[4232] = 154, f[4233] = 0;
         return f;
       }(),
       {"10 REM ", "20 REM "}},
      {"table top below its bottom", WithWords(two, {{130, kStart - 1}}), {}},
      {"table top far below its bottom", WithWords(two, {{130, 0x0000}, {132, 0xFFFF}}), {}},
      {"table reaching past the work array", WithWords(two, {{130, 0x0000 + 32500 - 136}, {132, 0}}), kCorrupt},
      {"table reaching to the top of 16 bits", WithWords(two, {{130, 0xFFFF}, {132, 0x0000}}), kCorrupt},
      {"all of the program header 0", WithWords(two, {{130, 0}, {132, 0}, {134, 0}}), {"0 "}},
  };
  for (const auto& c : cases) EXPECT_EQ(Listing(c.file), c.lines) << c.what;
}

TEST(Detokenizer, TableUpToTheLastEntryOfTheWorkArrayIsWalked) {
  // Start 0 and FirstLineAddress 32363 put the top pointer's low byte at
  // entry 32500, the last one. Past the 16 KB image every entry reads 0:
  // line number 0, pointer 0, so LinePos 0 - 32363 + 32499 = 136, whose
  // length byte (the EndAddress low byte, here 0) gives an empty line.
  Bytes file(384, 0);
  PutWord(file, 130, 32363);
  const Lines listed = Listing(file);
  ASSERT_EQ(listed.size(), 8091u);  // entries 32499, 32495, ..., 139
  for (const std::string& line : listed) ASSERT_EQ(line, "0 ");
}

TEST(Detokenizer, RandomImagesListWithoutLeavingTheWorkArray) {
  std::mt19937 random(4);
  for (int round = 0; round < 300; ++round) {
    Bytes file(128 + 64 * (1 + random() % 40));
    for (auto& byte : file) byte = static_cast<uint8_t>(random());
    // Keep the table small often enough that real walks happen.
    if (round % 2 == 0) PutWord(file, 130, ((file[132] << 8 | file[133]) + static_cast<int>(random() % 200)) & 0xFFFF);
    const Lines lines = Listing(file, round % 3 == 0);
    if (lines == kCorrupt) continue;
    for (const std::string& line : lines) {
      ASSERT_FALSE(line.empty());
      ASSERT_TRUE(line[0] == '<' || (line[0] >= '0' && line[0] <= '9')) << line;
    }
  }
}

}  // namespace
}  // namespace sonatap
