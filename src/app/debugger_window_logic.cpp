#include "app/debugger_window_logic.h"

#include <algorithm>

#include "app/debug_records_text.h"

namespace sonatap {

DebuggerWindowLogic::DebuggerWindowLogic(Session& session, bool fileOpen)
    : session_(session), fileOpen_(fileOpen), count_(session.debug.count) {
  Fill();
  UpdateDebugRec();
}

void DebuggerWindowLogic::Fill() {
  const DebugStore& store = session_.debug;
  rows_.clear();
  for (int row = 1; row <= store.count; ++row) {
    const DebugRecord& r = store.rows[row];
    DebuggerRow shown;
    shown.ticked = r.locked;
    shown.status = StatusText(r.status);
    shown.record = std::to_string(row);
    shown.filePos = std::to_string(r.filePos);
    rows_.push_back(shown);
  }
}

void DebuggerWindowLogic::SetTicked(int index, bool ticked) {
  if (index >= 0 && index < static_cast<int>(rows_.size())) rows_[index].ticked = ticked;
  UpdateDebugRec();
}

void DebuggerWindowLogic::Select(int index) {
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) rows_[i].selected = i == index;
  UpdateDebugRec();
}

void DebuggerWindowLogic::AutoLock() {
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    if (session_.debug.rows[i + 1].status == RecordStatus::Bad) continue;
    // Ticking replaces the row's list state: it is no longer selected.
    rows_[i].ticked = true;
    rows_[i].selected = false;
  }
  UpdateDebugRec();
}

void DebuggerWindowLogic::CountChanged(int value) {
  count_ = std::clamp(value, kMinCount, kMaxCount);
  // The list is refilled from the store, so ticks not yet written back are lost.
  session_.debug.count = count_;
  Fill();
  UpdateDebugRec();
}

void DebuggerWindowLogic::Export(UserPrompts& prompts) {
  ExportDebugRecords(session_.debug, session_.decoder.tapeByteStream, prompts);
  UpdateDebugRec();
}

void DebuggerWindowLogic::Import(UserPrompts& prompts) {
  // The list shows the imported rows' new status only once it is refilled.
  ImportDebugRecords(session_.debug, prompts);
  UpdateDebugRec();
}

int DebuggerWindowLogic::DebugRecRow() const {
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    if (rows_[i].selected && !rows_[i].ticked) return i + 1;
  }
  return 0;
}

void DebuggerWindowLogic::UpdateDebugRec() { debugRecEnabled_ = DebugRecRow() != 0 && !fileOpen_; }

bool DebuggerWindowLogic::Leave(bool storeFiad) {
  DebugStore& store = session_.debug;
  for (int row = 1; row <= store.count && row <= static_cast<int>(rows_.size()); ++row)
    store.rows[row].locked = rows_[row - 1].ticked;
  store.count = count_;
  return storeFiad;
}

}  // namespace sonatap
