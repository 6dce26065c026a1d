#pragma once
// What the "Sonatap - Options" dialog shows and does, without its widgets.
#include "app/debug_store.h"
#include "app/user_prompts.h"

namespace sonatap {

class OptionsLogic {
 public:
  // Ticks "Show Records." from `showRecords`, which only OK and Defaults write.
  OptionsLogic(bool& showRecords, DebugStore& store, UserPrompts& prompts);

  bool Ticked() const { return ticked_; }
  bool ClearEnabled() const { return clearEnabled_; }

  void SetTicked(bool ticked) { ticked_ = ticked; }
  // Empties the store at once (no question) and disables the button for the
  // rest of this dialog.
  void ClearDebugger();
  // Turns the option off at once; a later Cancel keeps it off.
  void Defaults();
  void Ok();

 private:
  bool& showRecords_;
  DebugStore& store_;
  UserPrompts& prompts_;
  bool ticked_;
  bool clearEnabled_ = true;
};

}  // namespace sonatap
