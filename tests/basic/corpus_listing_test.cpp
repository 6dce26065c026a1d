// Programs tokenized and wrapped by other tools, listed as a user opens them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "app/program_facts.h"
#include "engine/input_file.h"

namespace sonatap {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const fs::path kPrograms = fs::path(SONATAP_CORPUS) / "programs";

class NoQuestions final : public UserPrompts {
 public:
  void ShowMessage(const std::string& caption, const std::string&) override { throw std::logic_error(caption); }
  bool AskYesNo(const std::string& caption, const std::string&) override { throw std::logic_error(caption); }
  std::string AskText(const std::string& caption, const std::string&, const std::string&) override {
    throw std::logic_error(caption);
  }
  std::string ChooseOpenFile(const FileDialog&) override { throw std::logic_error("open"); }
  std::string ChooseSaveFile(const FileDialog&) override { throw std::logic_error("save"); }
  SaveFileType ChooseFileType() override { throw std::logic_error("type"); }
};

// Opens `name` as a FIAD into a fresh list and lists it by its entry's name.
BasicListing ListFile(const std::string& name, bool showRecords = false) {
  auto list = std::make_unique<FiadList>();
  const InputFile input = ReadInputFile((kPrograms / name).string(), list->Staging().image);
  EXPECT_EQ(input.kind, InputKind::Fiad) << name;
  list->Staging().recordCount = input.recordCount;
  NoQuestions prompts;
  EXPECT_EQ(AddToFiadList(*list, input.probe, prompts).slot, 1) << name;
  auto stream = std::make_unique<TapeByteStream>();
  const auto listing = ShowBasicListing(*list, list->Entries().at(0), *stream, showRecords);
  EXPECT_TRUE(listing) << name;
  return listing.value_or(BasicListing{});
}

// The line numbers that begin the lines of a source text.
std::vector<int> SourceLineNumbers(const std::string& name) {
  std::ifstream in(kPrograms / name);
  std::vector<int> numbers;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) numbers.push_back(std::stoi(line));
  return numbers;
}

std::vector<int> ListedLineNumbers(const Lines& lines) {
  std::vector<int> numbers;
  for (const std::string& line : lines) numbers.push_back(std::stoi(line));
  return numbers;
}

#define REQUIRE_CORPUS()                                                    \
  if (!fs::is_directory(kPrograms)) GTEST_SKIP() << "no corpus at " << kPrograms

TEST(CorpusListing, EveryProgramListsWithTheLineNumbersOfItsSource) {
  REQUIRE_CORPUS();
  const struct {
    const char* file;
    const char* source;
  } programs[] = {
      {"nim.tfi", "nim.bas"}, {"nim.v9t9", "nim.bas"}, {"xb.tfi", "xb.bas"},     {"xb.v9t9", "xb.bas"},
      {"big.tfi", "big.bas"}, {"big.v9t9", "big.bas"}, {"rl.fiad", "rl.txt"}, {"rl.tifile", "rl.txt"},
  };
  for (const auto& p : programs) {
    const std::vector<int> expected = SourceLineNumbers(p.source);
    ASSERT_FALSE(expected.empty()) << p.source;
    EXPECT_EQ(ListedLineNumbers(ListFile(p.file).sourceLines), expected) << p.file;
  }
  EXPECT_EQ(SourceLineNumbers("big.bas").size(), 331u);
}

TEST(CorpusListing, DataFilesAreWalkedAsProgramsWithoutHarm) {
  REQUIRE_CORPUS();
  for (const char* name : {"F10R", "F129", "F64V", "V10R", "V127", "V64V"}) {
    for (const char* kind : {".tfi", ".v9t9"}) {
      const BasicListing listing = ListFile(std::string(name) + kind, true);
      EXPECT_EQ(listing.factsLines.size(), 5u) << name << kind;
    }
  }
}

