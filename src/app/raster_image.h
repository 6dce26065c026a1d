#pragma once
// An off-screen RGB picture that the core draws into (the oscilloscope, the
// bit view); windows copy it to the screen. Drawing outside it is clipped.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sonatap {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

namespace colour {
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kLightBlue{130, 130, 255};
constexpr Rgb kYellow{255, 255, 0};
}  // namespace colour

class RasterImage {
 public:
  RasterImage(int width, int height) : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::vector<Rgb>& Pixels() const { return pixels_; }
  Rgb At(int x, int y) const { return Inside(x, y) ? pixels_[Index(x, y)] : Rgb{}; }

  void SetPixel(int x, int y, Rgb c) {
    if (Inside(x, y)) pixels_[Index(x, y)] = c;
  }
  // Both end points included.
  void VerticalLine(int x, int y0, int y1, Rgb c);
  void Line(int x0, int y0, int x1, int y1, Rgb c);
  void FillBox(int x, int y, int width, int height, Rgb c);
  // Decimal digits in a 5 x 7 pixel font, top left at (x, y), on a
  // transparent background; other characters advance without drawing.
  void DrawDigits(int x, int y, const std::string& text, Rgb c);

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
  int width_, height_;
  std::vector<Rgb> pixels_;
};

}  // namespace sonatap
