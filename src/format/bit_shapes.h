#pragma once
#include <array>
#include <cstdint>

#include "format/tape_format.h"

namespace sonatap {

constexpr int kShapeLength = kCellSamples;  // samples of one bit cell as drawn and compared

// One 32-sample cell, indexed 1 to 32 (entry 0 unused). Values are unsigned
// 8-bit sound levels held wider so that scaling may leave 0..255.
using Shape = std::array<int16_t, kShapeLength + 1>;

// The four cells in use. A 0 bit is one half-wave over the whole cell, a 1
// bit a full wave; "High"/"Low" says on which side of the middle line the
// cell starts.
struct ShapeSet {
  Shape zeroHigh{};
  Shape zeroLow{};
  Shape oneHigh{};
  Shape oneLow{};
};

// The shapes in use: the set that synthesis writes and recognition compares
// against, and the end-of-cell reference of the detection.
struct Shapes {
  ShapeSet set;
  Shape reference{};
};

// Recognition method 1..6 ("Natural", "Sine", "Square", "Triangle 1",
// "Triangle 2", "DC Offset") picks the cells; 6 uses the "Natural" ones.
// Detection method 1..4 ("Natural", "Sine", "Square", "Triangle") picks the
// reference: the first row (the high 0 cell) of table 1..4.
void LoadShapeSet(Shapes& shapes, int recognitionMethod, int detectionMethod);

}  // namespace sonatap
