#pragma once
// "Rescue Scan": the ladder of scans over the current recording, the
// verdict of every record on the Monitor, then each file stored as a run
// stores it. A file with records that are not O.K. is shown in the
// debugger window first, with its verdicts, for a last look.
#include <vector>

#include "app/conversion_run.h"
#include "app/decode_report.h"
#include "app/rescue_ladder.h"
#include "engine/temp_folder.h"

namespace sonatap {

struct RescueResult {
  LadderOutcome ladder;
  std::vector<int> storedSlots;  // per file of ladder.files: 1..10, or 0 when not stored
};

// `sources`: the current recording first, then the copies the rescue may
// read (see PrepareRescueSources).
RescueResult RescueRecording(Session& session, RunServices& services, std::span<const ScanSource> sources);

// The current recording and the copies a rescue also reads, made in
// `folder` as the ladder needs them: a conditioned copy of a recording read
// as it is, the other channel of a conditioned stereo one (unless the user
// chose the channel), and a dull one. `folder` outlives the ladder.
std::vector<ScanSource> PrepareRescueSources(const Session& session, const ConditionOptions& options,
                                             TempFolder& folder);

// The report of a rescue. `stored` names what was stored (a file written,
// an entry of the list), in the order the files were stored.
DecodeReport RescueReport(const Session& session, std::span<const ScanSource> sources, const RescueResult& result,
                          const std::vector<std::string>& stored);

// The facts of the current recording, for a report.
RecordingFacts CurrentRecordingFacts(const Session& session);

// The debug store's status of a rescued record: "repaired" shows as
// Unknown, so that Auto Lock and the bit view treat it as unproven.
RecordStatus DebugStatus(Verdict verdict);

}  // namespace sonatap
