#pragma once
#include "engine/progress.h"
#include "engine/sample_buffer.h"
#include "engine/tuning_settings.h"
#include "format/bit_shapes.h"

namespace sonatap {

// With "Auto" on (and a template method), sets both volume levels to the
// average peaks of the recording's 100-sample blocks, relative to 96. The
// first and last 1000 bytes of the sample data (from `dataStart`, 1-based)
// are left out. False when the recording is too short to measure: the
// levels stay as they were.
bool MeasureAutoVolume(TuningSettings& t, SampleBuffer& samples, int64_t dataStart, ProgressWindow& progress);
// Whether a run with tuning `t` measures the volume first (a pass over the
// whole recording): the template methods with Auto Volume ticked.
bool MeasuresAutoVolume(const TuningSettings& t);

// Scales the four cells and the reference to the volume levels, in place.
void ScaleShapesToVolume(Shapes& shapes, const TuningSettings& t);

}  // namespace sonatap
