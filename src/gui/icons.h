#pragma once
// The pictures of the main window's four image buttons and the program icon,
// built into the program.
#include <QIcon>
#include <QPixmap>

namespace sonatap::gui {

QPixmap SaveFiadPicture();     // 14 x 14: a floppy disk
QPixmap DeleteFiadPicture();   // 14 x 14: a red cross
QPixmap ViewBasicPicture();    // 14 x 14: a page of text
QPixmap ClearDisplayPicture(); // 8 x 10: a brush
QIcon ProgramIcon();

}  // namespace sonatap::gui
