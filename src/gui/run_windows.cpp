#include "gui/run_windows.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <cstring>

#include "app/run_display.h"

namespace sonatap::gui {
namespace {

// Captioned, without a close box: the run opens and closes them as the
// "Status" and "Monitor" boxes say.
constexpr Qt::WindowFlags kRunWindow = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

QLineEdit* Field(QWidget* parent, QRect place, const char* name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setGeometry(place);
  field->setReadOnly(true);
  field->setFocusPolicy(Qt::NoFocus);
  return field;
}

QLabel* Label(QWidget* parent, const char* text, QRect place, Qt::Alignment align = Qt::AlignLeft) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
  label->setAlignment(align | Qt::AlignVCenter);
  return label;
}

}  // namespace

StatusWindow::StatusWindow(QWidget* parent) : QWidget(parent, kRunWindow) {
  setWindowTitle("Sonatap - Status");
  setFixedSize(168, 150);
  setAttribute(Qt::WA_ShowWithoutActivating);
  (new QGroupBox("Wav", this))->setGeometry(10, 0, 150, 68);
  Label(this, "File Size", {15, 20, 50, 15}, Qt::AlignRight);
  fileSize_ = Field(this, {75, 15, 75, 20}, "FileSize");
  Label(this, "Wav Pos", {15, 45, 50, 15}, Qt::AlignRight);
  wavPos_ = Field(this, {75, 40, 75, 20}, "WavPos");
  (new QGroupBox("FIAD", this))->setGeometry(10, 75, 150, 70);
  Label(this, "Byte", {20, 95, 45, 15});
  byteIndex_ = Field(this, {75, 90, 40, 20}, "ByteIndex");
  byteValue_ = Field(this, {120, 90, 30, 20}, "ByteValue");
  Label(this, "Record", {20, 120, 45, 15});
  recordNumber_ = Field(this, {75, 115, 25, 20}, "RecordNumber");
  Label(this, "of", {100, 120, 15, 15});
  recordCount_ = Field(this, {125, 115, 25, 20}, "RecordCount");
}

void StatusWindow::Fill(const StatusFields& f) {
  auto set = [](QLineEdit* field, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (field->text() != value) field->setText(value);
  };
  set(fileSize_, f.fileSize);
  set(wavPos_, f.wavPos);
  set(byteIndex_, f.byteIndex);
  set(byteValue_, f.byteValue);
  set(recordNumber_, f.recordNumber);
  set(recordCount_, f.recordCount);
}

void StatusWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (closedByUser) closedByUser();
}

GfxWindow::GfxWindow(QWidget* parent) : RasterView(parent, {kGfxWidth, kGfxHeight}, kRunWindow) {
  setWindowTitle("Sonatap - GFX Output");
  setAttribute(Qt::WA_ShowWithoutActivating);
}

void GfxWindow::closeEvent(QCloseEvent* event) {
  RasterView::closeEvent(event);
  if (closedByUser) closedByUser();
}

}  // namespace sonatap::gui
