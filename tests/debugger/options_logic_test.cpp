#include "app/options_logic.h"

#include <gtest/gtest.h>

#include "support/scripted_fakes.h"
#include "support/temp_files.h"

namespace sonatap {
namespace {

TEST(OptionsDialog, OnlyOkStoresTheTick) {
  bool showRecords = false;
  DebugStore store;
  ScriptedPrompts prompts;
  OptionsLogic dialog(showRecords, store, prompts);
  EXPECT_FALSE(dialog.Ticked());
  dialog.SetTicked(true);
  EXPECT_FALSE(showRecords);  // Cancel leaves it off
  dialog.Ok();
  EXPECT_TRUE(showRecords);
  EXPECT_TRUE(OptionsLogic(showRecords, store, prompts).Ticked());
}

TEST(OptionsDialog, DefaultsTurnTheOptionOffAtOnce) {
  bool showRecords = true;
  DebugStore store;
  ScriptedPrompts prompts;
  OptionsLogic dialog(showRecords, store, prompts);
  EXPECT_TRUE(dialog.Ticked());
  dialog.Defaults();
  EXPECT_FALSE(dialog.Ticked());
  EXPECT_FALSE(showRecords);  // and Cancel does not bring it back
}

TEST(OptionsDialog, ClearDebuggerEmptiesTheStoreOnceWithoutAsking) {
  bool showRecords = false;
  DebugStore store;
  store.count = 12;
  store.rows[3].locked = true;
  ScriptedPrompts prompts;
  OptionsLogic dialog(showRecords, store, prompts);
  EXPECT_TRUE(dialog.ClearEnabled());
  dialog.ClearDebugger();
  EXPECT_EQ(store.count, 0);
  EXPECT_FALSE(store.rows[3].locked);
  EXPECT_FALSE(dialog.ClearEnabled());
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0], (Message{"Sonatap - Options", "Debug Data has been cleared"}));

  // An empty store is "cleared" too, in a dialog opened again.
  OptionsLogic again(showRecords, store, prompts);
  EXPECT_TRUE(again.ClearEnabled());
  again.ClearDebugger();
  EXPECT_EQ(prompts.messages.size(), 2u);
}

}  // namespace
}  // namespace sonatap
