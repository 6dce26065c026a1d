#include "engine/conditioner.h"

#include <soxr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "engine/audio_source.h"
#include "engine/biquad.h"
#include "engine/growing_file.h"
#include "engine/signal_cleanup.h"
#include "engine/write_behind.h"
#include "format/bit_shapes.h"
#include "engine/wav_writer.h"

namespace sonatap {
namespace {

constexpr double kOutputRate = 44100;
constexpr int64_t kBlockFrames = 1 << 15;
// The band where the tape's cells live: a leader of zeros is a 689 Hz wave,
// ones double it.
constexpr double kBandLow = 500, kBandHigh = 4000;
// The cleaning filter over the cells: above it only hiss.
constexpr double kHissCorner = 5000;
// The dull copy's: fourth-order Butterworth (two sections). The 1s' tone at
// 1378 Hz passes, its harmonics do not; of the corners measured on the
// channel set 2400 Hz read most (27 records more than 2000, 72 more than 2800).
constexpr double kDullCorner = 2400;
constexpr double kDullQ[] = {0.5412, 1.3066};
// Speed: intervals are counted in quarter samples up to this many cells; the
// leaders' cell must be the most common interval within kSpeedSearch of
// nominal, seen at least kMinLeaderCells times. Only runs of whole cells
// count, each pair of intervals within kPairAgreement of the kAgreeingPairs
// before it: in data, a whole cell beside half of a 1 makes a pair that
// averages three quarters of a cell, and on a tape that runs 7 % slow that
// lies where a fast tape's cell would, more often than the leaders' cells.
constexpr int kBinsPerSample = 4;
constexpr double kHistogramCells = 2;
constexpr double kSpeedSearchLow = 0.8, kSpeedSearchHigh = 1.25;
constexpr double kPeakWidth = 0.07;  // intervals this close to the peak make up the mean
constexpr int64_t kMinLeaderCells = 1000;
constexpr int kAgreeingPairs = 3;
constexpr double kPairAgreement = 0.05;
// The first pass may stop early: at the end of a span of kSpanSeconds, once
// the strongest channel shows the cells of several leaders and the cells of
// this span and the one before are within kSteadySpeed of each other, the
// rest of a long side would only confirm the choice and the speed. A motor
// that drifts across the side (7 % in 30 minutes moves 0.5 % a minute) is
// measured over the whole side, so that both its ends lie near the speed.
constexpr int kSpanSeconds = 60;
constexpr int64_t kEnoughLeaderCells = 4 * 6144;
constexpr double kSteadySpeed = 0.001;
// Level: peaks are followed over about 100 ms (fades, not cells); the gain
// never lifts what is quieter than kGainFloorShare of the loudest level
// seen (silence between files stays quiet).
constexpr float kTargetLevel = 0.9f;  // of full scale, as the start settings expect
constexpr double kAttackSeconds = 0.0007, kReleaseSeconds = 0.1;
constexpr float kGainFloorShare = 0.03f;
constexpr float kSilence = 1e-5f;
constexpr int kProgressSteps = 100;
constexpr const char* kWriteFailedText = "Error writing the conditioned recording.";

// Follows a signal's peaks and reports its changes of level with hysteresis,
// the way the decoder's Adaptive method does, in float units.
class ChangeTimer {
 public:
  explicit ChangeTimer(double rate) : decay_(static_cast<float>(1 / (0.02 * rate))) {}
  // True when `x` is a change of level.
  bool operator()(float x) {
    high_ = x > high_ ? x : high_ + (x - high_) * decay_;
    low_ = x < low_ ? x : low_ + (x - low_) * decay_;
    const float middle = (high_ + low_) * 0.5f;
    const float margin = std::max((high_ - low_) * 0.15f, kSilence);
    if (above_ ? x < middle - margin : x > middle + margin) {
      above_ = !above_;
      return true;
    }
    return false;
  }

