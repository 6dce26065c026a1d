#include "app/options_logic.h"

namespace sonatap {

OptionsLogic::OptionsLogic(bool& showRecords, DebugStore& store, UserPrompts& prompts)
    : showRecords_(showRecords), store_(store), prompts_(prompts), ticked_(showRecords) {}

void OptionsLogic::ClearDebugger() {
  if (!clearEnabled_) return;
  ClearDebugStore(store_, prompts_);
  clearEnabled_ = false;
}

void OptionsLogic::Defaults() {
  showRecords_ = false;
  ticked_ = false;
}

void OptionsLogic::Ok() { showRecords_ = ticked_; }

}  // namespace sonatap
