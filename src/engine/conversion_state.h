#pragma once
// The recognition side of a conversion run, program-wide.
#include <array>
#include <cstdint>
#include <string>

namespace sonatap {

class GrowingFile;

// Entries 1..64 of the cell being read (entry 0 unused).
using CellBuffer = std::array<int16_t, 65>;

struct ConversionState {
  std::string wavPath;          // the recording accepted by Open
  GrowingFile* growing = nullptr;  // set while that file is still being written (see growing_file.h)
  int64_t dataStart = 0;        // 1-based position of the "data" id, plus 10
  int sample = 0;               // byte read + DcLevel - 128
  bool signalStarted = false;
  int cellLength = 0;           // nominal cell length; the per-file reset sets 33
  int cellCount = 0;            // next CellBuffer entry to write, from 1
  CellBuffer cellBuffer{};
  int endMatch = 0;
  int previousSample = 0;       // crossing method
  bool midCrossing = false;
  int32_t lastLevel = 0;        // CellBuffer[CellCount-2] at the last template compare
  int distZeroHigh = 0, distZeroLow = 0, distOneHigh = 0, distOneLow = 0;
};

}  // namespace sonatap