 private:
  float decay_;
  float high_ = 0, low_ = 0;
  bool above_ = false;
};

struct ChannelScan {
  ChannelScan(double rate, size_t bins)
      : bandHigh(Biquad::HighPass(rate, kBandLow)), bandLow(Biquad::LowPass(rate, kBandHigh)), timer(rate),
        histogram(bins, 0),
        spanStart(bins, 0) {}
  Biquad bandHigh, bandLow;
  ChangeTimer timer;
  double energy = 0;
  int64_t lastChange = -1, changeBefore = -1;
  std::array<int64_t, kAgreeingPairs> pairsBefore{};  // newest first, in samples
  std::vector<int64_t> histogram;
  std::vector<int64_t> spanStart;  // the histogram as the span began
  double spanCell = 0, spanCellBefore = 0;      // the leaders' cell of this span and the one before

  // A pair of intervals that ends at `now`.
  void CountPair(int64_t now) {
    const int64_t pair = now - changeBefore;
    const bool inRun = std::all_of(pairsBefore.begin(), pairsBefore.end(), [pair](int64_t before) {
      return static_cast<double>(std::abs(before - pair)) <= kPairAgreement * static_cast<double>(pair);
    });
    std::copy_backward(pairsBefore.begin(), pairsBefore.end() - 1, pairsBefore.end());
    pairsBefore.front() = pair;
    const auto bin = static_cast<size_t>(pair * kBinsPerSample / 2);
    if (inRun && bin < histogram.size()) ++histogram[bin];
  }
  void EndSpan(double nominal);
};

struct Analysis {
  int channel = 0;           // 0-based
  double cellSamples = 0;    // the leaders' cell in input samples; 0 when not found
};

std::string Percent(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.1f%%", share * 100);
  return text;
}

// The leaders' cell length from the channel's intervals, or 0; `seen` is how
// many intervals make up the peak.
double LeaderCell(const std::vector<int64_t>& histogram, double nominal, int64_t* seen = nullptr) {
  const size_t from = static_cast<size_t>(nominal * kSpeedSearchLow * kBinsPerSample);
  const size_t to = std::min(histogram.size() - 1, static_cast<size_t>(nominal * kSpeedSearchHigh * kBinsPerSample));
  // The peak of a window a few per cent wide, so jitter does not split it.
  const size_t half = std::max<size_t>(1, static_cast<size_t>(nominal * 0.02 * kBinsPerSample));
  size_t best = 0;
  int64_t bestCount = 0;
  for (size_t bin = from; bin <= to; ++bin) {
    int64_t count = 0;
    for (size_t k = bin - std::min(bin, half); k <= std::min(histogram.size() - 1, bin + half); ++k)
      count += histogram[k];
    if (count > bestCount) bestCount = count, best = bin;
  }
  if (seen) *seen = bestCount;
  if (bestCount < kMinLeaderCells) return 0;
  const double peak = static_cast<double>(best) / kBinsPerSample;
  double sum = 0;
  int64_t count = 0;
  for (size_t bin = 0; bin < histogram.size(); ++bin) {
    // A pair is a whole number of samples, so a bin holds one length exactly.
    const double length = static_cast<double>(bin) / kBinsPerSample;
    if (std::abs(length - peak) > peak * kPeakWidth) continue;
    sum += length * static_cast<double>(histogram[bin]);
    count += histogram[bin];
  }
  return count > 0 ? sum / static_cast<double>(count) : 0;
}

void ChannelScan::EndSpan(double nominal) {
  std::vector<int64_t> span(histogram.size());
  std::transform(histogram.begin(), histogram.end(), spanStart.begin(), span.begin(), std::minus<>());
  spanCellBefore = spanCell;
  spanCell = LeaderCell(span, nominal);
  spanStart = histogram;
}

Analysis Analyse(AudioSource& source, int chosenChannel, ProgressWindow& progress, std::string& error) {
  const AudioFormat& format = source.Format();
  const double nominal = kShapeLength * format.rate / kOutputRate;
  const size_t bins = static_cast<size_t>(nominal * kHistogramCells * kBinsPerSample) + 1;
  std::vector<ChannelScan> scans;
  for (int ch = 0; ch < format.channels; ++ch) scans.emplace_back(format.rate, bins);
  std::vector<float> block;
  int64_t position = 0, spanEnd = int64_t{kSpanSeconds} * format.rate;
  while (const int64_t got = source.Read(block, kBlockFrames)) {
    for (int ch = 0; ch < format.channels; ++ch) {
      ChannelScan& scan = scans[ch];
      double energy = 0;
      for (int64_t i = 0; i < got; ++i) {
        const float x = scan.bandLow(scan.bandHigh(block[i * format.channels + ch]));
        energy += double(x) * x;
        if (!scan.timer(x)) continue;
        const int64_t now = position + i;
        // Two intervals at a time, halved: a deck that delays rising edges
        // more than falling ones makes every other interval long, but a
        // pair of them is always two cells.
        if (scan.changeBefore >= 0) scan.CountPair(now);
        scan.changeBefore = scan.lastChange;
        scan.lastChange = now;
      }
      scan.energy += energy;
    }
    position += got;
    progress.SetValue(static_cast<int>(position * kProgressSteps / 2 / std::max<int64_t>(1, format.frames)));
    if (position >= spanEnd) {
      spanEnd += int64_t{kSpanSeconds} * format.rate;
      for (ChannelScan& scan : scans) scan.EndSpan(nominal);
      const auto strongest = std::max_element(scans.begin(), scans.end(), [](const auto& a, const auto& b) {
        return a.energy < b.energy;
      });
      int64_t seen = 0;
      LeaderCell(strongest->histogram, nominal, &seen);
      const bool steady = strongest->spanCellBefore > 0 && strongest->spanCell > 0 &&
                          std::abs(strongest->spanCell / strongest->spanCellBefore - 1) < kSteadySpeed;
      if (chosenChannel == 0 && seen >= kEnoughLeaderCells && steady) break;
    }
  }
  if (source.Failed()) error = "The recording could not be read to its end (damaged or truncated).";
  Analysis result;
  if (chosenChannel > 0) {
    result.channel = chosenChannel - 1;
  } else {
    for (int ch = 1; ch < format.channels; ++ch)
      if (scans[ch].energy > scans[result.channel].energy) result.channel = ch;
  }
  result.cellSamples = LeaderCell(scans[result.channel].histogram, nominal);
  return result;
}

// The second pass's output: 8-bit samples after the automatic gain.
class LevelledWriter {
 public:
  LevelledWriter(std::FILE* file, GrowingFile* growing)
      : file_(file),
        growing_(growing),
        attack_(static_cast<float>(1 / (kAttackSeconds * kOutputRate))),
        release_(static_cast<float>(1 / (kReleaseSeconds * kOutputRate))) {}

