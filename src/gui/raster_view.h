#pragma once
// Shows an off-screen picture of the core (the oscilloscope, the bit view)
// as the core last drew it.
#include <QImage>
#include <QWidget>

#include "app/raster_image.h"

namespace sonatap::gui {

class RasterView : public QWidget {
 public:
  RasterView(QWidget* parent, QSize size, Qt::WindowFlags flags = {});
  void Show(const RasterImage& picture);
  const QImage& Picture() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace sonatap::gui
