#pragma once
// "Start": reads the recording from its sample data to its end, one sample
// at a time, through recognition into the decoder, until the end, "Stop", or
// a data mark lost for good.
#include <functional>

#include "app/run_view.h"
#include "app/session.h"
#include "app/user_prompts.h"
#include "engine/record_decoder.h"
#include "engine/sample_buffer.h"

namespace sonatap {

struct RunServices {
  RunView& view;
  UserPrompts& prompts;
  ProgressWindow& volumeProgress;  // the "Auto Volume" window
  DebuggerWindow& debugger;
  std::function<void(int slot)> fiadStored;
  DecoderEvents* observer = nullptr;  // told of each file's header and record verdicts
};

void RunConversion(Session& session, RunServices& services);

// The 1-based position of the "data" chunk id, searched from offset 35 to
// 999 (37 for a canonical header), or 36 when there is none.
int64_t FindDataChunk(SampleBuffer& samples);

// The 1-based offset of the first sample: just past the "data" chunk's id and length.
int64_t SampleDataStart(SampleBuffer& samples);

// "File Size": the length in Kb, rounded half up, shown in full even past
// what a 16-bit field would hold.
std::string FileSizeText(int64_t length);

}  // namespace sonatap