// nim.bas as the rules list it. Every keyword brings its own blanks, so a
// line reads as typed except where the typed blanks differ from the
// keywords': REM's blank comes on top of the one typed before the remark
// (line 100), and THEN is framed in blanks although none was typed before it
// (line 200). END keeps its trailing blank (line 370).
const Lines kNim = {
    "100 REM  A VERSION OF NIM",
    "110 PRINT :\"THERE ARE 21 COINS ON THE\"",
    "120 PRINT \"TABLE.\"",
    "130 PRINT \"BY TURNS, EACH PLAYER TAKES\"",
    "140 PRINT \"1, 2 OR 3 COINS AWAY.\"",
    "150 PRINT \"THE PLAYER WHO TAKES THE\"",
    "160 PRINT \"LAST COIN WINS.\":",
    "170 N=21",
    "180 PRINT \"THERE ARE\";N;\"COINS LEFT\"",
    "190 INPUT \"TAKE HOW MANY (1-3)? \":M",
    "200 IF (M<1)+(M>3) THEN 190",
    "210 N=N-M",
    "220 PRINT \"THERE ARE\";N;\"COINS LEFT\"",
    "230 IF N=0 THEN 310",
    "240 M=N-INT(N/4)*4",
    "250 IF M<>0 THEN 270",
    "260 M=1",
    "270 N=N-M",
    "280 PRINT \"I TAKE\";M;\"COINS\"",
    "290 IF N=0 THEN 330",
    "300 GOTO 180",
    "310 PRINT \"CONGRATULATIONS, YOU WIN!\"",
    "320 GOTO 340",
    "330 PRINT \"I WIN!\"",
    "340 INPUT \"TRY AGAIN (Y/N) \":A$",
    "350 IF A$=\"Y\" THEN 170",
    "360 PRINT \"SEE YOU NEXT TIME\"",
    "370 END ",
};

// xb.bas as the rules list it: "!" brings a blank of its own (lines 100 and
// 160), VALIDATE and NOT a leading blank (110, 170), IMAGE and LINPUT none
// after them (130, 150); "::", ELSE, AND, XOR, THEN and TO are framed in
// blanks as typed; RETURN and END keep a trailing blank.
const Lines kXb = {
    "100 !  EXTENDED BASIC TEST",
    "110 CALL CLEAR :: DISPLAY AT(1,1)ERASE ALL:\"HELLO\" :: ACCEPT AT(3,1) VALIDATE(DIGIT)SIZE(3):N",
    "120 ON ERROR 200 :: IF N>10 AND N<100 THEN PRINT \"OK\" ELSE PRINT \"NO\"",
    "130 IMAGE###.##",
    "140 PRINT USING 130:3.14159",
    "150 CALL SUBX(N) :: LINPUTA$",
    "160 FOR I=1 TO 3 :: PRINT I; :: NEXT I!  TAIL REMARK",
    "170 X=MAX(1,2)+MIN(3,4)+PI :: Y$=RPT$(\"*\",5) :: Z= NOT 0 XOR 1",
    "190 END ",
    "200 RETURN NEXT ",
    "300 SUB SUBX(M)",
    "310 SUBEXIT",
    "320 SUBEND",
};

TEST(CorpusListing, NimAndXbLineForLine) {
  REQUIRE_CORPUS();
  for (const char* file : {"nim.tfi", "nim.v9t9"}) EXPECT_EQ(ListFile(file).sourceLines, kNim) << file;
  for (const char* file : {"xb.tfi", "xb.v9t9"}) EXPECT_EQ(ListFile(file).sourceLines, kXb) << file;
}

TEST(CorpusListing, HeaderFactsOfBothHeaderKinds) {
  REQUIRE_CORPUS();
  // nim's program header (file bytes 130..135): 35E5, 3576, 37D7; 3 sectors.
  EXPECT_EQ(ListFile("nim.v9t9").factsLines,
            (Lines{"FIAD Label: NIM       ", "First Line Address: 35E5 Hex", "Start File Address: 3576 Hex",
                   "End Address: 37D7 Hex", "3 Records 768 Bytes"}));
  EXPECT_EQ(ListFile("nim.tfi").factsLines,
            (Lines{"FIAD Label: TIFILES", "First Line Address: 35E5 Hex", "Start File Address: 3576 Hex",
                   "End Address: 37D7 Hex", "3 Records 768 Bytes"}));
}

TEST(CorpusListing, RecordMarkersOfNim) {
  REQUIRE_CORPUS();
  // The table's top entry (line 100) holds addresses 35E2..35E5, file bytes
  // 244..247: block 4. Line 100's first token is at 37C5, file byte 727:
  // block 12. The bottom entry (line 370) is at file byte 136, block 3; its
  // token at 35E7, file byte 249, block 4.
  const Lines lines = ListFile("nim.v9t9", true).sourceLines;
  ASSERT_EQ(lines.size(), kNim.size());
  EXPECT_EQ(lines.front(), "<4> 100 <012> REM  A VERSION OF NIM");
  EXPECT_EQ(lines.back(), "<3> 370 <004> END ");
}

}  // namespace
}  // namespace sonatap
