#include "gui/ui_support.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QRawFont>
#include <QScreen>

namespace sonatap::gui {

QFont FixedFont() {
  QFont font("Courier");
  font.setPointSize(8);
  font.setStyleHint(QFont::TypeWriter);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
  }
  return font;
}

void ApplyLook() {
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  // A little narrower, as the labels' fixed widths were measured with a narrow face.
  font.setStretch(QFont::SemiCondensed);
  QApplication::setFont(font);
  qApp->setStyleSheet("QCheckBox, QRadioButton { spacing: 3px; }");
}

QString ToQt(const std::string& text) { return QString::fromLatin1(text.data(), text.size()).replace("\r\n", "\n"); }

std::string FromQt(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), bytes.size());
}

namespace {

// Whether any installed font draws the control pictures (U+2400 onwards);
// without one they would show as nothing at all.
bool ControlPicturesDrawn() {
  static const bool drawn = [] {
    for (const QString& family : QFontDatabase::families()) {
      if (QRawFont::fromFont(QFont(family)).supportsCharacter(QChar(0x2407))) return true;
    }
    return false;
  }();
  return drawn;
}

}  // namespace

QString ShownEntryName(const std::string& name) {
  const QString exact = ToQt(name);
  QString shown;
  for (const QChar c : exact) {
    if (c.unicode() >= 0x20) {
      shown += c;
    } else if (ControlPicturesDrawn()) {
      shown += QChar(0x2400 + c.unicode());
    } else {
      shown += '^' + QChar('@' + c.unicode());  // caret notation: ^G for 0x07
    }
  }
  return shown;
}

void CentreOver(QWidget* window, const QWidget* over) {
  QRect area;
  if (over != nullptr && over->isVisible()) {
    area = over->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isNull()) return;
  const QSize size = window->size();
  window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

}  // namespace sonatap::gui
