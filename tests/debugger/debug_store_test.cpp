#include "app/debug_store.h"

#include <gtest/gtest.h>

#include "support/run_fixture.h"

namespace sonatap {
namespace {

TEST(DebugStore, SetBitCountsFromTheTopBitOfByteOne) {
  auto store = std::make_unique<DebugStore>();
  store->SetBit(5, 9, true);
  EXPECT_EQ(store->rows[5].data[2], 0x80);
  store->SetBit(5, 9, false);
  store->SetBit(5, 16, true);
  EXPECT_EQ(store->rows[5].data[2], 0x01);
  store->SetBit(5, 1, true);
  EXPECT_EQ(store->rows[5].data[1], 0x80);
  store->SetBit(5, 512, true);
  EXPECT_EQ(store->rows[5].data[64], 0x01);
}

TEST(DebugStore, ClearingEmptiesEveryRowAndSaysSo) {
  auto store = std::make_unique<DebugStore>();
  store->count = 3;
  store->rows[2] = {RecordStatus::Ok, true, 1234, {}};
  store->rows[2].data[7] = 9;
  ScriptedPrompts prompts;
  ClearDebugStore(*store, prompts);
  EXPECT_EQ(store->count, 0);
  EXPECT_EQ(store->rows[2].status, RecordStatus::Bad);
  EXPECT_FALSE(store->rows[2].locked);
  EXPECT_EQ(store->rows[2].filePos, 0);
  EXPECT_EQ(store->rows[2].data[7], 0);
  EXPECT_EQ(prompts.messages, (std::vector<Message>{{"Sonatap - Options", "Debug Data has been cleared"}}));
}

// A tape of `count` records whose record 2 has both copies damaged when
// `badRecord2` is set; the first copy of every record lies at a known place.
TapeSound TapeWithRecords(int count, bool badRecord2) {
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  tape.Header(count, count);
  for (int r = 1; r <= count; ++r) {
    const int error = r == 2 && badRecord2 ? 1 : 0;
    tape.Block(PatternRecord(r), error);
    tape.Block(PatternRecord(r), error);
  }
  tape.Silence(RunFixture::kSkip);
  return tape;
}

TEST(DebugStore, AccumulatesOverGatheringScans) {
  RunFixture f;
  Session& s = *f.session;
  s.debug.gather = true;
  f.Wav(TapeWithRecords(3, true));

  // First scan: the debugger window is left with "OK", so nothing is stored.
  f.Run();
  EXPECT_EQ(f.debugger.runs, 1);
  EXPECT_TRUE(f.storedSlots.empty());
  EXPECT_EQ(s.debug.count, 3);
  EXPECT_EQ(s.debug.rows[1].status, RecordStatus::Ok);
  EXPECT_EQ(s.debug.rows[2].status, RecordStatus::Bad);
  EXPECT_GT(s.debug.rows[2].filePos, s.debug.rows[1].filePos);
  EXPECT_EQ(s.debug.rows[3].data[1], PatternRecord(3)[0]);

  // The user locks row 2 after repairing a byte, and row 3 as it is; a
  // second scan of another recording with 2 records changes only row 1.
  s.debug.rows[2].data[1] = 0x42;
  s.debug.rows[2].locked = true;
  s.debug.rows[3].locked = true;
  const int64_t oldPos2 = s.debug.rows[2].filePos;
  TapeSound other;
  other.Silence(RunFixture::kSkip + 5000);
  other.Header(2, 2);
  for (int r = 7; r <= 8; ++r) other.Block(PatternRecord(r)), other.Block(PatternRecord(r));
  other.Silence(RunFixture::kSkip);
  f.Wav(other);
  f.debugger.onRun = [] { return true; };  // "Store FIAD"
  f.prompts.texts = {"ACCUM"};
  f.Run();
  EXPECT_EQ(s.debug.count, 3) << "the first scan's count stays";
  EXPECT_EQ(s.debug.rows[1].data[1], PatternRecord(7)[0]);
  EXPECT_EQ(s.debug.rows[2].data[1], 0x42);
  EXPECT_EQ(s.debug.rows[2].status, RecordStatus::Bad);
  EXPECT_GT(s.debug.rows[2].filePos, oldPos2) << "positions follow the latest scan";
  EXPECT_EQ(s.debug.rows[3].data[1], PatternRecord(3)[0]);

  // "Store FIAD" wrote every row back, so the FIAD has all three records.
  ASSERT_EQ(f.storedSlots, std::vector<int>{1});
  const FiadSlot& stored = s.fiads.Slot(1);
  EXPECT_EQ(stored.recordCount, 3);
  EXPECT_EQ(stored.image[128], PatternRecord(7)[0]);
  EXPECT_EQ(stored.image[128 + 64], 0x42);
  EXPECT_EQ(stored.image[128 + 128], PatternRecord(3)[0]);
}

TEST(DebugStore, AScanWithoutGatheringOnlyNotesPositions) {
  RunFixture f;
  Session& s = *f.session;
  f.Wav(TapeWithRecords(2, false));
  f.prompts.texts = {"PLAIN"};
  f.Run();
  EXPECT_EQ(f.debugger.runs, 0);
  EXPECT_EQ(s.debug.count, 0);
  EXPECT_GT(s.debug.rows[1].filePos, RunFixture::kSkip);
  EXPECT_EQ(s.debug.rows[1].status, RecordStatus::Bad);
  EXPECT_EQ(s.debug.rows[1].data[1], 0);
}

}  // namespace
}  // namespace sonatap
