#include <gtest/gtest.h>

#include "cli/cli_test_util.h"
#include "support/run_fixture.h"

namespace sonatap {
namespace {

std::string HexRecord(const Record& r) {
  std::string s;
  for (uint8_t b : r) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", b);
    s += pair;
  }
  return s;
}

// Two files of two records, the second file's record 2 damaged in both copies.
void WriteTwoFiles(const TempDir& dir) { TwoFileTape(true).WriteWav(dir.Path("two.wav")); }

TEST(CliDebug, DecodeExportsEachFilesRecordsThenStoresIt) {
  TempDir dir;
  WriteTwoFiles(dir);
  const CliResult r = RunCli("decode " + dir.Path("two.wav") + " --skip-time 1 --name T --out " + dir.path.string() +
                             " --debug-out " + dir.Path("rec.txt"));
  ASSERT_EQ(r.status, 3) << r.err;  // stored, with a BAD record
  const std::string first = Slurp(dir.path / "rec.txt");
  EXPECT_TRUE(first.starts_with(";Record copies :2 : 2\r\n;Records Recorded :2\r\n[Record 1]\r\n;" +
                                HexRecord(PatternRecord(1)) + "\r\n;" + HexRecord(PatternRecord(1)) + "\r\n " +
                                HexRecord(PatternRecord(1)) + "\r\n[Record 2]\r\n"))
      << first;
  const std::string second = Slurp(dir.path / "rec-2.txt");
  EXPECT_NE(second.find("[Record 1]\r\n;" + HexRecord(PatternRecord(3))), std::string::npos) << second;
  EXPECT_EQ(Slurp(dir.path / "T.fiad").size(), 384u);
  const Record third = PatternRecord(3);
  EXPECT_EQ(Slurp(dir.path / "T-2.fiad").substr(128, 64), std::string(third.begin(), third.end()));
}

TEST(CliDebug, RebuildTurnsCorrectedTextIntoAFiad) {
  TempDir dir;
  const Record fixed = PatternRecord(9);
  dir.Write("fix.txt", "; corrected by hand\n[record 2]\n" + HexRecord(fixed).substr(0, 60) + "\n" +
                           HexRecord(fixed).substr(60) + "\n");
  const CliResult r = RunCli("rebuild " + dir.Path("fix.txt") + " --count 2 --name FIX --out " + dir.path.string());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string fiad = Slurp(dir.path / "FIX.fiad");
  ASSERT_EQ(fiad.size(), 384u);
  EXPECT_EQ(fiad.substr(0, 10), "FIX       ");
  EXPECT_EQ(fiad.substr(128, 64), std::string(64, '\0')) << "row 1 had no bytes";
  EXPECT_EQ(fiad.substr(192, 64), std::string(fixed.begin(), fixed.end()));
  EXPECT_EQ(static_cast<uint8_t>(fiad[16]), 0x80);
}

TEST(CliDebug, RebuildBadInputTable) {
  TempDir dir;
  dir.Write("ok.txt", " 00");
  const std::string ok = dir.Path("ok.txt");
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"rebuild " + dir.Path("missing.txt") + " --count 1 --name A", 2, "Error accessing file.\n"},
      {"rebuild " + ok + " --name A", 2, "sonatap-cli: rebuild needs --count N\nTry 'sonatap-cli --help'.\n"},
      {"rebuild " + ok + " --count 1", 2, "sonatap-cli: rebuild needs --name NAME\nTry 'sonatap-cli --help'.\n"},
      {"rebuild " + ok + " --count 0 --name A", 2,
       "sonatap-cli: --count must be a whole number from 1 to 256, not '0'\nTry 'sonatap-cli --help'.\n"},
      {"rebuild " + ok + " --count 256 --name A --out " + dir.path.string(), 1,
       "Sonatap - Error: Cannot store FIAD: the tape file holds 256 records,\nmore than the 252 a FIAD file can hold.\n"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
  }
}

}  // namespace
}  // namespace sonatap
