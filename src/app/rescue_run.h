#pragma once
// "Rescue Scan": the ladder of scans over the current recording, the
// verdict of every record on the Monitor, then each file stored as a run
// stores it. A file with records that are not O.K. is shown in the
// debugger window first, with its verdicts, for a last look.
#include <vector>

#include "app/conversion_run.h"
#include "app/rescue_ladder.h"

namespace sonatap {

struct RescueResult {
  LadderOutcome ladder;
  std::vector<int> storedSlots;  // per file of ladder.files: 1..10, or 0 when not stored
};

// `sources`: the current recording first, then a conditioned copy of it if
// one was made for the rescue.
RescueResult RescueRecording(Session& session, RunServices& services, std::span<const ScanSource> sources);

// The current recording, and `conditionedCopy` (may be empty) whose
// seconds are `timeScale` seconds of the recording.
std::vector<ScanSource> RescueSources(const std::string& wavPath, const std::string& conditionedCopy,
                                      double timeScale);

// The debug store's status of a rescued record: "repaired" shows as
// Unknown, so that Auto Lock and the bit view treat it as unproven.
RecordStatus DebugStatus(Verdict verdict);

}  // namespace sonatap
