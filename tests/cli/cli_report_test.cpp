// The decode report and the exit statuses that go with it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_test_util.h"
#include "support/run_fixture.h"
#include "support/temp_files.h"

namespace sonatap {
namespace {

using Json = nlohmann::json;

std::string TwoFiles(const TempDir& dir, bool damaged) {
  TwoFileTape(damaged).WriteWav(dir.Path("two.wav"));
  return dir.Path("two.wav");
}

TEST(CliReport, AnOrdinaryDecodeReportsEachRecordsVerdictOnStdout) {
  TempDir dir;
  const std::string wav = TwoFiles(dir, true);
  const CliResult r = RunCli("decode " + wav + " --skip-time 1 --name T --out " + dir.path.string() + " --report -");
  EXPECT_EQ(r.status, 3) << r.err;  // stored, with a BAD record
  EXPECT_NE(r.err.find("Rec #2 1st copy BAD!"), std::string::npos);  // the Monitor moved to stderr
  const Json report = Json::parse(r.out);
  EXPECT_EQ(report["version"], 1);
  EXPECT_EQ(report["recording"]["path"], wav);
  EXPECT_EQ(report["recording"]["format"], "8-bit mono 44100 Hz");
  EXPECT_TRUE(report["recording"]["conditioning"].is_null());
  EXPECT_EQ(report["rescue"], false);
  ASSERT_EQ(report["files"].size(), 2u);
  const Json& second = report["files"][1];
  EXPECT_EQ(second["fiad"], (dir.path / "T-2.fiad").string());
  EXPECT_EQ(report["files"][0]["firstCount"], 2);
  EXPECT_EQ(second["secondCount"], 2);
  EXPECT_EQ(second["ok"], 1);
  EXPECT_EQ(second["bad"], 1);
  const Json& bad = second["records"][1];
  EXPECT_EQ(bad["record"], 2);
  EXPECT_EQ(bad["verdict"], "BAD");
  EXPECT_TRUE(bad["scan"].is_null());
  // A record's data mark lies after its file's sync, and seconds follow samples at 44100 Hz.
  const Json& ok = second["records"][0];
  EXPECT_EQ(ok["scan"], 1);
  EXPECT_GT(ok["position"].get<int64_t>(), second["position"].get<int64_t>());
  EXPECT_NEAR(ok["seconds"].get<double>(), (ok["position"].get<double>() - 44) / 44100, 0.001);
}

TEST(CliReport, RescueExitStatuses) {
  TempDir dir;
  const std::string out = " --skip-time 1 --name T --out " + dir.path.string();
  const CliResult clean = RunCli("decode " + TwoFiles(dir, false) + out + " --rescue --report " + dir.Path("r.json"));
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_NE(clean.out.find("File 2: 2 records: 2 O.K., 0 repaired, 0 BAD\n"), std::string::npos) << clean.out;
  const Json report = Json::parse(Slurp(dir.path / "r.json"));
  EXPECT_EQ(report["rescue"], true);
  EXPECT_EQ(report["scans"][0]["name"], "Adaptive");
  EXPECT_EQ(report["files"][1]["records"][1]["verdict"], "O.K.");

  const CliResult worn = RunCli("decode " + TwoFiles(dir, true) + out + " --rescue");
  EXPECT_EQ(worn.status, 3) << worn.err;
  EXPECT_NE(worn.out.find("Rec #2 BAD\nFile 2: 2 records: 1 O.K., 0 repaired, 1 BAD\n"), std::string::npos) << worn.out;

  TapeSound silence;
  silence.Silence(3 * RunFixture::kSkip);
  silence.WriteWav(dir.Path("blank.wav"));
  const CliResult blank = RunCli("decode " + dir.Path("blank.wav") + out + " --rescue --report -");
  EXPECT_EQ(blank.status, 1);
  EXPECT_NE(blank.err.find("No tape file found"), std::string::npos);
  EXPECT_TRUE(Json::parse(blank.out)["files"].empty());

  EXPECT_EQ(RunCli("decode " + dir.Path("blank.wav") + " --rescue --debug-out x.txt").status, 2);
}

}  // namespace
}  // namespace sonatap
