#pragma once
// "Sonatap - Debug": the debug record store as a list with lock ticks, the
// record count, export and import, Auto Lock, the bit view of one record,
// and the two ways out (keep the rows, or store the accumulated FIAD).
#include <QDialog>

#include "app/debugger_window_logic.h"
#include "app/run_view.h"
#include "app/user_prompts.h"
#include "app/session.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace sonatap::gui {

// The window itself; one instance per opening. Run() shows it modally and
// returns true when it was left with "Store FIAD".
class DebuggerDialog final : public QDialog {
 public:
  // `fileOpen`: a file of the program is open (the recording at the end of a
  // gathering scan), so Export, Import and Debug Rec are not offered.
  DebuggerDialog(Session& session, UserPrompts& prompts, bool fileOpen, QWidget* parent);
  bool Run();

 protected:
  void reject() override;  // the close box (and Escape): leave without storing

 private:
  void Fill();    // the list rows as the logic holds them
  void Render();  // ticks, selection and enabled states after every event
  void SpinChanged(int value);
  void OpenBitView();

  Session& session_;
  UserPrompts& prompts_;
  DebuggerWindowLogic logic_;
  bool storeFiad_ = false;
  bool rendering_ = false;
  QTableWidget* list_;
  QSpinBox* count_;
  QLabel *firstCount_, *secondCount_;
  QPushButton *export_, *import_, *autoLock_, *debugRec_, *ok_, *storeFiadButton_;
};

// What the decoder and the Project menu call: each Run() opens a fresh window
// over `parent` on the store as it stands.
class QtDebuggerWindow final : public DebuggerWindow {
 public:
  QtDebuggerWindow(Session& session, UserPrompts& prompts, bool fileOpen, QWidget* parent)
      : session_(session), prompts_(prompts), fileOpen_(fileOpen), parent_(parent) {}
  bool Run() override {
    DebuggerDialog dialog(session_, prompts_, fileOpen_, parent_);
    return dialog.Run();
  }

 private:
  Session& session_;
  UserPrompts& prompts_;
  bool fileOpen_;
  QWidget* parent_;
};

}  // namespace sonatap::gui
