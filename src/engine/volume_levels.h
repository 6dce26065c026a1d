#pragma once
#include "app/user_prompts.h"
#include "engine/sample_buffer.h"
#include "app/session.h"

namespace sonatap {

// With "Auto" on (and a template method), sets both volume levels to the
// average peaks of the recording's 100-sample blocks, relative to 96. The
// first and last 1000 bytes of the sample data are left out.
void MeasureAutoVolume(Session& session, SampleBuffer& samples, ProgressWindow& progress);

// Scales the four cells and the reference to the volume levels, in place.
void ScaleShapesToVolume(Session& session);

}  // namespace sonatap
