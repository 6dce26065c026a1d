#pragma once
#include <cstdint>

#include "format/tape_format.h"

namespace sonatap {

constexpr int kCrossingMethod = 6;  // "DC Offset"
constexpr int kAdaptiveMethod = 7;

// The user's recognition parameters, with the values every program run starts from.
struct TuningSettings {
  int Threshold = 3;          // samples a cell may be shorter or longer than CellLength (0..6)
  int Tolerance = 90;         // end-of-cell match tolerance (40..600)
  int RecognitionMethod = 1;  // 1..5 template shapes, 6 "DC Offset" crossing method
  int DetectionMethod = 1;    // 1..4 end-of-cell reference
  int SkipTime = 4;           // seconds skipped after each per-file reset (0..20)
  int DcLevel = kMiddleLevel; // middle line of the signal (20..230)
  float VolumePlus = 0.9f;    // positive half-wave level, fraction of full scale
  float VolumeMinus = -0.9f;  // negative half-wave level, never positive
  bool AutoVolume = true;     // measure both levels before each run
};

// x + 0.5 truncated toward zero, kept in 16 bits: half up for positive x,
// but -2.5 gives -2 and a negative whole number -n gives -n + 1.
int16_t RoundHalfUp(float x);

}  // namespace sonatap
