#pragma once
// "Sonatap - Debug - Bit Recognition": the sound of one debug row's record
// around one bit cell, with the controls that set, rescan and move bits.
#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "app/bit_view_logic.h"
#include "gui/raster_view.h"
#include "app/user_prompts.h"
#include "app/session.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace sonatap::gui {

// The small pictures of the view's buttons: a 0-bit or 1-bit cell (37 x 20),
// starting upward (`high`) or downward, and the two arrows (14 x 13).
QPixmap BitCellPicture(bool one, bool high);
QPixmap ArrowPicture(bool left);

class BitViewDialog final : public QDialog {
 public:
  // The view of store row `row` (1 to 256), centred over `parent`.
  BitViewDialog(Session& session, UserPrompts& prompts, int row, QWidget* parent);
  // Marks the row "Unknown", opens the recording and finds the cells; false
  // (after telling the user) when the recording cannot be read. Run() does
  // this itself.
  bool Open();
  // Opens, then shows the view modally until "OK" or the close box.
  void Run();

 private:
  void AfterEvent();  // follows the slider, then shows the picture and texts
  void Render();

  UserPrompts& prompts_;
  BitViewLogic logic_;
  bool opened_ = false;
  bool rendering_ = false;
  RasterView* picture_;
  QScrollBar* slider_;
  QCheckBox *all_, *findEnd_;
  QLabel *bitInfo_, *copiesInfo_;
};

}  // namespace sonatap::gui
