#include "live/play_logic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "engine/audio_source.h"
#include "engine/file_writer.h"
#include "engine/tape_synthesis.h"

namespace sonatap::live {

std::string ClockText(int64_t frames, int rate) {
  const int64_t seconds = rate > 0 ? frames / rate : 0;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

PlayLogic::PlayLogic(AudioSystem& audio) : audio_(audio) {
  for (const DeviceInfo& device : audio.Devices()) {
    if (device.outputChannels <= 0) continue;
    if (device.defaultOutput || default_ < 0) default_ = static_cast<int>(names_.size());
    names_.push_back(device.name);
  }
}

std::string PlayLogic::NoDeviceText() const {
  if (!names_.empty()) return "";
  const std::string problem = audio_.Problem();
  return "There is no audio output device to play to." + (problem.empty() ? "" : "\r\n" + problem);
}

std::string PlayLogic::UseFiad(const FiadImage& image, HeaderKind kind, const ShapeSet& shapes) {
  const int records = TapeRecordCount(image, kind);
  if (std::string problem = TapeRecordCountProblem(records); !problem.empty()) return problem;
  image_ = &image;
  kind_ = kind;
  shapes_ = &shapes;
  file_.clear();
  rate_ = 44100;
  channels_ = 1;
  total_ = TapeSampleCount(records);
  played_ = 0;
  return "";
}

std::string PlayLogic::UseFile(const std::string& path) {
  AudioSource source;
  std::string error;
  if (source.Open(path, error) != AudioSource::OpenResult::Ok) return error;
  image_ = nullptr;
  file_ = path;
  rate_ = source.Format().rate;
  channels_ = source.Format().channels;
  total_ = source.Format().frames;
  played_ = 0;
  return "";
}

std::string PlayLogic::TimeText() const { return ClockText(played_, rate_) + " / " + ClockText(total_, rate_); }

int PlayLogic::Percent() const {
  return total_ > 0 ? static_cast<int>(std::min<int64_t>(100, played_ * 100 / total_)) : 0;
}

void PlayLogic::SetVolume(int percent) { volume_ = std::clamp(percent, 0, 100); }

// Gathers frames into blocks and hands each to the device, then lets the
// caller look at its controls; after a Stop or a lost device it takes the
// rest of the sound without playing it.
class BlockPlayer final : public ByteSink {
 public:
  BlockPlayer(PlayLogic& logic, OutputStream& out, const std::function<void()>& poll)
      : logic_(logic), out_(out), poll_(poll) {
    block_.reserve(static_cast<size_t>(kPlayBlockFrames * logic.channels_));
  }
  using ByteSink::Write;
  // 8-bit unsigned mono tape sound.
  void Write(const uint8_t* bytes, size_t count) override {
    for (size_t i = 0; i < count && !done_; ++i) Add((static_cast<int>(bytes[i]) - 128) / 128.0);
  }
  void Add(double sample) {
    block_.push_back(sample);
    if (block_.size() >= static_cast<size_t>(kPlayBlockFrames * logic_.channels_)) Flush();
  }
  void Flush() {
    if (done_ || block_.empty()) return;
    const double gain = logic_.volume_ / 100.0;
    std::vector<int16_t> samples(block_.size());
    for (size_t i = 0; i < block_.size(); ++i)
      samples[i] = static_cast<int16_t>(std::lround(std::clamp(block_[i] * gain, -1.0, 32767.0 / 32768.0) * 32768.0));
    const long frames = static_cast<long>(block_.size()) / logic_.channels_;
    block_.clear();
    if (!out_.Write(samples.data(), frames)) {
      end_ = PlayEnd::DeviceLost;
      done_ = true;
      return;
    }
    logic_.played_ += frames;
    if (poll_) poll_();
    if (logic_.stopRequested_) {
      end_ = PlayEnd::Stopped;
      done_ = true;
    }
  }
  bool Done() const { return done_; }
  PlayEnd End() const { return end_; }

 private:
  PlayLogic& logic_;
  OutputStream& out_;
  const std::function<void()>& poll_;
  std::vector<double> block_;
  bool done_ = false;
  PlayEnd end_ = PlayEnd::Finished;
};

PlayOutcome PlayLogic::Play(const std::string& device, const std::function<void()>& poll) {
  PlayOutcome outcome;
  if (image_ == nullptr && file_.empty()) {
    outcome.message = "Nothing to play.";
    return outcome;
  }
  AudioSource source;
  if (!file_.empty()) {
    std::string error;
    if (source.Open(file_, error) != AudioSource::OpenResult::Ok) {
      outcome.message = error;
      return outcome;
    }
  }
  std::unique_ptr<OutputStream> out = audio_.OpenOutput(device, {rate_, channels_}, outcome.message);
  if (!out) return outcome;

  played_ = 0;
  stopRequested_ = false;
  playing_ = true;
  BlockPlayer player(*this, *out, poll);
  if (image_ != nullptr) {
    WriteTapeImage(*image_, kind_, *shapes_, player, {});
  } else {
    std::vector<float> frames;
    int64_t got = 0;
    while (!player.Done() && (got = source.Read(frames, kPlayBlockFrames)) > 0)
      for (int64_t i = 0; i < got * channels_; ++i) player.Add(frames[static_cast<size_t>(i)]);
  }
  player.Flush();
  outcome.end = player.End();
  if (outcome.end == PlayEnd::Finished) out->Drain();
  playing_ = false;
  switch (outcome.end) {
    case PlayEnd::Finished:
      outcome.message = "Played to the end (" + ClockText(total_, rate_) + ").";
      break;
    case PlayEnd::Stopped:
      outcome.message = "Stopped at " + ClockText(played_, rate_) + ".";
      break;
    default:
      outcome.message = "The audio device went away after " + ClockText(played_, rate_) + " (" + out->Error() + ").";
      break;
  }
  return outcome;
}

}  // namespace sonatap::live
