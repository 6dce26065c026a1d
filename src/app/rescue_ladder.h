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

struct RescueRung {
  int recognition;
  int detection;
  bool inverted;
};

std::span<const RescueRung> RescueLadder();

// The rung's tuning: the user's, with its method and Auto Volume.
ScanSettings RungSettings(const RescueRung& rung, const TuningSettings& base);

// "Adaptive", "Natural / Sine", "DC Offset, inverted"
std::string RungName(const ScanSettings& settings);

struct LadderOutcome {
  std::vector<ScanSettings> scans;  // the scans merged, in ladder order
  std::vector<ScanResult> results;
  std::vector<RescuedFile> files;
  bool stopped = false;
};

// Called about every 50 ms on the caller's thread with the share done
// (0..100); true asks the scans to stop.
using LadderPoll = std::function<bool(int percent)>;

// Runs `rungs` over `wavPath` on up to `workers` threads. The outcome
// depends only on the rungs: the ladder stops after the first rung (in
// order) whose results, with those of the rungs before it, verify every
// record. Stopped: the rungs finished until then, merged.
LadderOutcome RunLadder(const std::string& wavPath, std::span<const ScanSettings> rungs, const LadderPoll& poll,
                        int workers = 2);

}  // namespace sonatap
