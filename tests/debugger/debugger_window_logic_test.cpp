#include "app/debugger_window_logic.h"

#include <gtest/gtest.h>

#include "support/run_fixture.h"

namespace sonatap {
namespace {

struct Window {
  std::unique_ptr<Session> session = Session::Create();
  DebugStore& store = session->debug;
  explicit Window(int count) {
    store.count = count;
    for (int r = 1; r <= DebugStore::kRows; ++r) store.rows[r].filePos = 1000 * r;
  }
};

TEST(DebuggerWindow, ListRowsAndCounts) {
  Window w(3);
  w.store.rows[1].status = RecordStatus::Ok;
  w.store.rows[3].status = RecordStatus::Unknown;
  w.store.rows[2].locked = true;
  w.session->decoder.tapeByteStream[2] = 3;
  w.session->decoder.tapeByteStream[3] = 4;
  DebuggerWindowLogic logic(*w.session, false);
  ASSERT_EQ(logic.Rows().size(), 3u);
  EXPECT_EQ(logic.Rows()[0].lock, " Lock");
  EXPECT_EQ(logic.Rows()[0].status, "OK");
  EXPECT_EQ(logic.Rows()[1].status, "BAD");
  EXPECT_TRUE(logic.Rows()[1].ticked);
  EXPECT_EQ(logic.Rows()[2].status, "Unknown");
  EXPECT_EQ(logic.Rows()[2].record, "3");
  EXPECT_EQ(logic.Rows()[2].filePos, "3000");
  EXPECT_EQ(logic.FirstCountText(), "3");
  EXPECT_EQ(logic.SecondCountText(), "4");
  EXPECT_EQ(logic.Count(), 3);

  Window empty(0);
  DebuggerWindowLogic none(*empty.session, false);
  EXPECT_TRUE(none.Rows().empty());
  EXPECT_FALSE(none.Leave(false));
  EXPECT_EQ(empty.store.count, 0) << "an untouched count stays";
}

TEST(DebuggerWindow, TicksBecomeLocksOnlyWhenLeaving) {
  for (bool store : {false, true}) {
    Window w(6);
    DebuggerWindowLogic logic(*w.session, false);
    logic.SetTicked(4, true);  // row 5
    logic.Select(4);
    EXPECT_FALSE(w.store.rows[5].locked);
    EXPECT_EQ(logic.Leave(store), store);
    EXPECT_TRUE(w.store.rows[5].locked);
  }
}

TEST(DebuggerWindow, AutoLockTicksGoodAndUnknownRows) {
  Window w(3);
  w.store.rows[1].status = RecordStatus::Ok;
  w.store.rows[3].status = RecordStatus::Unknown;
  DebuggerWindowLogic logic(*w.session, false);
  logic.Select(0);
  logic.AutoLock();
  EXPECT_TRUE(logic.Rows()[0].ticked);
  EXPECT_FALSE(logic.Rows()[0].selected);
  EXPECT_FALSE(logic.Rows()[1].ticked);
  EXPECT_TRUE(logic.Rows()[2].ticked);
}

TEST(DebuggerWindow, RaisingTheCountShowsStoredRowsAndDropsUnsavedTicks) {
  Window w(10);
  DebuggerWindowLogic logic(*w.session, false);
  logic.SetTicked(0, true);
  logic.CountChanged(12);
  ASSERT_EQ(logic.Rows().size(), 12u);
  EXPECT_EQ(logic.Rows()[11].status, "BAD");
  EXPECT_EQ(logic.Rows()[11].filePos, "12000");
  EXPECT_FALSE(logic.Rows()[0].ticked);
  logic.Leave(false);
  EXPECT_EQ(w.store.count, 12);
}

TEST(DebuggerWindow, DebugRecNeedsASelectedUnlockedRowAndNoOpenFile) {
  Window w(3);
  w.store.rows[2].locked = true;
  DebuggerWindowLogic logic(*w.session, false);
  EXPECT_TRUE(logic.ExportEnabled());
  EXPECT_FALSE(logic.DebugRecEnabled());
  logic.Select(0);
  EXPECT_TRUE(logic.DebugRecEnabled());
  EXPECT_EQ(logic.DebugRecRow(), 1);
  logic.Select(1);  // a ticked row
  EXPECT_FALSE(logic.DebugRecEnabled());
  EXPECT_EQ(logic.DebugRecRow(), 0);

  DebuggerWindowLogic duringScan(*w.session, true);
  duringScan.Select(0);
  EXPECT_FALSE(duringScan.ExportEnabled());
  EXPECT_FALSE(duringScan.ImportEnabled());
  EXPECT_FALSE(duringScan.DebugRecEnabled());
}

}  // namespace
}  // namespace sonatap
