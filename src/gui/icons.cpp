#include "gui/icons.h"

#include <QPainter>

namespace sonatap::gui {
namespace {

// 16-colour pictures, one character per pixel.
const char* const kSaveFiad[] = {
    "14 14 5 1",      "  c None",       ". c #000000",    "b c #0000A0",    "w c #FFFFFF",
    "g c #C0C0C0",    "..............", ".bb.wwwwww.bb.", ".bb.wwwwww.bb.", ".bb.wwwwww.bb.",
    ".bb.wwwwww.bb.", ".bb........bb.", ".bbbbbbbbbbbb.", ".bbbbbbbbbbbb.", ".bb.gggggg.bb.",
    ".bb.g..ggg.bb.", ".bb.g..ggg.bb.", ".bb.g..ggg.bb.", ".bb.gggggg.bb.", "..............",
};

const char* const kDeleteFiad[] = {
    "14 14 2 1",      "  c None",       "r c #C00000",    "rr          rr", "rrr        rrr",
    " rrr      rrr ", "  rrr    rrr  ", "   rrr  rrr   ", "    rrrrrr    ", "     rrrr     ",
    "     rrrr     ", "    rrrrrr    ", "   rrr  rrr   ", "  rrr    rrr  ", " rrr      rrr ",
    "rrr        rrr", "rr          rr",
};

const char* const kViewBasic[] = {
    "14 14 4 1",      "  c None",       ". c #000000",    "w c #FFFFFF",    "b c #000080",
    "  ........    ", "  .wwwwww..   ", "  .wwwwww.w.  ", "  .wbbbbw.... ", "  .wwwwwwwww. ",
    "  .wbbbbbbbw. ", "  .wwwwwwwww. ", "  .wbbbbbbbw. ", "  .wwwwwwwww. ", "  .wbbbbbwww. ",
    "  .wwwwwwwww. ", "  .wbbbbbbbw. ", "  .wwwwwwwww. ", "  ........... ",
};

const char* const kClearDisplay[] = {
    "8 10 3 1", "  c None", ". c #000000", "y c #E0C000", "   ..   ", "   ..   ", "   ..   ",
    "   ..   ", " ...... ", ".yyyyyy.", ".yyyyyy.", ".y.y.y..", ".y.y.y..", "........",
};

}  // namespace

QPixmap SaveFiadPicture() { return QPixmap(kSaveFiad); }
QPixmap DeleteFiadPicture() { return QPixmap(kDeleteFiad); }
QPixmap ViewBasicPicture() { return QPixmap(kViewBasic); }
QPixmap ClearDisplayPicture() { return QPixmap(kClearDisplay); }

QIcon ProgramIcon() {
  // A cassette: the same picture as the installed icon, drawn small.
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(40, 40, 40));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(2, 6, 28, 20, 3, 3);
  p.setBrush(QColor(230, 200, 80));
  p.drawRect(6, 9, 20, 9);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(11, 13.5), 3, 3);
  p.drawEllipse(QPointF(21, 13.5), 3, 3);
  p.end();
  return QIcon(picture);
}

}  // namespace sonatap::gui
