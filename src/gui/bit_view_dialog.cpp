#include "gui/bit_view_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>
#include <cstring>
#include <numbers>

#include "gui/ui_support.h"

namespace sonatap::gui {
namespace {

constexpr int kCellWidth = 37, kCellHeight = 20;
constexpr int kArrowWidth = 14, kArrowHeight = 13;

QPushButton* Button(QWidget* parent, QRect place, const char* tip) {
  auto* button = new QPushButton(parent);
  button->setGeometry(place);
  button->setToolTip(tip);
  button->setAutoDefault(false);
  return button;
}

QPushButton* PictureButton(QWidget* parent, const QPixmap& picture, QRect place, const char* tip, const char* name) {
  QPushButton* button = Button(parent, place, tip);
  button->setObjectName(name);
  button->setIcon(QIcon(picture));
  button->setIconSize(picture.size());
  return button;
}

void Group(QWidget* parent, const char* title, QRect place) {
  auto* group = new QGroupBox(title, parent);
  group->setGeometry(place);
  group->lower();  // the buttons inside are the window's own, drawn over it
}

QLabel* SunkenText(QWidget* parent, QRect place, const char* name) {
  auto* label = new QLabel("Wait", parent);
  label->setTextFormat(Qt::PlainText);
  label->setObjectName(name);
  label->setGeometry(place);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

}  // namespace

QPixmap BitCellPicture(bool one, bool high) {
  QPixmap picture(kCellWidth, kCellHeight);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  const int mid = kCellHeight / 2;
  painter.setPen(QColor(128, 128, 128));
  painter.drawLine(1, mid, kCellWidth - 2, mid);
  // A 0 is one half-wave over the whole cell, a 1 two opposite half-waves.
  const double amplitude = (high ? -1.0 : 1.0) * (mid - 2);
  const double waves = one ? 2.0 : 1.0;
  QPainterPath trace;
  constexpr int left = 2, right = kCellWidth - 3;
  for (int x = left; x <= right; ++x) {
    const double t = static_cast<double>(x - left) / (right - left);
    const QPointF point(x, mid + amplitude * std::sin(waves * std::numbers::pi * t));
    if (x == left) trace.moveTo(point);
    else trace.lineTo(point);
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(QColor(0, 0, 128), 1));
  painter.drawPath(trace);
  return picture;
}

QPixmap ArrowPicture(bool left) {
  QPixmap picture(kArrowWidth, kArrowHeight);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::black);
  const int tip = left ? 3 : kArrowWidth - 4, back = left ? kArrowWidth - 5 : 4;
  const QPoint triangle[] = {{tip, kArrowHeight / 2}, {back, 2}, {back, kArrowHeight - 3}};
  painter.drawPolygon(triangle, 3);
  return picture;
}

BitViewDialog::BitViewDialog(Session& session, UserPrompts& prompts, int row, QWidget* parent)
    : QDialog(parent), prompts_(prompts), logic_(session, row) {
  setWindowTitle("Sonatap - Debug - Bit Recognition");
  setFixedSize(470, 320);

  auto* frame = new QFrame(this);
  frame->setGeometry(10, 3, 380, 259);
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  picture_ = new RasterView(this, {BitViewLogic::kPictureWidth, BitViewLogic::kPictureHeight});
  picture_->setObjectName("BitPicture");
  picture_->move(12, 4);

  slider_ = new QScrollBar(Qt::Horizontal, this);
  slider_->setObjectName("BitSlider");
  slider_->setGeometry(10, 265, 380, 16);
  slider_->setRange(1, BitViewLogic::kBits);
  slider_->setPageStep(1);
  slider_->setSingleStep(1);
  slider_->setToolTip("Slide to view different bits within Wavefile.");

  auto* heading = new QLabel("Bit Selection", this);
  heading->setGeometry(400, 6, 60, 20);
  heading->setAlignment(Qt::AlignCenter);
  Group(this, "Bit 0", {405, 24, 53, 72});
  QPushButton* zeroHigh = PictureButton(this, BitCellPicture(false, true), {410, 39, 42, 24},
                                        "Change Current Bit to 0.", "ZeroHigh");
  QPushButton* zeroLow = PictureButton(this, BitCellPicture(false, false), {410, 65, 42, 24},
                                       "Change Current Bit to 0.", "ZeroLow");
  Group(this, "Bit 1", {405, 97, 53, 72});
  QPushButton* oneHigh = PictureButton(this, BitCellPicture(true, true), {410, 112, 42, 24},
                                       "Change Current Bit to 1.", "OneHigh");
  QPushButton* oneLow = PictureButton(this, BitCellPicture(true, false), {410, 138, 42, 24},
                                      "Change Current Bit to 1.", "OneLow");
  Group(this, "Auto", {405, 170, 53, 72});
  QPushButton* scan = Button(this, {410, 185, 42, 22}, "Attempt Automatic Recognition.");
  scan->setText("Scan");
  all_ = new QCheckBox("All", this);
  all_->setGeometry(415, 210, 37, 22);
  all_->setToolTip("Rescan all bits in record.");

  QPushButton* left = PictureButton(this, ArrowPicture(true), {270, 290, 17, 17},
                                    "Adjust detected bit position to Left (-).", "Left");
  QPushButton* right = PictureButton(this, ArrowPicture(false), {290, 290, 17, 17},
                                     "Adjust detected bit position to Right (+).", "Right");
  findEnd_ = new QCheckBox("Find End", this);
  findEnd_->setGeometry(315, 287, 60, 22);
  bitInfo_ = SunkenText(this, {10, 290, 170, 18}, "BitInfo");
  copiesInfo_ = SunkenText(this, {185, 290, 80, 18}, "CopiesInfo");
  QPushButton* ok = Button(this, {404, 284, 55, 25}, "Return to Debug.");
  ok->setText("OK");

  auto setBit = [this](bool one) {
    logic_.SetCurrentBit(one);
    AfterEvent();
  };
  connect(zeroHigh, &QPushButton::clicked, this, [setBit] { setBit(false); });
  connect(zeroLow, &QPushButton::clicked, this, [setBit] { setBit(false); });
  connect(oneHigh, &QPushButton::clicked, this, [setBit] { setBit(true); });
  connect(oneLow, &QPushButton::clicked, this, [setBit] { setBit(true); });
  auto move = [this](int delta) {
    logic_.MoveBoundary(delta, findEnd_->isChecked());
    AfterEvent();
  };
  connect(left, &QPushButton::clicked, this, [move] { move(-1); });
  connect(right, &QPushButton::clicked, this, [move] { move(+1); });
  connect(scan, &QPushButton::clicked, this, [this] {
    const bool all = all_->isChecked();
    logic_.Scan(all);
    if (all) {
      const QSignalBlocker block(slider_);
      slider_->setValue(logic_.CurrentBit());
      all_->setChecked(false);
    }
    AfterEvent();
  });
  connect(slider_, &QScrollBar::valueChanged, this, [this] {
    if (!rendering_) AfterEvent();
  });
  connect(all_, &QCheckBox::clicked, this, [this] { AfterEvent(); });
  connect(findEnd_, &QCheckBox::clicked, this, [this] { AfterEvent(); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  CentreOver(this, parent);
}

bool BitViewDialog::Open() {
  if (!opened_) {
    if (!logic_.Open(prompts_)) return false;
    opened_ = true;
  }
  Render();
  return true;
}

void BitViewDialog::Run() {
  if (!Open()) return;
  exec();
}

void BitViewDialog::AfterEvent() {
  if (!opened_) return;
  if (slider_->value() != logic_.CurrentBit()) logic_.ShowBit(slider_->value());
  Render();
}

void BitViewDialog::Render() {
  rendering_ = true;
  if (slider_->value() != logic_.CurrentBit()) slider_->setValue(logic_.CurrentBit());
  picture_->Show(logic_.Picture());
  bitInfo_->setText(QString::fromStdString(logic_.BitInfo()));
  copiesInfo_->setText(QString::fromStdString(logic_.CopiesInfo()));
  rendering_ = false;
}

}  // namespace sonatap::gui
