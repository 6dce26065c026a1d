#pragma once
// The manual bit recognition view of one debug row: finds the record's 512
// bit cells in the recording, draws the sound around one bit with the cell
// boundaries and the stored bits, and lets the user move a boundary, set a
// bit by hand, or recognise bits again. Every decision goes straight into
// the row's bytes. Samples are read from the file by offset each time.
#include <array>
#include <cstdint>
#include <string>

#include "app/raster_image.h"
#include "app/user_prompts.h"
#include "engine/sample_buffer.h"
#include "app/session.h"

namespace sonatap {

class BitViewLogic {
 public:
  static constexpr int kBits = 512;
  static constexpr int kPictureWidth = 376;
  static constexpr int kPictureHeight = 256;
  static constexpr int kCurrentX = 170;  // where the current bit starts in the picture

  BitViewLogic(Session& session, int row);
  ~BitViewLogic();

  // Marks the row "Unknown", opens the recording and finds the cells; false
  // (after telling the user) when the recording cannot be opened.
  bool Open(UserPrompts& prompts);

  int CurrentBit() const { return currentBit_; }
  void ShowBit(int bit);                   // the slider
  void SetCurrentBit(bool one);            // "Bit 0" / "Bit 1"
  void MoveBoundary(int delta, bool findEnd);  // left (-1) / right (+1)
  void Scan(bool all);                     // "Scan", with or without "All"
  int64_t BitPosition(int k) const { return positions_[k]; }

  const RasterImage& Picture() const { return picture_; }
  const std::string& BitInfo() const { return bitInfo_; }
  const std::string& CopiesInfo() const { return copiesInfo_; }

 private:
  void FindCells(int from, bool opening);
  void FindAdaptiveCells(int from);
  void Recognise(int bit);
  void Redraw();
  int ByteAt(int64_t offset);  // -1 outside the file
  int StoredBit(int bit) const;

  Session& s_;
  int row_;
  SampleBuffer samples_;
  bool open_ = false;
  std::array<int64_t, kBits + 2> positions_{};  // 1..513: where cells begin; 513 ends cell 512
  int currentBit_ = 1;
  RasterImage picture_{kPictureWidth, kPictureHeight};
  std::string bitInfo_ = "Wait", copiesInfo_ = "Wait";
};

}  // namespace sonatap
