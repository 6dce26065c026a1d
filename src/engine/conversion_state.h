#pragma once
// The recognition side of a conversion run, program-wide.
#include <array>
#include <cstdint>
#include <string>

#include "app/raster_image.h"
#include "app/run_view.h"

namespace sonatap {

constexpr int kUiRefreshInterval = 701;  // samples between refreshes of the windows
constexpr int kGfxWidth = 320;
constexpr int kGfxHeight = 256;

struct ConversionState {
  std::string wavPath;          // the recording accepted by Open
  int64_t dataStart = 0;        // 1-based position of the "data" id, plus 10
  int sample = 0;               // byte read + DcLevel - 128
  bool signalStarted = false;
  int cellLength = 0;           // nominal cell length; the per-file reset sets 33
  int cellCount = 0;            // next CellBuffer entry to write, from 1
  std::array<int16_t, 65> cellBuffer{};  // entries 1.. of the current cell
  int endMatch = 0;
  int previousSample = 0;       // crossing method
  bool midCrossing = false;
  int32_t lastLevel = 0;        // CellBuffer[CellCount-2] at the last template compare
  int distZeroHigh = 0, distZeroLow = 0, distOneHigh = 0, distOneLow = 0;
  int uiCounter = 0;            // kept from one run to the next
  bool statusOpen = false, gfxOpen = false;
  int gfxX = 0, gfxPrevX = 0, gfxPrevY = 128;

  StatusFields status;                           // what the Status window shows
  RasterImage gfx{kGfxWidth, kGfxHeight};        // the oscilloscope, drawn off-screen
};

}  // namespace sonatap