  void Write(const float* samples, size_t count) {
    bytes_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const float x = samples[i];
      const float magnitude = std::fabs(x);
      envelope_ += (magnitude - envelope_) * (magnitude > envelope_ ? attack_ : release_);
      loudest_ = std::max(loudest_, envelope_);
      const float floor = std::max(loudest_ * kGainFloorShare, kSilence);
      const float gain = kTargetLevel / std::max(envelope_, floor);
      if (envelope_ > floor) gainSum_ += gain, ++gainCount_;
      const float level = 128 + x * gain * 127;
      // Rounded half away from zero, as lround does, without its library call
      // per sample: exact in double; NaN (from a float file) becomes 0.
      const float within = level >= 0 ? std::min(level, 255.0f) : 0.0f;
      bytes_[i] = static_cast<uint8_t>(static_cast<double>(within) + 0.5);
    }
    if (std::fwrite(bytes_.data(), 1, count, file_) != count) failed_ = true;
    written_ += static_cast<int64_t>(count);
    if (growing_ && !failed_ && std::fflush(file_) == 0) growing_->Grew(kWavHeaderSize + written_);
  }
  int64_t Written() const { return written_; }
  bool Failed() const { return failed_; }
  double GainDb() const { return gainCount_ > 0 ? 20 * std::log10(gainSum_ / double(gainCount_)) : 0; }

