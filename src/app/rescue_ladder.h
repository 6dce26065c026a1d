#pragma once
// The rescue's ladder: scans of one recording with the methods that read
// worn tapes best, cheapest and most often right first, two at a time (the
// scans are independent), until every record of every file is verified.
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/rescue_merge.h"
#include "app/tape_scan.h"

namespace sonatap {

// What a scan reads: the recording, a conditioned copy made for the rescue
// (of a recording read as it is), a conditioned copy of the other channel
// of a stereo recording, or a dull one (see ConditionOptions::dull).
enum class SourceKind { Recording, ConditionedCopy, OtherChannel, DulledCopy };

// A copy has its own sample offsets: offset + p * scale is where its
// sample p lies in the recording the rescue reports on.
struct ScanSource {
  std::string path;
  SourceKind kind = SourceKind::Recording;
  double scale = 1;
  double offset = 0;
  // A copy made when a scan first needs it (a clean tape is verified before
  // the ladder reaches most copies): the source made, its path empty when it
  // could not be. The ladder calls it once, on a worker thread.
  std::function<ScanSource()> make = nullptr;
};

struct LadderScan {
  ScanSettings settings;
  size_t source = 0;
};

// The ladder's scans over `sources` (the recording first, then any copies),
// with the user's tuning less the method and with Auto Volume.
std::vector<LadderScan> LadderScans(std::span<const ScanSource> sources, const TuningSettings& base);

// "Adaptive", "Natural / Sine", "DC Offset, conditioned, inverted", "Sine / Sine, other channel"
std::string ScanName(const LadderScan& scan, std::span<const ScanSource> sources);

struct LadderOutcome {
  std::vector<LadderScan> scans;  // the scans merged, in ladder order
  std::vector<ScanResult> results;
  std::vector<RescuedFile> files;
  bool stopped = false;
};

// Called about every 50 ms on the caller's thread with the share done
// (0..100) and the scans merged so far; true asks the scans to stop.
using LadderPoll = std::function<bool(int percent, const LadderOutcome& sofar)>;

// Runs `scans` on up to `workers` threads. The outcome depends only on the
// scans: the ladder stops after the first scan (in order) whose results,
// with those of the scans before it, verify every record. Positions are
// the first source's. Stopped: the scans finished until then, merged.
LadderOutcome RunLadder(std::span<const ScanSource> sources, std::span<const LadderScan> scans,
                        const LadderPoll& poll, int workers = 2);

}  // namespace sonatap
