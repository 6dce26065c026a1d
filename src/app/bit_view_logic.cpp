#include "app/bit_view_logic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/adaptive_cells.h"
#include "engine/cell_rules.h"
#include "engine/input_file.h"
#include "engine/volume_levels.h"

namespace sonatap {
namespace {

constexpr Rgb kGrey{50, 50, 50};
constexpr Rgb kByteStart{100, 75, 50};
constexpr Rgb kCellStart{30, 70, 30};
constexpr Rgb kDigit{200, 200, 30};
constexpr Rgb kCurrentCell{120, 255, 120};
// The Adaptive method learns the cell length from a run of whole cells: the
// eight zero bytes and the data mark before a record, read before its first cell.
constexpr int64_t kAdaptiveLeadIn = 9 * 8 * kShapeLength + 8 * kShapeLength;

std::string Hex2(int value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

}  // namespace

BitViewLogic::BitViewLogic(Session& session, int row) : s_(session), row_(std::clamp(row, 1, DebugStore::kRows)) {}

BitViewLogic::~BitViewLogic() {
  if (!open_) return;
  // The recognition state borrowed for the search is left at zero.
  s_.conversion.cellCount = 0;
  s_.conversion.sample = 0;
  s_.display.gfxX = 0;
  s_.decoder.byteIndex = 0;
  s_.decoder.positionInBlock = 0;
}

bool BitViewLogic::Open(UserPrompts& prompts) {
  s_.debug.rows[row_].status = RecordStatus::Unknown;
  positions_.fill(0);
  if (!samples_.Open(s_.conversion.wavPath)) {
    prompts.ShowMessage("File Error", kAccessErrorText);
    return false;
  }
  open_ = true;
  // Before any run the nominal cell length is still unset.
  if (s_.conversion.cellLength == 0) s_.conversion.cellLength = kCellLengthAtStart;
  FindCells(1, true);
  currentBit_ = 1;
  Redraw();
  return true;
}

int BitViewLogic::ByteAt(int64_t offset) {
  if (offset < 0 || offset >= samples_.Length()) return -1;
  samples_.Seek(offset);
  return samples_.ReadNext();
}

// The conversion run's boundary rules, without waiting for the signal to
// start and without classifying: only where each cell begins is noted.
void BitViewLogic::FindCells(int from, bool opening) {
  ConversionState& c = s_.conversion;
  const TuningSettings& t = s_.tuning;
  int k = from;
  if (k == 1 && opening) positions_[1] = s_.debug.rows[row_].filePos;
  if (t.RecognitionMethod == kAdaptiveMethod) return FindAdaptiveCells(k);
  samples_.Seek(positions_[k]);
  c.cellCount = 1;
  const CellLimits limits = CellLimits::From(t);
  auto endCell = [&] {
    if (k > kBits) return;
    positions_[++k] = samples_.Position();
    c.cellCount = 1;
  };
  // Unlike a run, the cells are found from the first sample on.
  while (!samples_.AtEnd() && k <= kBits) {
    c.sample = samples_.ReadNext() + t.DcLevel - kMiddleLevel;
    if (t.RecognitionMethod < kCrossingMethod) {
      TemplateStep(c, limits, s_.shapes.reference, t.Threshold, true, [&](bool) {
        endCell();
        return false;
      });
    } else {
      CrossingStep(c, t.DcLevel, t.Threshold, true, [&](bool) { endCell(); });
    }
  }
}

// Where the Adaptive method ends each cell from cell `k` on, reading from
// before the record; the changes it finds before cell k's start, or a sample
// or two after it (where a run found the one that starts it), are passed.
// A dropout's cells, which a run counts all at once, are spread a cell apart.
void BitViewLogic::FindAdaptiveCells(int k) {
  AdaptiveCells cells;
  samples_.Seek(std::max<int64_t>(0, positions_[1] - kAdaptiveLeadIn));
  while (!samples_.AtEnd() && k <= kBits) {
    const uint8_t sample = samples_.ReadNext();
    size_t used = 0;
    const AdaptiveCells::Event event = cells.Process({&sample, 1}, used);
    const int64_t end = samples_.Position();
    if (event == AdaptiveCells::Event::None || end <= positions_[k] + cells.CellLength() / 4) continue;
    const int count = event == AdaptiveCells::Event::Gap        ? cells.GapCells()
                      : event == AdaptiveCells::Event::TwoZeros ? 2
                                                                : 1;
    for (int i = count - 1; i >= 0 && k <= kBits; --i)
      positions_[++k] = end - std::lround(i * cells.CellLength());
  }
}

int BitViewLogic::StoredBit(int bit) const {
  const int byte = (bit + 7) / 8;
  return (s_.debug.rows[row_].data[byte] >> (7 - (bit - 1) % 8)) & 1;
}

void BitViewLogic::Recognise(int bit) {
  ConversionState& c = s_.conversion;
  c.cellBuffer.fill(0);
  const int64_t start = positions_[bit];
  const int64_t length = positions_[bit + 1] - start;
  // A cell of no samples, or one too long for the buffer (a boundary moved
  // far, or the end of the file), gives no reading: the bit stays as it is.
  if (length < 1 || length > 64) return;
  const int n = static_cast<int>(length);
  c.cellCount = n;
  for (int j = 1; j <= n; ++j) c.cellBuffer[j] = static_cast<int16_t>(std::max(0, ByteAt(start + j - 1)));
  const int before = std::max(0, ByteAt(start - 3));
  LoadShapeSet(s_.shapes, s_.tuning.RecognitionMethod, s_.tuning.DetectionMethod);
  ScaleShapesToVolume(s_.shapes, s_.tuning);
  // The cell is compared as the bytes are in the file (no DC level applied),
  // with the byte three samples before it as the level before. A tie decides
  // nothing, so nothing is written.
  CellDistances distances;
  const int digit = CompareCell(s_.shapes.set, c.cellBuffer, n, before, false, distances);
  if (digit >= 0) s_.debug.SetBit(row_, bit, digit == 1);
}

void BitViewLogic::ShowBit(int bit) {
  bit = std::clamp(bit, 1, kBits);
  if (bit == currentBit_) return;
  currentBit_ = bit;
  Redraw();
}

void BitViewLogic::SetCurrentBit(bool one) {
  s_.debug.SetBit(row_, currentBit_, one);
  Redraw();
}

void BitViewLogic::MoveBoundary(int delta, bool findEnd) {
  positions_[currentBit_] += delta;
  if (findEnd) FindCells(currentBit_, false);
  Redraw();
}

void BitViewLogic::Scan(bool all) {
  if (!all) {
    Recognise(currentBit_);
    Redraw();
    return;
  }
  for (int bit = 1; bit <= kBits; ++bit) {
    currentBit_ = bit;
    Recognise(bit);
    Redraw();
  }
}

void BitViewLogic::Redraw() {
  RasterImage& p = picture_;
  p.FillBox(0, 0, kPictureWidth, kPictureHeight, colour::kBlack);
  const int64_t current = positions_[currentBit_];
  const int64_t before = current - positions_[1];
  if (before < kCurrentX) p.FillBox(0, 0, static_cast<int>(kCurrentX - before), kPictureHeight, kGrey);
  const int64_t after = positions_[kBits + 1] - current;
  if (after < kCurrentX) {
    const int64_t x = kCurrentX + std::max<int64_t>(after, -kPictureWidth);
    p.FillBox(static_cast<int>(x), 0, static_cast<int>(kPictureWidth + 30 - x), kPictureHeight, kGrey);
  }
  const int dc = s_.tuning.DcLevel;
  p.Line(0, 128, 387, 132, colour::kGreen);
  p.Line(0, dc, 387, dc + 4, colour::kYellow);

  int previous = -1;
  for (int x = 1; x <= kPictureWidth; ++x) {
    const int64_t offset = current - kCurrentX + x;
    // Before the start of the file (or past its end) there is no sound to draw.
    const int value = ByteAt(offset);
    if (value >= 0) {
      if (previous < 0) p.SetPixel(x, value, colour::kWhite);
      else p.Line(x - 1, previous, x, value, colour::kWhite);
    }
    previous = value;
    for (int k = 1; k <= kBits + 1; ++k) {
      if (positions_[k] != offset) continue;
      p.VerticalLine(x, 0, 254, k % 8 == 1 ? kByteStart : kCellStart);
      if (k <= kBits && x < 360) p.DrawDigits(x + 8, 226, std::to_string(StoredBit(k)), kDigit);
    }
    if (offset == current || offset == positions_[currentBit_ + 1]) p.VerticalLine(x, 0, 254, kCurrentCell);
  }

  const int byte = (currentBit_ + 7) / 8;
  bitInfo_ = "Rec:" + std::to_string(row_) + "  Bit:" + std::to_string(currentBit_) + "  Byte:" +
             std::to_string(byte) + "  Val:" + Hex2(s_.debug.rows[row_].data[byte]);
  // The last rows' copies lie beyond what the tape byte stream holds.
  auto copy = [&](int entry) {
    return entry < kTapeByteStreamEntries ? Hex2(s_.decoder.tapeByteStream[entry]) : std::string("--");
  };
  const int base = (row_ - 1) * kRawBlockEntries;
  copiesInfo_ = "Copies:" + copy(base + 4 + byte) + " , " + copy(base + 70 + byte);
}

}  // namespace sonatap
