#include "app/rescue_ladder.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "app/tuning_schema.h"

namespace sonatap {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

// Measured on the tape-channel set: Adaptive reads nearly everything; the
// crossing method and the templates on the cleaned signal read some records
// of the worst sides that Adaptive misses.
constexpr RescueRung kLadder[] = {
    {kAdaptiveMethod, 1, false}, {kCrossingMethod, 1, false}, {1, 1, false},
    {kAdaptiveMethod, 1, true},  {2, 2, false},               {3, 3, false},
};

struct Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<ScanResult>> results;
  size_t next = 0;
};

}  // namespace

std::span<const RescueRung> RescueLadder() { return kLadder; }

ScanSettings RungSettings(const RescueRung& rung, const TuningSettings& base) {
  ScanSettings s{base, rung.inverted};
  s.tuning.RecognitionMethod = rung.recognition;
  s.tuning.DetectionMethod = rung.detection;
  s.tuning.AutoVolume = true;
  return s;
}

std::string RungName(const ScanSettings& settings) {
  const TuningSettings& t = settings.tuning;
  std::string name = kRecognitionMethods[t.RecognitionMethod - 1].label;
  if (t.RecognitionMethod < kCrossingMethod) name += std::string(" / ") + kDetectionMethods[t.DetectionMethod - 1].label;
  return settings.inverted ? name + ", inverted" : name;
}

LadderOutcome RunLadder(const std::string& wavPath, std::span<const ScanSettings> rungs, const LadderPoll& poll,
                        int workers) {
  Shared shared;
  shared.results.resize(rungs.size());
  std::atomic<bool> stop = false;
  std::vector<std::atomic<int64_t>> positions(rungs.size());
  std::error_code error;
  const auto length = static_cast<int64_t>(std::filesystem::file_size(wavPath, error));

  auto work = [&] {
    for (;;) {
      size_t rung;
      {
        std::lock_guard lock(shared.mutex);
        if (stop || shared.next >= rungs.size()) return;
        rung = shared.next++;
      }
      ScanResult result = ScanRecording(wavPath, rungs[rung], stop, positions[rung]);
      std::lock_guard lock(shared.mutex);
      if (result.complete) positions[rung] = length;
      shared.results[rung] = std::move(result);
      shared.changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (int w = 0; w < std::max(1, workers); ++w) threads.emplace_back(work);

  LadderOutcome outcome;
  size_t merged = 0;  // rungs 1..merged are in `outcome`
  bool finished = false;
  while (!finished) {
    std::unique_lock lock(shared.mutex);
    shared.changed.wait_for(lock, kPollInterval);
    // The rungs' order decides, not which thread finished first.
    while (merged < rungs.size() && shared.results[merged]) {
      outcome.scans.push_back(rungs[merged]);
      outcome.results.push_back(std::move(*shared.results[merged]));
      ++merged;
      const std::vector<RescuedFile> all = MergeScans(outcome.results, true);
      if (!all.empty() && AllVerified(all)) {
        finished = true;
        break;
      }
    }
    if (merged == rungs.size()) finished = true;
    lock.unlock();
    if (finished) break;
    int64_t done = 0;
    for (const auto& p : positions) done += p.load(std::memory_order_relaxed);
    const int64_t total = length * static_cast<int64_t>(rungs.size());
    if (poll(total > 0 ? static_cast<int>(done * 100 / total) : 0)) {
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
