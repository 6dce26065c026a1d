#include "app/bit_view_logic.h"

#include <gtest/gtest.h>

#include "support/run_fixture.h"

namespace sonatap {
namespace {

// A gathering scan of a clean one-record file leaves row 1 with the
// record's bytes and the position of its first copy.
struct ScannedRow : RunFixture {
  Record record = PatternRecord(5);
  explicit ScannedRow(int recognition = TuningSettings{}.RecognitionMethod) {
    session->tuning.RecognitionMethod = recognition;
    TapeSound tape;
    tape.Silence(kSkip);
    tape.File({record, PatternRecord(6)});
    tape.Silence(kSkip);
    Wav(tape);
    session->debug.gather = true;
    Run();
  }
  DebugRecord& Row() { return session->debug.rows[1]; }
};

TEST(BitView, OpeningMarksTheRowUnknownAndFindsEveryCell) {
  ScannedRow f;
  ASSERT_EQ(f.Row().status, RecordStatus::Ok);
  const auto before = f.Row().data;
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  EXPECT_EQ(f.Row().status, RecordStatus::Unknown);
  EXPECT_EQ(f.Row().data, before);
  EXPECT_EQ(view.BitPosition(1), f.Row().filePos);
  for (int k = 2; k <= 512; ++k) EXPECT_EQ(view.BitPosition(k + 1) - view.BitPosition(k), 32) << k;
  EXPECT_EQ(view.BitInfo(), "Rec:1  Bit:1  Byte:1  Val:" + std::string(1, "0123456789ABCDEF"[f.record[0] >> 4]) +
                                std::string(1, "0123456789ABCDEF"[f.record[0] & 15]));
}

TEST(BitView, AdaptiveCellsEndWhereTheMethodFindsTheChanges) {
  ScannedRow f(kAdaptiveMethod);
  ASSERT_EQ(f.Row().status, RecordStatus::Ok);
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  EXPECT_EQ(view.BitPosition(1), f.Row().filePos);
  for (int k = 1; k <= 512; ++k) EXPECT_NEAR(view.BitPosition(k + 1) - view.BitPosition(1), 32 * k, 1) << k;
}

TEST(BitView, SettingBitNineOfAZeroByte) {
  ScannedRow f;
  f.Row().data[2] = 0x00;
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  view.ShowBit(9);
  view.SetCurrentBit(true);
  EXPECT_EQ(f.Row().data[2], 0x80);
  EXPECT_EQ(view.BitInfo(), "Rec:1  Bit:9  Byte:2  Val:80");
  // The digit under bit 9 starts 8 pixels right of its boundary at x 170:
  // a "1" has its top pixel in its third column.
  const Rgb digit{200, 200, 30};
  EXPECT_EQ(view.Picture().At(178 + 2, 226), digit);
  EXPECT_NE(view.Picture().At(178 + 0, 227 + 2), digit) << "not a 0";
}

TEST(BitView, ScanAllReadsTheRecordAgain) {
  ScannedRow f;
  for (int j = 1; j <= 64; ++j) f.Row().data[j] = 0x55;
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  view.Scan(true);
  EXPECT_EQ(view.CurrentBit(), 512);
  for (int j = 0; j < 64; ++j) EXPECT_EQ(f.Row().data[j + 1], f.record[j]) << "byte " << j + 1;
}

TEST(BitView, GreyAreasAndBoundaryLines) {
  ScannedRow f;
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  const RasterImage& p = view.Picture();
  const Rgb grey{50, 50, 50};
  // Bit 1: everything left of x 170 comes before the record.
  EXPECT_EQ(p.At(0, 5), grey);
  EXPECT_EQ(p.At(169, 5), grey);
  EXPECT_EQ(p.At(170, 5), (Rgb{120, 255, 120})) << "the current cell's start";
  EXPECT_EQ(p.At(171, 5), colour::kBlack);
  EXPECT_EQ(p.At(202, 5), (Rgb{120, 255, 120})) << "and its end";
  EXPECT_EQ(p.At(234, 5), (Rgb{30, 70, 30})) << "bit 3 starts a cell within the byte";
  view.ShowBit(9);
  EXPECT_EQ(p.At(170, 200), (Rgb{120, 255, 120}));
  EXPECT_EQ(p.At(170 - 8 * 32, 200), colour::kBlack) << "off the picture";
  EXPECT_EQ(p.At(170 - 32, 5), (Rgb{30, 70, 30}));
  view.ShowBit(512);
  const int64_t last = view.BitPosition(513) - view.BitPosition(512);
  EXPECT_EQ(p.At(static_cast<int>(170 + last), 5), (Rgb{120, 255, 120}));
  EXPECT_EQ(p.At(static_cast<int>(170 + last + 1), 5), grey);
  EXPECT_NE(p.At(static_cast<int>(170 + last - 1), 5), grey);
}

TEST(BitView, MovingABoundary) {
  ScannedRow f;
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  view.ShowBit(20);
  const int64_t at20 = view.BitPosition(20), at21 = view.BitPosition(21);
  view.MoveBoundary(+1, false);
  EXPECT_EQ(view.BitPosition(20), at20 + 1);
  EXPECT_EQ(view.BitPosition(21), at21) << "cell 19 grows, cell 20 shrinks";
  view.MoveBoundary(+5, true);
  EXPECT_EQ(view.BitPosition(20), at20 + 6);
  EXPECT_NE(view.BitPosition(21), at21) << "found again from the moved start";
  EXPECT_GT(view.BitPosition(21), view.BitPosition(20));
}

TEST(BitView, CellsWithoutSamplesLeaveTheBitAlone) {
  ScannedRow f;
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  const auto before = f.Row().data;
  view.ShowBit(30);
  view.MoveBoundary(-200, false);  // cell 30 is now more than 64 samples long
  view.Scan(false);
  view.ShowBit(29);
  view.Scan(false);  // and cell 29 has a negative length
  EXPECT_EQ(f.Row().data, before);
}

TEST(BitView, UnopenableRecording) {
  ScannedRow f;
  f.session->conversion.wavPath = (f.dir / "gone.wav").string();
  BitViewLogic view(*f.session, 1);
  EXPECT_FALSE(view.Open(f.prompts));
  EXPECT_EQ(f.prompts.messages, (std::vector<Message>{{"File Error", "Error accessing file."}}));
  EXPECT_EQ(f.Row().status, RecordStatus::Unknown);
}

TEST(BitView, RecordNearTheStartDrawsNoSoundBeforeIt) {
  ScannedRow f;
  f.Row().filePos = 10;
  BitViewLogic view(*f.session, 1);
  ASSERT_TRUE(view.Open(f.prompts));
  const RasterImage& p = view.Picture();
  for (int y = 0; y < 256; ++y) {
    if (y == 128 || y == 129) continue;  // the green middle line crosses there
    EXPECT_NE(p.At(100, y), colour::kWhite) << y;
  }
  EXPECT_EQ(view.CopiesInfo().substr(0, 7), "Copies:");
}

}  // namespace
}  // namespace sonatap
