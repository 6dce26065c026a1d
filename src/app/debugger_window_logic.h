#pragma once
// What the "Sonatap - Debug" window shows and does, apart from its widgets:
// one list row per store row, whose ticks are a working copy of the locks
// written back only when the window is left.
#include <string>
#include <vector>

#include "app/user_prompts.h"
#include "app/session.h"

namespace sonatap {

struct DebuggerRow {
  bool ticked = false;
  bool selected = false;
  std::string lock = " Lock";
  std::string status, record, filePos;
};

class DebuggerWindowLogic {
 public:
  static constexpr int kMinCount = 1;
  static constexpr int kMaxCount = DebugStore::kRows;

  // `fileOpen`: a file of the program is open (the recording of a running
  // scan), which rules out Export, Import and Debug Rec.
  DebuggerWindowLogic(Session& session, bool fileOpen);

  const std::vector<DebuggerRow>& Rows() const { return rows_; }
  int Count() const { return count_; }
  std::string FirstCountText() const { return std::to_string(session_.decoder.tapeByteStream[2]); }
  std::string SecondCountText() const { return std::to_string(session_.decoder.tapeByteStream[3]); }
  bool ExportEnabled() const { return !fileOpen_; }
  bool ImportEnabled() const { return !fileOpen_; }
  bool DebugRecEnabled() const { return debugRecEnabled_; }

  // Gadget events. Each brings Debug Rec up to date.
  void SetTicked(int index, bool ticked);
  void Select(int index);  // -1: none
  void AutoLock();
  void CountChanged(int value);
  void Export(UserPrompts& prompts);
  void Import(UserPrompts& prompts);
  // The store row "Debug Rec" opens: the first selected row that is not
  // ticked (a locked row cannot be opened), or 0.
  int DebugRecRow() const;
  void AfterDebugRec() { UpdateDebugRec(); }

  // All three ways out: the ticks become the locks, the spin the count.
  bool Leave(bool storeFiad);

 private:
  void Fill();
  void UpdateDebugRec();

  Session& session_;
  bool fileOpen_;
  int count_;
  bool debugRecEnabled_ = false;
  std::vector<DebuggerRow> rows_;
};

}  // namespace sonatap
