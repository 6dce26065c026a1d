#include "gui/raster_view.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace sonatap::gui {

RasterView::RasterView(QWidget* parent, QSize size, Qt::WindowFlags flags)
    : QWidget(parent, flags), image_(size, QImage::Format_RGB888) {
  setFixedSize(size);
  setAttribute(Qt::WA_OpaquePaintEvent);
  image_.fill(Qt::black);
}

void RasterView::Show(const RasterImage& picture) {
  static_assert(sizeof(Rgb) == 3, "pixels are copied row by row as RGB888");
  const int width = std::min(picture.Width(), image_.width());
  const int height = std::min(picture.Height(), image_.height());
  for (int y = 0; y < height; ++y)
    std::memcpy(image_.scanLine(y), picture.Pixels().data() + static_cast<size_t>(y) * picture.Width(),
                static_cast<size_t>(width) * 3);
  update();
}

void RasterView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

}  // namespace sonatap::gui
