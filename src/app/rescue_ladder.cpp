#include "app/rescue_ladder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "app/tuning_schema.h"

namespace sonatap {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);
// A scan's witness family: its source, and its method or the integrating reading.
constexpr int kFamiliesPerSource = 16;
constexpr int kIntegratingFamily = kAdaptiveMethod + 1;

struct RescueRung {
  int recognition;
  int detection;
  bool inverted;
  SourceKind source;
  bool sensitive = false;
  bool integrating = false;
};

// Measured on the tape-channel set: Adaptive on the recording as it is
// reads nearly everything; the conditioned copy, the other channel and the
// other methods read some records of the worst sides that it misses, and
// the sensitive Adaptive, upright and upside down, read 1031 more
// records of them (a worn 8-bit side: 47 to 191 of 270), and Adaptive on a
// dull copy, with the usual margin and the lower one, 222 more, where
// hiss meets a fading level (upside down it lost a file). Last, the
// integrating Adaptive on the conditioned copy, the recording, the other
// channel and the dull copy: at the bottom of such fades it reads nearly
// every cell right, and the two copies' few wrong bits repair each other
// (373 more records, nearly all on sound-card sides; on the recording as
// the run reads it and on the other channel, 9 and 12 more of those sides,
// where the conditioned copy lost a block's mark in a dropout). It is a
// witness family of its own beside the Adaptive that times changes: it
// reads a cell from sums over its halves, not from where the signal crossed
// a level, so hiss seldom misleads both alike (77 more records repaired or
// verified, no wrong repair).
constexpr SourceKind kAsIs = SourceKind::Recording, kCopy = SourceKind::ConditionedCopy,
                     kOther = SourceKind::OtherChannel, kDulled = SourceKind::DulledCopy;
constexpr RescueRung kLadder[] = {
    {kAdaptiveMethod, 1, false, kAsIs},       {kAdaptiveMethod, 1, false, kCopy},      {kCrossingMethod, 1, false, kCopy},
    {1, 1, false, kCopy},                     {1, 1, false, kOther},                   {kAdaptiveMethod, 1, true, kAsIs},
    {1, 1, false, kAsIs},                     {kAdaptiveMethod, 1, false, kOther},     {2, 2, false, kCopy},
    {kAdaptiveMethod, 1, false, kCopy, true}, {kAdaptiveMethod, 1, true, kCopy, true},
    {kAdaptiveMethod, 1, false, kDulled}, {kAdaptiveMethod, 1, false, kDulled, true},
    {kAdaptiveMethod, 1, false, kCopy, false, true}, {kAdaptiveMethod, 1, false, kAsIs, false, true},
    {kAdaptiveMethod, 1, false, kOther, false, true},
    {kAdaptiveMethod, 1, false, kDulled, false, true},
};

struct Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<ScanResult>> results;
  size_t next = 0;
};

}  // namespace

std::vector<LadderScan> LadderScans(std::span<const ScanSource> sources, const TuningSettings& base) {
  std::vector<LadderScan> scans;
  for (const RescueRung& rung : kLadder) {
    const auto found = std::find_if(sources.begin(), sources.end(), [&](const ScanSource& s) { return s.kind == rung.source; });
    // Without a conditioned copy (the recording was conditioned as it was
    // imported) its rungs read the recording; a mono one has no other
    // channel, and a rescue that made no dull copy skips its rung.
    const bool copyOnly = rung.source == SourceKind::OtherChannel || rung.source == SourceKind::DulledCopy;
    if (found == sources.end() && copyOnly) continue;
    const size_t source = found == sources.end() ? 0 : static_cast<size_t>(found - sources.begin());
    LadderScan scan{{base, rung.inverted, rung.sensitive, rung.integrating}, source};
    scan.settings.tuning.RecognitionMethod = rung.recognition;
    scan.settings.tuning.DetectionMethod = rung.detection;
    scan.settings.tuning.AutoVolume = true;
    const bool repeated = std::any_of(scans.begin(), scans.end(), [&](const LadderScan& s) {
      return s.source == scan.source && s.settings.inverted == scan.settings.inverted &&
             s.settings.sensitive == scan.settings.sensitive && s.settings.integrating == scan.settings.integrating &&
             s.settings.tuning.RecognitionMethod == rung.recognition && s.settings.tuning.DetectionMethod == rung.detection;
    });
    if (!repeated) scans.push_back(scan);
  }
  return scans;
}

std::string ScanName(const LadderScan& scan, std::span<const ScanSource> sources) {
  const TuningSettings& t = scan.settings.tuning;
  std::string name = kRecognitionMethods[t.RecognitionMethod - 1].label;
  if (t.RecognitionMethod < kCrossingMethod) name += std::string(" / ") + kDetectionMethods[t.DetectionMethod - 1].label;
  // Only a copy made for the rescue is worth naming; an imported recording is conditioned anyway.
  constexpr const char* kSourceNames[] = {"", ", conditioned", ", other channel", ", dulled"};  // by SourceKind
  name += kSourceNames[static_cast<int>(sources[scan.source].kind)];
  if (scan.settings.sensitive) name += ", sensitive";
  if (scan.settings.integrating) name += ", integrating";
  return scan.settings.inverted ? name + ", inverted" : name;
}

