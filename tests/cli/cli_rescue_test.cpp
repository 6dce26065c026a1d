// `decode --rescue` through the CLI: a record whose two copies lose
// different bytes comes back "repaired" with the tape's bytes, one whose
// copies lose the same bytes stays "BAD", and either way the file is stored
// with exit status 3 (cli_report_test has the clean tape and its 0). The
// success rates on harder tapes are in the channel bench's rescue table.
#include <gtest/gtest.h>

#include "app/tape_scan.h"
#include "cli/cli_test_util.h"
#include "engine/tuning_settings.h"
#include "support/rescue_score.h"
#include "support/tape_channel.h"

namespace sonatap {
namespace {

using namespace channel;

struct RescueCase {
  const char* name;
  std::vector<Dropout> dropouts;  // on nim's record 3
  int status, right, repaired, bad;
};

void PrintTo(const RescueCase& c, std::ostream* os) { *os << c.name; }

const RescueCase kCases[] = {
    {"copies_hit_apart", {{3, 1, 10, 0.15}, {3, 2, 10, 0.65}}, 3, 10, 1, 0},
    {"copies_hit_at_one_place", {{3, 1, 40, 0.3}, {3, 2, 40, 0.3}}, 3, 9, 0, 1},
};

class RescueTest : public ::testing::TestWithParam<RescueCase> {};

const std::string kNim = std::string(SONATAP_CORPUS) + "/programs/nim.tfi";

// nim as encoded and played with `dropouts`, in `dir`'s "played.wav".
void PlayNim(const TempDir& dir, const std::vector<Dropout>& dropouts, double runOutSeconds = Impairments{}.runOutSeconds) {
  ASSERT_EQ(RunCli("encode " + kNim + " " + dir.Path("clean.wav")).status, 0);
  const Recording clean = ReadRecording(dir.Path("clean.wav"));
  const TapeMap map = MapTape(clean);
  ASSERT_EQ(map.records, 10);
  Impairments faults;
  faults.dropouts = dropouts;
  faults.runOutSeconds = runOutSeconds;
  ASSERT_TRUE(WriteImpaired(clean, map, faults, 7, dir.Path("played.wav")));
}

TEST_P(RescueTest, VerdictsAndBytes) {
  const RescueCase& c = GetParam();
  if (!std::filesystem::exists(kNim)) GTEST_SKIP() << "no corpus at " << SONATAP_CORPUS;
  const TempDir dir;
  ASSERT_NO_FATAL_FAILURE(PlayNim(dir, c.dropouts));

  const RescueScore score =
      ScoreRescue(SONATAP_CLI, dir.Path("played.wav"), {{FiadRecords(kNim, 10), {}, -1, {}}}, dir.path / "out");
  ASSERT_TRUE(score.report) << score.errors;
  EXPECT_EQ(score.status, c.status);
  EXPECT_EQ(score.stored, 1);
  EXPECT_EQ(score.found, 1);
  EXPECT_EQ(score.all.right, c.right);
  EXPECT_EQ(score.all.repaired, c.repaired);
  EXPECT_EQ(score.all.bad, c.bad);
  EXPECT_EQ(score.all.falseOk + score.all.falseRepaired, 0);
}

// One Adaptive scan of `dir`'s "played.wav", as a rescue's first.
ScanResult AdaptiveScan(const TempDir& dir) {
  ScanSettings settings;
  settings.tuning.RecognitionMethod = kAdaptiveMethod;
  std::atomic<bool> stop = false;
  std::atomic<int64_t> position = 0;
  return ScanRecording(dir.Path("played.wav"), settings, stop, position);
}

// A scan marks the bits Adaptive guessed across a dropout where it lay in the
// copy, and nowhere in a copy it did not touch. Each copy keeps the bits the
// scan delivered before it: a second copy's hold its first copy, which is
// read from there where the scan missed its mark. Here the scan read every
// mark, and the two readings are one.
TEST(RescueScan, MarksTheBitsGuessedAcrossADropout) {
  if (!std::filesystem::exists(kNim)) GTEST_SKIP() << "no corpus at " << SONATAP_CORPUS;
  const TempDir dir;
  ASSERT_NO_FATAL_FAILURE(PlayNim(dir, {{3, 1, 8, 0.5}}));
  const ScanResult scan = AdaptiveScan(dir);
  ASSERT_EQ(scan.files.size(), 1u);
  const auto& copies = scan.files[0].copies;
  int leadsChecked = 0;
  for (const CopyReading& c : copies) {
    SCOPED_TRACE(c.record * 2 + c.secondCopy);
    if (c.secondCopy) {
      const auto own = std::find_if(copies.begin(), copies.end(),
                                    [&](const CopyReading& o) { return o.record == c.record && !o.secondCopy; });
      ASSERT_NE(own, copies.end());
      ScannedFile alone{scan.files[0].header, {c}};
      alone.copies[0].good = false;
      ReadMissedCopies(alone);
      ASSERT_EQ(alone.copies.size(), 2u);
      EXPECT_EQ(alone.copies[1].bytes, own->bytes);
      EXPECT_NEAR(static_cast<double>(alone.copies[1].markPosition), static_cast<double>(own->markPosition),
                  kCellSamples);
      ++leadsChecked;
    }
    if (c.record != 3 || c.secondCopy) {
      EXPECT_FALSE(c.Bridged());
      continue;
    }
    ASSERT_TRUE(c.Bridged());
    // 8 ms is about 11 cells, half way through the copy (mark, data and checksum).
    std::vector<int> guessed;
    for (int bit = 0; bit < static_cast<int>(c.guessed.size()); ++bit)
      if (c.guessed.test(static_cast<size_t>(bit))) guessed.push_back(bit);
    EXPECT_NEAR(guessed.front(), 258, 6);
    EXPECT_NEAR(guessed.back() - guessed.front() + 1, 11, 2);
    EXPECT_EQ(guessed.back() - guessed.front() + 1, static_cast<int>(guessed.size()));  // one dropout, one run
  }
  EXPECT_EQ(leadsChecked, 9);  // the file ends with the last record's first good copy
}

// The recording ends with the last cell, and the last copy lost bits in a
// dropout: the scan still reports it, the bits the tape did not hold
// guessed, and no sum fits a checksum byte read in part.
TEST(RescueScan, ReportsALastCopyCutShortByTheRecordingsEnd) {
  if (!std::filesystem::exists(kNim)) GTEST_SKIP() << "no corpus at " << SONATAP_CORPUS;
  const TempDir dir;
  ASSERT_NO_FATAL_FAILURE(PlayNim(dir, {{10, 1, 6, 0.3}, {10, 2, 13, 0.1}}, 0));
  const ScanResult scan = AdaptiveScan(dir);
  ASSERT_EQ(scan.files.size(), 1u);
  const auto& copies = scan.files[0].copies;
  const auto last = std::find_if(copies.begin(), copies.end(), [](const auto& c) { return c.record == 10 && c.secondCopy; });
  ASSERT_NE(last, copies.end());
  EXPECT_TRUE(last->guessed.test(last->guessed.size() - 1));
  EXPECT_FALSE(last->good);
}

// The last record's first copy fits its sum across a dropout (in the zeros
// at its end, guessed right): the scan reads its twin, the witness that
// guessed nothing, though the file is complete without it.
TEST(RescueScan, ReadsTheTwinOfALastCopyThatFitsAcrossADropout) {
  if (!std::filesystem::exists(kNim)) GTEST_SKIP() << "no corpus at " << SONATAP_CORPUS;
  const TempDir dir;
  ASSERT_NO_FATAL_FAILURE(PlayNim(dir, {{10, 1, 3, 0.72}}));
  const ScanResult scan = AdaptiveScan(dir);
  ASSERT_EQ(scan.files.size(), 1u);
  const auto& copies = scan.files[0].copies;
  const auto copyOf10 = [&](bool second) {
    return std::find_if(copies.begin(), copies.end(), [&](const auto& c) { return c.record == 10 && c.secondCopy == second; });
  };
  ASSERT_NE(copyOf10(false), copies.end());
  EXPECT_TRUE(copyOf10(false)->Bridged());
  ASSERT_NE(copyOf10(true), copies.end());
  EXPECT_TRUE(copyOf10(true)->good);

  // Reading that twin moves the skip to the next file no further on: here a
  // file follows whose leader was cut to 3.8 s (of 4.46), and 4 s from the
  // twin's end lie past its sync.
  const Recording nim = ReadRecording(dir.Path("clean.wav"));
  Recording two = nim;
  constexpr size_t kLeaderCut = 910 * kCellSamples;  // 0.66 s
  two.samples.insert(two.samples.end(), nim.samples.begin() + kLeaderCut, nim.samples.end());
  Impairments faults;
  faults.dropouts = {{10, 1, 3, 0.72}};
  ASSERT_TRUE(WriteImpaired(two, MapTape(nim), faults, 7, dir.Path("played.wav")));
  EXPECT_EQ(AdaptiveScan(dir).files.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Cases, RescueTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sonatap
