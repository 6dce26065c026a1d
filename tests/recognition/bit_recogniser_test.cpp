#include "engine/bit_recogniser.h"

#include <gtest/gtest.h>

#include "engine/volume_levels.h"
#include "support/run_fixture.h"

namespace sonatap {
namespace {

// A recogniser over a decoder that is in the middle of a byte, so every bit
// it receives shows in the decoder's byte in progress.
struct Bench {
  RunFixture f;
  DecoderEvents events;
  DecoderSettings settings;
  RecordDecoder decoder{f.session->decoder, settings, events};
  BitRecogniser recogniser{f.session->conversion, f.session->tuning, f.session->shapes, decoder};
  ConversionState& c = f.session->conversion;
  DecoderState& d = f.session->decoder;

  explicit Bench(int method = 1) {
    f.session->tuning.RecognitionMethod = method;
    LoadShapeSet(f.session->shapes, method, 1);
    c.cellLength = 33;
    c.cellCount = 1;
    d.synchronised = true;
    d.byteIndex = 1;
  }
  void Feed(int count, uint8_t value) {
    for (int i = 0; i < count; ++i) ASSERT_FALSE(recogniser.ProcessSample(value, i));
  }
};

TEST(BitRecogniser, QuietSignalNeverStarts) {
  Bench b;
  for (uint8_t v : {99, 168, 128, 140, 110}) b.Feed(100, v);
  EXPECT_FALSE(b.c.signalStarted);
  EXPECT_EQ(b.c.cellCount, 1);
  EXPECT_EQ(b.d.bitCount, 0);
}

TEST(BitRecogniser, SignalStartsBeyondTheStartLevels) {
  Bench a;
  a.Feed(1, 169);
  EXPECT_TRUE(a.c.signalStarted);
  EXPECT_EQ(a.c.cellCount, 2) << "the starting sample is itself stored";
  Bench b;
  b.Feed(1, 98);
  EXPECT_TRUE(b.c.signalStarted);
}

// Square cells sit 90 from the middle everywhere, so a flat cell at the
// middle is equally far from all four: a tie. At the forced end the cell
// must still end (with a 0), or it would outgrow its 64-entry buffer.
TEST(BitRecogniser, TieAtTheForcedEndGivesAZero) {
  Bench b(3);
  b.c.signalStarted = true;
  b.c.lastLevel = 128;
  b.Feed(36, 128);
  EXPECT_EQ(b.d.bitCount, 0);
  EXPECT_EQ(b.c.cellCount, 37);
  b.Feed(1, 128);  // the 37th sample: forced end
  EXPECT_EQ(b.d.bitCount, 1);
  EXPECT_EQ(b.d.bitValue, 0);
  EXPECT_EQ(b.c.cellCount, 2);
  b.Feed(37 * 200, 128);
  EXPECT_LE(b.c.cellCount, 38);
}

TEST(BitRecogniser, TieOnTheDetectionPathLetsTheCellGrow) {
  Bench b(3);
  b.c.signalStarted = true;
  b.c.lastLevel = 128;
  // A flat cell at 218 matches the end of the square reference exactly, so
  // detection fires at 30 samples; its distances tie (all four 2,700 or so
  // apart) only when the cell is balanced, which a flat one at 128 is.
  for (int i = 1; i <= 64; ++i) b.c.cellBuffer[i] = 128;
  b.f.session->tuning.Tolerance = 600;
  b.f.session->tuning.VolumePlus = 3.0f;  // detection limit 1800: always fires
  b.recogniser.Prepare();
  b.Feed(29, 128);
  EXPECT_EQ(b.c.cellCount, 30);
  b.Feed(1, 128);  // detection at 30, tie: no bit, the cell goes on
  EXPECT_EQ(b.d.bitCount, 0);
  EXPECT_EQ(b.c.cellCount, 31);
}

TEST(BitRecogniser, CrossingMethodMarksAMidCellCrossing) {
  Bench b(kCrossingMethod);
  b.c.signalStarted = true;
  b.c.previousSample = 200;
  b.c.cellCount = 13;
  b.Feed(1, 100);  // a crossing at CellCount 13 (12 < 13 < 20)
  EXPECT_TRUE(b.c.midCrossing);
  EXPECT_EQ(b.c.cellCount, 17);  // set to 16, then the sample counted
  b.Feed(14, 100);               // CellCount 31
  b.Feed(1, 200);                // the next crossing past 30 delivers a 1
  EXPECT_EQ(b.d.bitCount, 1);
  EXPECT_EQ(b.d.bitValue, 1);
  EXPECT_FALSE(b.c.midCrossing);
}

TEST(BitRecogniser, CrossingMethodFollowsTheByteWhateverTheDcLevel) {
  for (int dc : {60, 128, 200}) {
    Bench b(kCrossingMethod);
    b.f.session->tuning.DcLevel = dc;
    b.c.signalStarted = true;
    b.c.previousSample = 127 + dc - 128;
    b.c.cellCount = 31;
    b.Feed(1, 128);  // the byte reaches 128: a crossing of the shifted line
    EXPECT_EQ(b.d.bitCount, 1) << dc;
  }
}

TEST(BitRecogniser, FallbackRulesOfRepeatedSearches) {
  struct Case {
    int attempt;
    uint8_t level;
    int bit;
  };
  // Peak to peak: all below the middle is a 1, all above a 0. The mean rule
  // compares the plain mean of the samples (not of their deviations) with
  // 1.5 times the highest peak, so only a cell near 0 reads as a 0.
  for (const Case& c : {Case{3, 60, 1}, Case{3, 200, 0}, Case{4, 60, 1}, Case{4, 250, 1}, Case{4, 0, 0}}) {
    Bench b;
    b.d.attemptCount = c.attempt;
    b.c.signalStarted = true;
    b.Feed(37, c.level);
    EXPECT_EQ(b.d.bitCount, 1) << c.attempt << "/" << int(c.level);
    EXPECT_EQ(b.d.bitValue, c.bit) << c.attempt << "/" << int(c.level);
  }
}

TEST(VolumeLevels, MeasuredFromTheRecording) {
  struct Case {
    std::vector<uint8_t> cycle;
    float plus, minus;
  };
  // Peaks of 86.4 above and below would give 0.9; these give whole numbers.
  const std::vector<Case> cases = {{{128}, 0.0f, 0.0f}, {{224, 32}, 1.0f, -1.0f}, {{176, 80}, 0.5f, -0.5f}};
  for (const Case& c : cases) {
    RunFixture f;
    TapeSound tape;
    for (int i = 0; i < 5000; ++i) tape.Silence(1, c.cycle[i % c.cycle.size()]);
    f.Wav(tape);
    SampleBuffer samples;
    ASSERT_TRUE(samples.Open(f.session->conversion.wavPath));
    f.session->conversion.dataStart = 47;
    for (int twice = 0; twice < 2; ++twice) {
      MeasureAutoVolume(f.session->tuning, samples, f.session->conversion.dataStart, f.volumeProgress);
      EXPECT_FLOAT_EQ(f.session->tuning.VolumePlus, c.plus);
      EXPECT_FLOAT_EQ(f.session->tuning.VolumeMinus, c.minus);
    }
    EXPECT_EQ(f.volumeProgress.captions, (std::vector<std::string>{"Auto Volume", "Auto Volume"}));
    EXPECT_FALSE(f.volumeProgress.open);
  }
}

TEST(VolumeLevels, KeptWhenNotMeasured) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(2000, 250);  // too short for one 100-sample block between the margins
  f.Wav(tape);
  SampleBuffer samples;
  ASSERT_TRUE(samples.Open(f.session->conversion.wavPath));
  f.session->conversion.dataStart = 47;
  f.session->tuning.VolumePlus = 0.7f;
  EXPECT_FALSE(MeasureAutoVolume(f.session->tuning, samples, f.session->conversion.dataStart, f.volumeProgress));
  EXPECT_FLOAT_EQ(f.session->tuning.VolumePlus, 0.7f);
  f.Run();
  EXPECT_EQ(f.session->monitor.text.find("Auto Volume: recording too short to measure, volume levels kept\r\n"),
            std::string(kReadyText).size());

