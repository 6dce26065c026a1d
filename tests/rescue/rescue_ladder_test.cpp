// The ladder over real recordings: where it stops, and Stop.
#include <gtest/gtest.h>

#include <iterator>

#include "app/rescue_ladder.h"
#include "support/run_fixture.h"
#include "support/temp_files.h"

namespace sonatap {
namespace {

// `tail` seconds of silence after the two files keep the scans busy a while.
std::string TwoFiles(const TempDir& dir, bool damaged, int tail = 2) {
  TwoFileTape(damaged, tail * RunFixture::kSkip).WriteWav(dir.Path("two.wav"));
  return dir.Path("two.wav");
}

LadderOutcome Climb(const std::string& path, const LadderPoll& poll = [](int, const LadderOutcome&) { return false; }) {
  TuningSettings tuning;
  tuning.SkipTime = 1;
  const std::vector<ScanSource> sources{{path}};
  return RunLadder(sources, LadderScans(sources, tuning), poll);
}

TEST(RescueLadder, StopsAtTheFirstScanThatVerifiesEverything) {
  TempDir dir;
  const LadderOutcome clean = Climb(TwoFiles(dir, false));
  ASSERT_EQ(clean.scans.size(), 1u);
  EXPECT_EQ(clean.scans[0].settings.tuning.RecognitionMethod, kAdaptiveMethod);
  ASSERT_EQ(clean.files.size(), 2u);
  EXPECT_TRUE(AllVerified(clean.files));
  EXPECT_EQ(clean.files[1].header.firstCount, 2);  // a run reads the mark there: "Record Qty BAD!:2,255"

  // A record no method can verify: every rung runs, in order, whichever thread finished first.
  const LadderOutcome worn = Climb(TwoFiles(dir, true));
  const std::vector<LadderScan> ladder = LadderScans(std::vector<ScanSource>{{"x"}}, TuningSettings{});
  ASSERT_EQ(worn.scans.size(), ladder.size());
  for (size_t i = 0; i < ladder.size(); ++i)
    EXPECT_EQ(worn.scans[i].settings.tuning.RecognitionMethod, ladder[i].settings.tuning.RecognitionMethod);
  ASSERT_EQ(worn.files.size(), 2u);
  EXPECT_EQ(worn.files[1].records[1].verdict, Verdict::Bad);
  EXPECT_EQ(worn.files[1].Count(Verdict::Ok), 1);
}

TEST(RescueLadder, ADullCopyIsReadLastAndOnlyWhereOneWasMade) {
  const std::vector<ScanSource> plain{{"x"}},
      copies{{"x"}, {"c", SourceKind::ConditionedCopy}, {"d", SourceKind::DulledCopy}};
  const std::vector<LadderScan> scans = LadderScans(copies, {});
  const char* const last[] = {"Adaptive, dulled", "Adaptive, dulled, sensitive", "Adaptive, conditioned, integrating",
                              "Adaptive, integrating", "Adaptive, dulled, integrating"};
  ASSERT_GE(scans.size(), std::size(last));
  for (size_t i = 0; i < std::size(last); ++i)
    EXPECT_EQ(ScanName(scans[scans.size() - std::size(last) + i], copies), last[i]);
  for (const LadderScan& scan : LadderScans(plain, {}))
    EXPECT_EQ(ScanName(scan, plain).find("dulled"), std::string::npos);

  // Of its readings, only the integrating one goes into repairs; the others only verify.
  TempDir dir;
  const std::string path = TwoFiles(dir, true);
  const std::vector<ScanSource> worn{{path}, {path, SourceKind::ConditionedCopy}, {path, SourceKind::DulledCopy}};
  TuningSettings tuning;
  tuning.SkipTime = 1;
  const LadderOutcome outcome =
      RunLadder(worn, LadderScans(worn, tuning), [](int, const LadderOutcome&) { return false; });
  ASSERT_EQ(outcome.scans.size(), scans.size());
  for (size_t i = 0; i < scans.size(); ++i) {
    const bool dulled = ScanName(scans[i], copies).find("dulled") != std::string::npos;
    EXPECT_EQ(outcome.results[i].repairs, !dulled || scans[i].settings.integrating) << ScanName(scans[i], copies);
  }
}

TEST(RescueLadder, ACopyIsMadeOnceWhenAScanNeedsItAndAFailedOneHoldsNothing) {
  TempDir dir;
  TuningSettings tuning;
  tuning.SkipTime = 1;
  auto climb = [&](bool damaged, bool copyFails, int& made) {
    const std::string path = TwoFiles(dir, damaged);
    std::vector<ScanSource> sources{{path}, {"", SourceKind::ConditionedCopy}};
    sources[1].make = [&made, path, copyFails] {
      ++made;
      return ScanSource{copyFails ? "" : path, SourceKind::ConditionedCopy};
    };
    return RunLadder(sources, LadderScans(sources, tuning), [](int, const LadderOutcome&) { return false; }, 1);
  };
  int made = 0;
  const LadderOutcome worn = climb(true, false, made);
  EXPECT_EQ(made, 1);  // for the first of its several scans
  made = 0;
  const LadderOutcome failed = climb(true, true, made);
  EXPECT_EQ(made, 1);
  ASSERT_EQ(failed.scans.size(), worn.scans.size());
  for (size_t i = 0; i < failed.scans.size(); ++i) {
    EXPECT_TRUE(failed.results[i].complete);
    if (failed.scans[i].source == 1) {
      EXPECT_TRUE(failed.results[i].files.empty());
    }
  }
  EXPECT_EQ(failed.files.size(), 2u);
}

TEST(RescueLadder, StopEndsTheScansAndKeepsOnlyWholeOnes) {
  TempDir dir;
  int polls = 0;
  const LadderOutcome stopped = Climb(TwoFiles(dir, true, 30), [&](int percent, const LadderOutcome&) {
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    return ++polls == 1;
  });
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.scans.size(), stopped.results.size());
  for (const ScanResult& r : stopped.results) EXPECT_TRUE(r.complete);
}

}  // namespace
}  // namespace sonatap
