#pragma once
// The two optional windows of a conversion run.
#include <QImage>
#include <QWidget>
#include <functional>

#include "gui/raster_view.h"
#include "app/run_view.h"

class QLineEdit;

namespace sonatap::gui {

// "Sonatap - Status": the recording's size and position, the byte and record
// being decoded.
class StatusWindow final : public QWidget {
 public:
  explicit StatusWindow(QWidget* parent);
  void Fill(const StatusFields& fields);
  // Told when the window manager's close box closes the window.
  std::function<void()> closedByUser;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLineEdit *fileSize_, *wavPos_, *byteIndex_, *byteValue_, *recordNumber_, *recordCount_;
};

// "Sonatap - GFX Output": the oscilloscope picture drawn by the run.
class GfxWindow final : public RasterView {
 public:
  explicit GfxWindow(QWidget* parent);
  std::function<void()> closedByUser;  // as StatusWindow's

 protected:
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace sonatap::gui
