#pragma once
// Everything a program run keeps, from start-up to exit. Nothing of it is
// saved: every run starts from these values.
#include <memory>
#include <optional>
#include <string>

#include "app/debug_store.h"
#include "app/fiad_list.h"
#include "app/monitor_log.h"
#include "app/run_display.h"
#include "engine/conditioner.h"
#include "engine/conversion_state.h"
#include "engine/decoder_state.h"
#include "engine/tuning_settings.h"
#include "format/bit_shapes.h"

namespace sonatap {

// Where the current recording came from: the user's file, and how it was
// conditioned when it was imported rather than opened.
struct RecordingOrigin {
  std::string userPath;
  std::optional<ConditionOutcome> conditioning;
};

struct Session {
  TuningSettings tuning;
  ConversionState conversion;
  RecordingOrigin origin;
  DecoderState decoder;
  Shapes shapes;
  FiadList fiads;
  DebugStore debug;
  MonitorLog monitor;
  RunDisplay display;
  bool showRecords = false;  // the listing's record markers (Options)

  // Sessions are large (the tape buffers and eleven images): keep them on the heap.
  static std::unique_ptr<Session> Create() {
    auto session = std::make_unique<Session>();
    LoadShapeSet(session->shapes, session->tuning.RecognitionMethod, session->tuning.DetectionMethod);
    return session;
  }
};

// The part of a path after its last "\" or "/".
std::string FileNamePart(const std::string& path);

}  // namespace sonatap
