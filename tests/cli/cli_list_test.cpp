#include <gtest/gtest.h>

#include <string>

#include "basic/program_builder.h"
#include "cli/cli_test_util.h"

namespace sonatap {
namespace {

using namespace sonatap::testing;

TEST(CliList, BadInputTable) {
  TempDir dir;
  dir.Write("empty", "");
  dir.Write("garbage", std::string(500, '\x01'));
  std::string wav(60, '\0');
  wav.replace(0, 4, "RIFF");
  wav[24] = 0x44, wav[25] = static_cast<char>(0xAC), wav[32] = 1;
  dir.Write("rec.wav", wav);
  dir.Write("ok.fiad", AsText(PlainFiad("OK", ProgramData({{10, Tokens(139)}}))));
  const std::string refusal =
      "Error with file selected.\nPlease ensure file is valid Wav or FIAD file.\n\nWav file must be 8 bit 44100 Hz "
      "Mono format.\nFIAD File must have valid 128 byte file header or\nvalid TIFILES header.\n";
  const std::string tryHelp = "\nTry 'sonatap-cli --help'.\n";
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"list " + dir.Path("missing"), 2, "Error accessing file.\n"},
      {"list " + dir.path.string(), 2, "Error accessing file.\n"},
      {"list " + dir.Path("empty"), 2, refusal},
      {"list " + dir.Path("garbage"), 2, refusal},
      {"list " + dir.Path("rec.wav"), 2, "This is a WAV recording, not a FIAD file.\n"},
      {"list", 2, "sonatap-cli: list needs one FILE" + tryHelp},
      {"list " + dir.Path("ok.fiad") + " " + dir.Path("ok.fiad"), 2, "sonatap-cli: list needs one FILE" + tryHelp},
      {"list " + dir.Path("ok.fiad") + " --bogus", 2, "sonatap-cli: unknown option --bogus" + tryHelp},
      {"list " + dir.Path("ok.fiad") + " --show-records=1", 2,
       "sonatap-cli: option --show-records takes no value" + tryHelp},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
}

TEST(CliList, PrintsFactsAnEmptyLineAndTheListing) {
  TempDir dir;
  // 10 PRINT "HELLO", 20 GOTO 10: the table at 37B6..37BD, the last byte at 37CD.
  const Bytes data = ProgramData({{10, Tokens(156, 199, 5, "HELLO")}, {20, Tokens(134, 201, 0, 10)}});
  dir.Write("hello.fiad", AsText(PlainFiad("HELLO", data)));
  dir.Write("hello.tfi", AsText(TifilesFiad(data)));
  const std::string facts =
      "First Line Address: 37BD Hex\nStart File Address: 37B6 Hex\nEnd Address: 37CD Hex\n1 Records 256 Bytes\n\n";
  const struct {
    std::string args;
    std::string out;
  } cases[] = {
      {"list " + dir.Path("hello.fiad"),
       "FIAD Label: HELLO     \n" + facts + "10 PRINT \"HELLO\"\n20 GOTO 10\n"},
      {"list --show-records " + dir.Path("hello.fiad"),
       "FIAD Label: HELLO     \n" + facts + "<3> 10 <003> PRINT \"HELLO\"\n<3> 20 <003> GOTO 10\n"},
      {"list " + dir.Path("hello.tfi") + " --show-records",
       "FIAD Label: TIFILES\n" + facts + "<3> 10 <003> PRINT \"HELLO\"\n<3> 20 <003> GOTO 10\n"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, 0) << c.args;
    EXPECT_EQ(r.err, "") << c.args;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
}

TEST(CliList, WritesBytesOfStringsAsTheyAre) {
  TempDir dir;
  dir.Write("crlf.fiad", AsText(PlainFiad("CRLF", ProgramData({{10, Tokens(156, 199, 4, "A\r\n", 0xE9)}}))));
  const CliResult r = RunCli("list " + dir.Path("crlf.fiad"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\n\n10 PRINT \"A\r\n\xE9\"\n"), std::string::npos) << r.out;
}

TEST(CliList, CorruptProgramGivesTheTwoErrorLines) {
  TempDir dir;
  Bytes file = PlainFiad("BAD", ProgramData({{10, Tokens(139)}}));
  PutWord(file, 138, 0xFFFF);
  dir.Write("bad.fiad", AsText(file));
  const CliResult r = RunCli("list " + dir.Path("bad.fiad"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "FIAD Label: BAD       \nFirst Line Address: 37B9 Hex\nStart File Address: 37B6 Hex\n"
            "End Address: 37BC Hex\n1 Records 256 Bytes\n\nERROR in code extract!\nNon TI-BASIC or corrupt file.\n");
}

}  // namespace
}  // namespace sonatap
