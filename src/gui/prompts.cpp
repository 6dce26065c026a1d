#include "gui/prompts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "gui/ui_support.h"

namespace sonatap::gui {
namespace {

// The name prompt has one OK button; closing it takes the text as typed
// (the core asks again while the name is not valid).
class OkOnlyInputDialog final : public QInputDialog {
 public:
  using QInputDialog::QInputDialog;
  void setVisible(bool visible) override {
    QInputDialog::setVisible(visible);
    if (!visible) return;
    if (auto* box = findChild<QDialogButtonBox*>()) {
      if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel)) cancel->hide();
    }
  }
  void reject() override { accept(); }
};

}  // namespace

QStringList NameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1].trimmed();
    if (pattern == "*.*") pattern = "*";
    filters << parts[i].trimmed() + " (" + pattern + ")";
  }
  return filters;
}

QWidget* QtPrompts::Parent() const {
  if (beforeDialog_) beforeDialog_();
  QWidget* active = QApplication::activeWindow();
  return active != nullptr ? active : parent_;
}

void QtPrompts::ShowMessage(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), ToQt(text), QMessageBox::Ok, Parent());
  box.exec();
}

bool QtPrompts::AskYesNo(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), ToQt(text),
                  QMessageBox::Yes | QMessageBox::No, Parent());
  return box.exec() == QMessageBox::Yes;
}

std::string QtPrompts::AskText(const std::string& caption, const std::string& message,
                               const std::string& defaultText) {
  OkOnlyInputDialog dialog(Parent());
  dialog.setWindowTitle(QString::fromStdString(caption));
  dialog.setLabelText(ToQt(message));
  dialog.setTextValue(ToQt(defaultText));
  dialog.exec();
  return FromQt(dialog.textValue());
}

std::string QtPrompts::ChooseOpenFile(const FileDialog& d) {
  QFileDialog dialog(Parent(), QString::fromStdString(d.title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QStringList filters = NameFilters(d.filter);
  dialog.setNameFilters(filters);
  if (d.selectedFilter >= 1 && d.selectedFilter <= filters.size()) dialog.selectNameFilter(filters[d.selectedFilter - 1]);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  return dialog.selectedFiles().first().toStdString();
}

std::string QtPrompts::ChooseSaveFile(const FileDialog& d) {
  QFileDialog dialog(Parent(), QString::fromStdString(d.title));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList filters = NameFilters(d.filter);
  dialog.setNameFilters(filters);
  if (d.selectedFilter >= 1 && d.selectedFilter <= filters.size()) dialog.selectNameFilter(filters[d.selectedFilter - 1]);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  return dialog.selectedFiles().first().toStdString();
}

SaveFileType QtPrompts::ChooseFileType() {
  FileTypeDialog dialog(Parent());
  dialog.exec();
  return dialog.Choice();
}

FileTypeDialog::FileTypeDialog(QWidget* parent) : QDialog(parent, kCaptionOnly) {
  setWindowTitle("Sonatap - File Type?");
  setFixedSize(172, 120);
  auto* caption = new QLabel("Save File As..", this);
  caption->setAlignment(Qt::AlignCenter);
  caption->setGeometry(35, 5, 105, 15);
  fiad_ = new QRadioButton("FIAD", this);
  fiad_->setGeometry(40, 25, 95, 25);
  fiad_->setToolTip("Save as FIAD (File In A Disk) Format.. Used for loading programs into Emulators.");
  fiad_->setChecked(true);
  wav_ = new QRadioButton("Wav (Sound)", this);
  wav_->setGeometry(40, 50, 95, 25);
  wav_->setToolTip("Save as Wav formatted sound. Used to transfer back to TI99. Will be 8-bit 44.1KHz Mono.");
  auto* ok = new QPushButton("OK", this);
  ok->setGeometry(50, 85, 75, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  CentreOver(this, nullptr);
}

SaveFileType FileTypeDialog::Choice() const { return wav_->isChecked() ? SaveFileType::Wav : SaveFileType::Fiad; }

QtProgressWindow::~QtProgressWindow() { Close(); }

void QtProgressWindow::Open(const std::string& caption, int maximum) {
  Close();
  QWidget* active = QApplication::activeWindow();
  window_ = new QDialog(active != nullptr ? active : parent_, kCaptionOnly);
  window_->setWindowTitle(QString::fromStdString(caption));
  window_->setFixedSize(100, 50);
  // Events are let in while it opens: the other windows must not act meanwhile.
  window_->setWindowModality(Qt::ApplicationModal);
  auto* label = new QLabel("Progress", window_);
  label->setGeometry(10, 5, 70, 15);
  bar_ = new QProgressBar(window_);
  bar_->setGeometry(10, 22, 90, 20);
  bar_->setRange(0, maximum);
  bar_->setTextVisible(false);
  CentreOver(window_, active != nullptr ? active : parent_);
  window_->show();
  for (int i = 0; i < 100; ++i) QCoreApplication::processEvents();
}

void QtProgressWindow::SetValue(int value) {
  if (!window_ || bar_->value() == value) return;
  bar_->setValue(value);
  // Keep the bar painted without letting the user start anything meanwhile.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtProgressWindow::Close() {
  if (!window_) return;
  delete window_;
  bar_ = nullptr;
}

}  // namespace sonatap::gui
