#pragma once
// Small helpers shared by the program's windows.
#include <QFont>
#include <QString>
#include <QWidget>
#include <string>

namespace sonatap::gui {

// "Courier" at 8 points, or the system's fixed font at 8 points where Courier is missing.
QFont FixedFont();

// The program's look: 8-point text, as the windows' fixed layouts expect.
void ApplyLook();

// Texts of the core use CR LF line ends; Qt's text widgets want LF.
QString ToQt(const std::string& text);
std::string FromQt(const QString& text);

// A FIAD list entry as shown: control characters (a TIFILES name's leading
// 0x07) as their Unicode pictures (U+2400 onwards, "\u2407" for 0x07), or in
// caret notation ("^G") where no installed font draws those.
QString ShownEntryName(const std::string& name);

// A window the user leaves only through its buttons: a caption, no close box.
constexpr Qt::WindowFlags kCaptionOnly = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

// Places `window` (of the given outer size hint) centred over `over`, or on the screen.
void CentreOver(QWidget* window, const QWidget* over);

}  // namespace sonatap::gui
