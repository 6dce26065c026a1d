#include "gui/prompts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpacerItem>
#include <QVBoxLayout>

#include "app/fiad_list.h"
#include "gui/ui_support.h"

namespace sonatap::gui {
namespace {

// The name prompt has one OK button; closing it takes the text as typed
// (the core asks again while the name is not valid). OK is offered only for
// a valid name (1 to 10 characters), and a hint under the field counts them.
class OkOnlyInputDialog final : public QInputDialog {
 public:
  using QInputDialog::QInputDialog;
  void setVisible(bool visible) override {
    QInputDialog::setVisible(visible);
    if (!visible) return;
    auto* box = findChild<QDialogButtonBox*>();
    if (box == nullptr) return;
    if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel)) cancel->hide();
    if (hint_ == nullptr) {
      hint_ = new QLabel(this);
      hint_->setObjectName("NameLengthHint");
      hint_->setAlignment(Qt::AlignRight);
      if (auto* column = qobject_cast<QVBoxLayout*>(layout())) column->insertWidget(column->indexOf(box), hint_);
      connect(this, &QInputDialog::textValueChanged, this, [this] { ShowLength(); });
    }
    ShowLength();
  }
  void reject() override { accept(); }

 private:
  void ShowLength() {
    const QString text = textValue();
    hint_->setText(QString("%1/10").arg(text.size()));
    if (auto* box = findChild<QDialogButtonBox*>()) {
      if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setEnabled(IsValidFiadName(FromQt(text)));
    }
  }
  QLabel* hint_ = nullptr;
};

// Room for the caption in the title bar, beside the window's own buttons.
int CaptionRoom(const QString& caption) {
  return QFontMetrics(QApplication::font()).horizontalAdvance(caption) + 130;
}

// A message box sizes itself to its text; a spacer across its grid keeps it
// wide enough for its caption too.
void FitCaption(QMessageBox& box) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(CaptionRoom(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

// The folder of the last file chosen in this program run ("" before the first).
QString& LastFolder() {
  static QString folder;
  return folder;
}

std::string RunFileDialog(QFileDialog& dialog, const FileDialog& d) {
  const QStringList filters = NameFilters(d.filter);
  dialog.setNameFilters(filters);
  if (d.selectedFilter >= 1 && d.selectedFilter <= filters.size()) dialog.selectNameFilter(filters[d.selectedFilter - 1]);
  if (!LastFolder().isEmpty()) dialog.setDirectory(LastFolder());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  const QString chosen = dialog.selectedFiles().first();
  LastFolder() = QFileInfo(chosen).absolutePath();
  return chosen.toStdString();
}

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
  FitCaption(box);
  box.exec();
}

bool QtPrompts::AskYesNo(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), ToQt(text),
                  QMessageBox::Yes | QMessageBox::No, Parent());
  FitCaption(box);
  return box.exec() == QMessageBox::Yes;
}

std::string QtPrompts::AskText(const std::string& caption, const std::string& message,
                               const std::string& defaultText) {
  OkOnlyInputDialog dialog(Parent());
  dialog.setWindowTitle(QString::fromStdString(caption));
  dialog.setLabelText(ToQt(message));
  dialog.setTextValue(ToQt(defaultText));
  // The dialog's layout fixes its size from its contents: the field carries the width.
  if (auto* field = dialog.findChild<QLineEdit*>()) {
    const QMargins margins = dialog.layout() != nullptr ? dialog.layout()->contentsMargins() : QMargins();
    field->setMinimumWidth(CaptionRoom(dialog.windowTitle()) - margins.left() - margins.right());
  }
  dialog.exec();
  return FromQt(dialog.textValue());
}

std::string QtPrompts::ChooseOpenFile(const FileDialog& d) {
  QFileDialog dialog(Parent(), QString::fromStdString(d.title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return RunFileDialog(dialog, d);
}

std::string QtPrompts::ChooseSaveFile(const FileDialog& d) {
  QFileDialog dialog(Parent(), QString::fromStdString(d.title));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return RunFileDialog(dialog, d);
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
