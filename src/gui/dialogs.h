#pragma once
// The modal dialogs of the Project menu and the BASIC listing window. Each
// binds its widgets to the core's logic and runs its own loop (exec) until
// it is left.
#include <QDialog>
#include <QSpinBox>
#include <array>

#include "app/program_facts.h"
#include "app/options_logic.h"
#include "app/tuning_dialog_logic.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace sonatap::gui {

// A spin box whose edit field shows the text the dialog gives it: its value,
// the value less an offset, or "NA".
class ShownSpinBox final : public QSpinBox {
 public:
  ShownSpinBox(QWidget* parent, int shownOffset) : QSpinBox(parent), offset_(shownOffset) {}
  void Show(const SpinShown& shown);

 protected:
  QString textFromValue(int value) const override;
  int valueFromText(const QString& text) const override;
  QValidator::State validate(QString& text, int& pos) const override;

 private:
  int offset_;
  bool notApplicable_ = false;
};

class TuningDialog final : public QDialog {
 public:
  TuningDialog(QWidget* parent, TuningSettings& settings);

 private:
  using Spin = TuningDialogLogic::Spin;
  void Render();
  ShownSpinBox* AddSpin(Spin spin, QRect place, const char* tooltip);

  TuningDialogLogic logic_;
  std::array<ShownSpinBox*, TuningDialogLogic::kSpinCount> spins_{};
  QPushButton* auto_ = nullptr;
  QComboBox* detection_ = nullptr;
  QComboBox* recognition_ = nullptr;
};

class OptionsDialog final : public QDialog {
 public:
  OptionsDialog(QWidget* parent, bool& showRecords, DebugStore& store, UserPrompts& prompts);

 protected:
  void reject() override {}  // left only through OK and Cancel
  void closeEvent(QCloseEvent* event) override;

 private:
  void Render();
  OptionsLogic logic_;
  QCheckBox* showRecords_;
  QPushButton* clear_;
};

class ListingWindow final : public QDialog {
 public:
  ListingWindow(QWidget* parent, const BasicListing& listing);
};

}  // namespace sonatap::gui
