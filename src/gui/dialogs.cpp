#include "gui/dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "gui/ui_support.h"
#include "engine/tuning_settings.h"

namespace sonatap::gui {
namespace {

QLabel* Label(QWidget* parent, const char* text, QRect place) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
  return label;
}

QPushButton* Button(QWidget* parent, const char* text, QRect place) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(place);
  button->setAutoDefault(false);
  return button;
}

void Frame(QWidget* parent, const char* title, QRect place) {
  auto* frame = new QGroupBox(title, parent);
  frame->setGeometry(place);
  frame->lower();  // the controls inside are the window's own, drawn over it
}

}  // namespace

void ShownSpinBox::Show(const SpinShown& shown) {
  const QSignalBlocker block(this);
  notApplicable_ = shown.text == TuningDialogLogic::kVolumeNotApplicable;
  setValue(shown.value);
  setEnabled(shown.enabled);
  lineEdit()->setText(QString::fromStdString(shown.text));
}

QString ShownSpinBox::textFromValue(int value) const {
  return notApplicable_ ? QString(TuningDialogLogic::kVolumeNotApplicable) : QString::number(value - offset_);
}

int ShownSpinBox::valueFromText(const QString& text) const { return text.toInt() + offset_; }

QValidator::State ShownSpinBox::validate(QString& text, int&) const {
  if (text.isEmpty() || text == "-" || text == TuningDialogLogic::kVolumeNotApplicable) return QValidator::Intermediate;
  bool number = false;
  const int value = text.toInt(&number) + offset_;
  if (!number) return QValidator::Invalid;
  return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

TuningDialog::TuningDialog(QWidget* parent, TuningSettings& settings) : QDialog(parent), logic_(settings) {
  setWindowTitle("Sonatap - Tuning");
  setFixedSize(288, 227);
  Frame(this, "Detection", {17, 8, 255, 70});
  Frame(this, "Recognition", {17, 82, 255, 45});
  Frame(this, "Volume", {17, 131, 255, 50});

  Label(this, TuningDialogLogic::LabelOf(Spin::Threshold), {27, 28, 55, 20});
  AddSpin(Spin::Threshold, {101, 23, 40, 20},
          "Threshold specifies the maximum length/size a bit shape can be before Sonatap determines it has passed.");
  Label(this, TuningDialogLogic::LabelOf(Spin::Tolerance), {160, 28, 55, 20});
  AddSpin(Spin::Tolerance, {220, 23, 40, 20}, "Tolerance for detecting a Bit has been recognised.");
  Label(this, "Method", {27, 55, 38, 20});
  detection_ = new QComboBox(this);
  detection_->setGeometry(70, 50, 72, 20);
  detection_->setToolTip("Select Method of Recognition.");
  for (const std::string& item : TuningDialogLogic::DetectionItems()) detection_->addItem(QString::fromStdString(item));
  Label(this, TuningDialogLogic::LabelOf(Spin::SkipTime), {160, 55, 55, 20});
  AddSpin(Spin::SkipTime, {220, 50, 40, 20},
          "Number of Seconds to skip into Wave file before detection begins. Helps with Wavs that have "
          "pops/spikes at begining.");

  Label(this, "Method", {27, 104, 38, 20});
  recognition_ = new QComboBox(this);
  recognition_->setGeometry(70, 99, 72, 20);
  recognition_->setToolTip("Select Method of Recognition.");
  for (const std::string& item : TuningDialogLogic::RecognitionItems())
    recognition_->addItem(QString::fromStdString(item));
  recognition_->setItemData(kAdaptiveMethod - 1, TuningDialogLogic::kAdaptiveTip, Qt::ToolTipRole);
  Label(this, TuningDialogLogic::LabelOf(Spin::DcOffset), {160, 103, 55, 20});
  AddSpin(Spin::DcOffset, {220, 99, 40, 20}, "Vary location of DC.");

  auto_ = Button(this, "Auto", {27, 151, 36, 20});
  auto_->setCheckable(true);
  Label(this, "-", {115, 139, 10, 10});
  AddSpin(Spin::VolumeMinus, {100, 151, 40, 20}, nullptr);
  Label(this, "+", {160, 139, 10, 10});
  AddSpin(Spin::VolumePlus, {148, 151, 40, 20}, nullptr);

  QPushButton* defaults = Button(this, "Defaults", {15, 190, 80, 25});
  QPushButton* cancel = Button(this, "Cancel", {105, 190, 80, 25});
  QPushButton* ok = Button(this, "OK", {195, 190, 80, 25});

  connect(detection_, &QComboBox::currentIndexChanged, this, [this](int index) { logic_.SelectDetection(index); });
  connect(recognition_, &QComboBox::currentIndexChanged, this,
          [this](int index) { logic_.SelectRecognition(index); });
  connect(auto_, &QPushButton::toggled, this, [this](bool pressed) {
    logic_.SetAuto(pressed);
    Render();
  });
  connect(defaults, &QPushButton::clicked, this, [this] {
    logic_.Defaults();
    Render();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ok, &QPushButton::clicked, this, [this] {
    logic_.Ok();
    accept();
  });
  Render();
  CentreOver(this, parent);
}

ShownSpinBox* TuningDialog::AddSpin(Spin spin, QRect place, const char* tooltip) {
  auto* box = new ShownSpinBox(this, TuningDialogLogic::ShownOffset(spin));
  const TuningDialogLogic::Range range = TuningDialogLogic::RangeOf(spin);
  box->setRange(range.low, range.high);
  box->setGeometry(place);
  if (tooltip != nullptr) box->setToolTip(tooltip);
  connect(box, &QSpinBox::valueChanged, this, [this, spin](int value) {
    logic_.SpinChanged(spin, value);
    Render();
  });
  static const char* const kNames[] = {"Threshold", "Tolerance", "SkipTime", "DcOffset", "VolumeMinus", "VolumePlus"};
  box->setObjectName(kNames[static_cast<int>(spin)]);
  spins_[static_cast<int>(spin)] = box;
  return box;
}

void TuningDialog::Render() {
  for (int i = 0; i < TuningDialogLogic::kSpinCount; ++i) spins_[i]->Show(logic_.Shown(static_cast<Spin>(i)));
  const QSignalBlocker blockAuto(auto_);
  auto_->setChecked(logic_.AutoPressed());
  const QSignalBlocker blockDetection(detection_);
  detection_->setCurrentIndex(logic_.DetectionIndex());
  const QSignalBlocker blockRecognition(recognition_);
  recognition_->setCurrentIndex(logic_.RecognitionIndex());
}

OptionsDialog::OptionsDialog(QWidget* parent, bool& showRecords, DebugStore& store, UserPrompts& prompts)
    : QDialog(parent, kCaptionOnly), logic_(showRecords, store, prompts) {
  setWindowTitle("Sonatap - Options");
  setFixedSize(288, 227);
  Frame(this, "BASIC Code Display", {17, 8, 255, 70});
  showRecords_ = new QCheckBox("Show Records.", this);
  showRecords_->setGeometry(35, 37, 150, 20);
  Frame(this, "Debugger", {17, 90, 255, 70});
  clear_ = Button(this, "Clear Debugger", {35, 116, 100, 25});
  QPushButton* defaults = Button(this, "Defaults", {15, 190, 80, 25});
  QPushButton* cancel = Button(this, "Cancel", {105, 190, 80, 25});
  QPushButton* ok = Button(this, "OK", {195, 190, 80, 25});

  connect(showRecords_, &QCheckBox::toggled, this, [this](bool ticked) { logic_.SetTicked(ticked); });
  connect(clear_, &QPushButton::clicked, this, [this] {
    logic_.ClearDebugger();
    Render();
  });
  connect(defaults, &QPushButton::clicked, this, [this] {
    logic_.Defaults();
    Render();
  });
  connect(cancel, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
  connect(ok, &QPushButton::clicked, this, [this] {
    logic_.Ok();
    done(QDialog::Accepted);
  });
  Render();
  CentreOver(this, parent);
}

void OptionsDialog::closeEvent(QCloseEvent* event) { event->ignore(); }

void OptionsDialog::Render() {
  const QSignalBlocker block(showRecords_);
  showRecords_->setChecked(logic_.Ticked());
  clear_->setEnabled(logic_.ClearEnabled());
}

ListingWindow::ListingWindow(QWidget* parent, const BasicListing& listing) : QDialog(parent) {
  setWindowTitle("Sonatap - TI BASIC Source");
  setFixedSize(502, 604);
  move(265, 231);
  auto area = [this](QRect place, const std::string& text, const char* name) {
    auto* edit = new QPlainTextEdit(this);
    edit->setObjectName(name);
    edit->setGeometry(place);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setPlainText(ToQt(text));
    return edit;
  };
  area({10, 10, 400, 72}, listing.InfoText(), "InfoArea");
  area({10, 90, 480, 500}, listing.SourceText(), "SourceArea")->setFont(FixedFont());
}

}  // namespace sonatap::gui
