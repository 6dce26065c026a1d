#include "app/raster_image.h"

#include <algorithm>
#include <cstdlib>

namespace sonatap {

void RasterImage::VerticalLine(int x, int y0, int y1, Rgb c) {
  if (x < 0 || x >= width_) return;
  const int top = std::max(0, std::min(y0, y1));
  const int bottom = std::min(height_ - 1, std::max(y0, y1));
  for (int y = top; y <= bottom; ++y) pixels_[Index(x, y)] = c;
}

// Bresenham, so that traces are the same on every platform.
void RasterImage::Line(int x0, int y0, int x1, int y1, Rgb c) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  for (;;) {
    SetPixel(x0, y0, c);
    if (x0 == x1 && y0 == y1) return;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y0 += sy;
    }
  }
}

void RasterImage::FillBox(int x, int y, int width, int height, Rgb c) {
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(width_, x + width), y1 = std::min(height_, y + height);
  for (int yy = y0; yy < y1; ++yy) {
    for (int xx = x0; xx < x1; ++xx) pixels_[Index(xx, yy)] = c;
  }
}

// Rows top to bottom, bit 4 the leftmost column.
constexpr uint8_t kDigitFont[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

void RasterImage::DrawDigits(int x, int y, const std::string& text, Rgb c) {
  for (char ch : text) {
    if (ch >= '0' && ch <= '9') {
      for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 5; ++col) {
          if (kDigitFont[ch - '0'][row] & (0x10 >> col)) SetPixel(x + col, y + row, c);
        }
      }
    }
    x += 6;
  }
}

}  // namespace sonatap