// Moves a conditioned copy's positions onto the recording's.
void MapPositions(ScanResult& result, const ScanSource& source) {
  if (source.kind == SourceKind::Recording) return;
  auto map = [&](int64_t& p) { p = std::llround(source.offset + static_cast<double>(p) * source.scale); };
  for (ScannedFile& file : result.files) {
    map(file.header.syncPosition);
    for (CopyReading& copy : file.copies) map(copy.markPosition);
  }
}

LadderOutcome RunLadder(std::span<const ScanSource> sources, std::span<const LadderScan> scans,
                        const LadderPoll& poll, int workers) {
  Shared shared;
  shared.results.resize(scans.size());
  std::atomic<bool> stop = false;
  std::vector<std::atomic<int64_t>> positions(scans.size());
  std::vector<ScanSource> made(sources.begin(), sources.end());
  std::vector<std::once_flag> makeOnce(sources.size());
  auto source = [&](size_t s) -> const ScanSource& {
    std::call_once(makeOnce[s], [&] {
      if (made[s].make) made[s] = made[s].make();
    });
    return made[s];
  };
  // Progress counts bytes read; a copy not made yet is taken to be as long as the recording.
  std::vector<int64_t> lengths;
  int64_t total = 0;
  for (const LadderScan& scan : scans) {
    std::error_code error;
    const ScanSource& known = sources[sources[scan.source].make ? 0 : scan.source];
    const auto size = std::filesystem::file_size(known.path, error);
    total += lengths.emplace_back(error ? 0 : static_cast<int64_t>(size));
  }

  auto work = [&] {
    for (;;) {
      size_t n;
      {
        std::lock_guard lock(shared.mutex);
        if (stop || shared.next >= scans.size()) return;
        n = shared.next++;
      }
      const ScanSource& from = source(scans[n].source);
      // A copy that could not be made holds nothing; the other scans go on.
      ScanResult result =
          from.path.empty() ? ScanResult{{}, true} : ScanRecording(from.path, scans[n].settings, stop, positions[n]);
      MapPositions(result, from);
      const int reading = scans[n].settings.integrating ? kIntegratingFamily : scans[n].settings.tuning.RecognitionMethod;
      result.family = static_cast<int>(scans[n].source) * kFamiliesPerSource + reading;
      // The dull copy is the conditioned copy less its treble: across a
      // dropout a method that times changes slips on both alike, and as a
      // witness of its own it let through 3 wrong repairs of the channel set
      // (as one family with the conditioned copy, 1; its verified readings
      // alone, none). The integrating reading, which sums cells, goes in:
      // 7 more records of five seeds' sets repaired, none wrong.
      result.repairs = from.kind != SourceKind::DulledCopy || scans[n].settings.integrating;
      std::lock_guard lock(shared.mutex);
      if (result.complete) positions[n] = lengths[n];
      shared.results[n] = std::move(result);
      shared.changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (int w = 0; w < std::max(1, workers); ++w) threads.emplace_back(work);

  LadderOutcome outcome;
  size_t merged = 0;  // scans 1..merged are in `outcome`
  bool finished = false;
  while (!finished) {
    // The ladder's order decides, not which thread finished first; scans
    // are merged outside the lock, so that the workers post theirs meanwhile.
    std::vector<ScanResult> arrived;
    {
      std::unique_lock lock(shared.mutex);
      shared.changed.wait_for(lock, kPollInterval);
      for (size_t n = merged; n < scans.size() && shared.results[n]; ++n)
        arrived.push_back(std::move(*shared.results[n]));
    }
    for (ScanResult& result : arrived) {
      outcome.scans.push_back(scans[merged++]);
      outcome.results.push_back(std::move(result));
      if (AllVerified(MergeScans(outcome.results, true))) {
        finished = true;
        break;
      }
    }
    if (merged == scans.size()) finished = true;
    if (finished) break;
    int64_t done = 0;
    for (const auto& p : positions) done += p.load(std::memory_order_relaxed);
    if (poll(total > 0 ? static_cast<int>(done * 100 / total) : 0, outcome)) {
      outcome.stopped = true;
      break;
    }
  }
  stop = true;
  for (std::thread& t : threads) t.join();
  // A scan stopped halfway has not seen the whole recording: only whole scans count.
  while (!outcome.results.empty() && !outcome.results.back().complete) {
    outcome.results.pop_back();
    outcome.scans.pop_back();
  }
  outcome.files = MergeScans(outcome.results);
  return outcome;
}

}  // namespace sonatap