 private:
  std::FILE* file_;
  GrowingFile* growing_;  // told of each block written, when another thread reads the file meanwhile
  float attack_, release_;
  float envelope_ = 0, loudest_ = 0;
  double gainSum_ = 0;
  int64_t gainCount_ = 0;
  int64_t written_ = 0;
  bool failed_ = false;
  std::vector<uint8_t> bytes_;
};

bool WriteHeader(std::FILE* file, int64_t dataLength) {
  const auto header = WavHeader(static_cast<uint32_t>(dataLength));
  return std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(header.data(), 1, header.size(), file) == header.size();
}

struct SoxrDeleter {
  void operator()(soxr_t s) const { soxr_delete(s); }
};

// The chosen channel, cleaned, resampled and levelled into `file`.
bool Transform(AudioSource& source, const Analysis& analysis, double outRate, const ConditionOptions& options,
               ProgressWindow& progress, LevelledWriter& writer, std::string& error) {
  const AudioFormat& format = source.Format();
  soxr_error_t soxrError = nullptr;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_LQ, 0);
  std::unique_ptr<soxr, SoxrDeleter> resampler(
      soxr_create(format.rate, outRate, 1, &soxrError, &io, &quality, nullptr));
  if (soxrError) {
    error = std::string("Resampling failed: ") + soxrError;
    return false;
  }
  Biquad hum = Biquad::HighPass(format.rate, options.humCorner);
  Biquad hiss =
      options.dull ? Biquad::LowPass(format.rate, kDullCorner, kDullQ[0]) : Biquad::LowPass(format.rate, kHissCorner);
  Biquad dull = Biquad::LowPass(format.rate, kDullCorner, kDullQ[1]);
  std::vector<float> block, mono, resampled(static_cast<size_t>(kBlockFrames * outRate / format.rate) + 1024);
  int64_t position = 0;
  // The gain and the writing take a third of the work: on the other core.
  WriteBehind levelling([&writer](const float* samples, size_t count) {
    writer.Write(samples, count);
    return !writer.Failed();
  });
  bool levelled = true;
  auto emit = [&](const float* in, size_t count) {
    size_t done = 0;
    do {
      size_t made = 0;
      soxrError = soxr_process(resampler.get(), in, count, &done, resampled.data(), resampled.size(), &made);
      if (made > 0) levelled = levelled && levelling.Put(resampled.data(), made);
      if (in && done == 0 && made == 0) break;  // nothing moves: do not spin
      if (in) in += done, count -= done;
      if (!in && made == 0) break;  // flushed
    } while (!soxrError && (in ? count > 0 : true));
  };
  while (const int64_t got = source.Read(block, kBlockFrames)) {
    mono.resize(static_cast<size_t>(got));
    for (int64_t i = 0; i < got; ++i) mono[i] = hiss(hum(block[i * format.channels + analysis.channel]));
    if (options.dull) std::transform(mono.begin(), mono.end(), mono.begin(), std::ref(dull));
    emit(mono.data(), mono.size());
    position += got;
    progress.SetValue(kProgressSteps / 2 +
                      static_cast<int>(position * kProgressSteps / 2 / std::max<int64_t>(1, format.frames)));
    if (soxrError || !levelled) break;
  }
  if (!soxrError && levelled) emit(nullptr, 0);
  levelling.Finish();
  if (source.Failed()) error = "The recording could not be read to its end (damaged or truncated).";
  else if (soxrError) error = std::string("Resampling failed: ") + soxrError;
  else if (writer.Failed()) error = kWriteFailedText;
  return error.empty();
}

std::string ChannelText(int channel, int channels) {
  if (channels == 1) return "";
  if (channels == 2) return channel == 0 ? ", left channel" : ", right channel";
  return ", channel " + std::to_string(channel + 1);
}

std::string GainText(double db) {
  char text[16];
  std::snprintf(text, sizeof text, "%+.0f dB", db);
  return text;
}

}  // namespace