  for (auto [method, autoOn] : {std::pair{kCrossingMethod, true}, std::pair{1, false}}) {
    f.session->tuning.RecognitionMethod = method;
    f.session->tuning.AutoVolume = autoOn;
    f.volumeProgress.captions.clear();
    MeasureAutoVolume(f.session->tuning, samples, f.session->conversion.dataStart, f.volumeProgress);
    EXPECT_TRUE(f.volumeProgress.captions.empty());
    EXPECT_FLOAT_EQ(f.session->tuning.VolumePlus, 0.7f);
  }
}

TEST(VolumeLevels, ScaleShapes) {
  RunFixture f;
  Session& s = *f.session;
  s.tuning.RecognitionMethod = 3;
  LoadShapeSet(s.shapes, 3, 3);
  s.tuning.VolumePlus = 0.5f;
  s.tuning.VolumeMinus = -0.5f;
  ScaleShapesToVolume(s.shapes, s.tuning);
  EXPECT_EQ(s.shapes.set.zeroHigh[1], 173);
  EXPECT_EQ(s.shapes.set.zeroLow[1], 84);

  LoadShapeSet(s.shapes, 1, 1);
  const Shapes before = s.shapes;
  s.tuning.RecognitionMethod = 1;
  s.tuning.VolumePlus = 1.0f;
  s.tuning.VolumeMinus = -1.0f;
  ScaleShapesToVolume(s.shapes, s.tuning);
  for (int i = 1; i <= 32; ++i) {
    const int v = before.set.oneHigh[i];
    EXPECT_EQ(s.shapes.set.oneHigh[i], v < 128 ? v + 1 : v) << i;  // -n rounds half up to -n + 1
  }
}

}  // namespace
}  // namespace sonatap
