// A tape played through the channel model (deck and sound card faults) and
// decoded as a user would: every record right, none reported "O.K." with
// wrong bytes. `make bench` runs the whole set and prints a table.
#include <gtest/gtest.h>

#include "cli/cli_test_util.h"
#include "support/decode_score.h"
#include "support/rescue_score.h"
#include "support/tape_channel.h"

namespace sonatap {
namespace {

using namespace channel;

struct ChannelCase {
  const char* name;
  int shapes;  // the encoder's cells: 1 Natural, 2 Sine, 3 Square, 5 Triangle 2
  Impairments faults;
  const char* args;
  // Needs a reader the CLI may not have yet (an option or an audio format
  // it refuses with exit 2): skipped while it does.
  bool needsNewReader;
};

void PrintTo(const ChannelCase& c, std::ostream* os) { *os << c.name; }

Impairments Speed(double s) {
  Impairments f;
  f.speed = s;
  return f;
}
Impairments Noise(double db) {
  Impairments f;
  f.noiseDb = db;
  f.levelDb = -1;  // room for the hiss
  return f;
}
Impairments Hum60() {
  Impairments f;
  f.humDb = -15, f.humHz = 60, f.levelDb = -3;
  return f;
}
Impairments Band() {
  Impairments f;
  f.highPassHz = 150, f.lowPassHz = 4000;
  return f;
}
// A worn deck into a sound card: its filters shift the 0s and the 1s by
// different times, so that cells come out near three quarters of a cell.
Impairments WornSoundCard() {
  Impairments f;
  f.speed = 0.96, f.highPassHz = 800, f.lowPassHz = 4000;
  f.humDb = -18, f.noiseDb = -30, f.levelDb = -30, f.invert = true;
  f.rate = 48000, f.format = SampleFormat::S16, f.channels = Channels::Azimuth;
  return f;
}
Impairments SoundCard() {
  Impairments f;
  f.rate = 48000, f.format = SampleFormat::S16, f.channels = Channels::DeadLeft, f.levelDb = -20;
  return f;
}

const ChannelCase kCases[] = {
    {"clean", 1, {}, "", false},
    {"clean_square_crossings", 3, {}, "--recognition dc-offset", false},
    {"speed_plus_5", 1, Speed(1.05), "", false},
    {"noise_minus_30", 1, Noise(-30), "", false},
    {"speed_plus_5_adaptive", 3, Speed(1.05), "--recognition adaptive", true},
    {"noise_minus_30_adaptive", 3, Noise(-30), "--recognition adaptive", true},
    // The cells with flat parts beside their spikes: hiss and hum carry the
    // flat parts toward the margin of a change.
    {"noise_minus_30_natural_adaptive", 1, Noise(-30), "--recognition adaptive", false},
    {"hum_60_triangle2_adaptive", 5, Hum60(), "--recognition adaptive", false},
    // Their flat parts lie about the level a change is timed at.
    {"band_triangle2_adaptive", 5, Band(), "--recognition adaptive", false},
    // Conditioned, then read with Adaptive.
    {"worn_deck_sound_card_sine", 2, WornSoundCard(), "", false},
    {"sound_card_no_options", 1, SoundCard(), "", true},
};

class TapeChannelTest : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(TapeChannelTest, EveryRecordRightAndNoFalseOk) {
  const ChannelCase& c = GetParam();
  const TempDir dir;
  const std::string fiad = std::string(SONATAP_CORPUS) + "/programs/nim.tfi";
  if (!std::filesystem::exists(fiad)) GTEST_SKIP() << "no corpus at " << SONATAP_CORPUS;
  ASSERT_EQ(RunCli("encode " + fiad + " " + dir.Path("clean.wav") + " --recognition " + std::to_string(c.shapes))
                .status,
            0);
  const Recording clean = ReadRecording(dir.Path("clean.wav"));
  const TapeMap map = MapTape(clean);
  const std::vector<RecordBytes> expected = FiadRecords(fiad, map.records);
  ASSERT_EQ(map.records, 10);
  ASSERT_EQ(map.recordData, expected);
  const std::string wav = dir.Path("played.wav");
  ASSERT_TRUE(WriteImpaired(clean, map, c.faults, 7, wav));
  // The tape, and the blank tape after it, ran at the case's speed into the card's rate.
  const Recording played = ReadRecording(wav);
  EXPECT_EQ(played.rate, c.faults.rate);
  const double tape = static_cast<double>(clean.samples.size()) + c.faults.runOutSeconds * kCleanRate;
  EXPECT_NEAR(static_cast<double>(played.samples.size()), tape / c.faults.speed * c.faults.rate / kCleanRate, 2.0);

  const DecodeScore score = ScoreDecode(SONATAP_CLI, wav, c.args, expected, dir.path / "out");
  if (c.needsNewReader && score.status == 2) GTEST_SKIP() << "the CLI refuses this: " << score.errors;
  EXPECT_EQ(score.status, 0) << score.errors;
  EXPECT_EQ(score.files, 1);
  EXPECT_EQ(score.right, 10) << score.monitor;
  EXPECT_EQ(score.reportedOk, 10);
  EXPECT_EQ(score.falseOk, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, TapeChannelTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TapeChannelSide, TheSearchForTheNextFileTakesNoBitsFromHissBetweenFiles) {
  // A file, then where the search for the next one lands after its skip,
  // hiss (the record key's bias noise) while Adaptive is still locked on the
  // file before; then the next file. Read as bits, the hiss made a file sync
  // out of nothing, and the search for its records gave up on the tape.
  const TempDir dir;
  const std::string fiad = std::string(SONATAP_CORPUS) + "/programs/nim.tfi";
  if (!std::filesystem::exists(fiad)) GTEST_SKIP() << "no corpus at " << SONATAP_CORPUS;
  ASSERT_EQ(RunCli("encode " + fiad + " " + dir.Path("clean.wav")).status, 0);
  const Recording file = ReadRecording(dir.Path("clean.wav"));
  const TapeMap map = MapTape(file);
  ASSERT_EQ(map.records, 10);
  const int64_t searchFrom = map.copies[map.copies.size() - 2].end;  // the last record's first copy
  constexpr int kSkipSamples = 4 * kCleanRate;
  Recording side = file;
  side.samples.resize(static_cast<size_t>(searchFrom + kSkipSamples - kCleanRate / 10), 0.0f);
  uint32_t state = 11;
  for (int i = 0; i < kCleanRate / 2; ++i) {
    state = state * 1664525 + 1013904223;
    side.samples.push_back(static_cast<float>(state >> 8) / 16777216.0f * 0.6f - 0.3f);
  }
  side.samples.resize(side.samples.size() + kCleanRate / 2, 0.0f);
  side.samples.insert(side.samples.end(), file.samples.begin(), file.samples.end());
  ASSERT_TRUE(WriteImpaired(side, map, {}, 1, dir.Path("side.wav")));

  const ExpectedFile nim{FiadRecords(fiad, 10), {}, -1, {}};
  const RescueScore score =
      ScoreRescue(SONATAP_CLI, dir.Path("side.wav"), {nim, nim}, dir.path / "out", "--recognition adaptive");
  EXPECT_EQ(score.status, 0) << score.errors;
  EXPECT_EQ(score.found, 2);
  EXPECT_EQ(score.phantoms, 0);
  EXPECT_EQ(score.all.right, 20);
}

}  // namespace
}  // namespace sonatap