int ParseChannelChoice(const std::string& text) {
  if (text == "auto") return 0;
  if (text == "left") return 1;
  if (text == "right") return 2;
  if (text.empty() || text.size() > 1 || text[0] < '1' || text[0] > '0' + kMaxAudioChannels) return -1;
  return text[0] - '0';
}

namespace {

ConditionOutcome Condition(const std::string& inPath, const std::string& outPath, const ConditionOptions& options,
                           ProgressWindow& progress, GrowingFile* growing) {
  ConditionOutcome outcome;
  AudioSource source;
  const AudioSource::OpenResult opened = source.Open(inPath, outcome.error);
  outcome.notAudio = opened == AudioSource::OpenResult::NotAudio;
  if (opened != AudioSource::OpenResult::Ok) return outcome;
  const AudioFormat& format = source.Format();
  if (options.channel > format.channels) {
    outcome.error = "The recording has no channel " + std::to_string(options.channel) + ".";
    return outcome;
  }
  progress.Open("Conditioning", kProgressSteps);
  const Analysis analysis = Analyse(source, options.channel, progress, outcome.error);
  if (!outcome.error.empty() || !source.Rewind()) {
    if (outcome.error.empty()) outcome.error = "The recording could not be read again.";
    progress.Close();
    return outcome;
  }
  const double nominal = kShapeLength * format.rate / kOutputRate;
  const double speed = analysis.cellSamples > 0 ? nominal / analysis.cellSamples : 1;
  // Cells of `cellSamples` input samples become kShapeLength output samples.
  const double outRate = analysis.cellSamples > 0 ? format.rate * kShapeLength / analysis.cellSamples : kOutputRate;

  // Written whole or not at all: under another name until it is whole. A
  // file read while it grows is the run's own, and has its name at once.
  const std::string tempPath = growing ? outPath : outPath + ".part";
  const RemovedOnSignal partGone(tempPath);  // before it exists: no moment without it
  std::FILE* file = std::fopen(tempPath.c_str(), "wb");
  if (!file) {
    outcome.outputFailed = true;
    outcome.error = "Cannot write " + outPath + ".";
    progress.Close();
    return outcome;
  }
  LevelledWriter writer(file, growing);
  bool written = WriteHeader(file, 0) &&
                 Transform(source, analysis, outRate, options, progress, writer, outcome.error) &&
                 WriteHeader(file, writer.Written());
  written = (std::fclose(file) == 0) && written;
  progress.Close();
  std::error_code ignored;
  if (!written || writer.Written() == 0) {
    if (outcome.error.empty()) outcome.error = kWriteFailedText;
    outcome.outputFailed = outcome.error == kWriteFailedText;
    std::filesystem::remove(tempPath, ignored);
    return outcome;
  }
  if (tempPath != outPath) std::filesystem::rename(tempPath, outPath, ignored);
  if (ignored) {
    std::filesystem::remove(tempPath, ignored);
    outcome.outputFailed = true;
    outcome.error = "Cannot write " + outPath + ".";
    return outcome;
  }
  outcome.ok = true;
  outcome.format = DescribeFormat(format);
  outcome.timeScale = kOutputRate / outRate;
  outcome.channel = analysis.channel + 1;
  outcome.channels = format.channels;
  outcome.summary = "Conditioned: " + DescribeFormat(format) + ChannelText(analysis.channel, format.channels) + ", " +
                    GainText(writer.GainDb()) + ", " +
                    (analysis.cellSamples > 0 ? "speed " + Percent(speed - 1) : "speed not measured (no leader)");
  return outcome;
}

}  // namespace

ConditionOutcome ConditionRecording(const std::string& inPath, const std::string& outPath,
                                    const ConditionOptions& options, ProgressWindow& progress, GrowingFile* growing) {
  ConditionOutcome outcome = Condition(inPath, outPath, options, progress, growing);
  if (growing) growing->End();
  return outcome;
}

}  // namespace sonatap
