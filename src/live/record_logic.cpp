#include "live/record_logic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "live/play_logic.h"
#include "live/recording_file.h"

namespace sonatap::live {

std::string NewRecordingPath(TempFolder& folder) {
  if (folder.Path().empty()) return "";
  const std::filesystem::path dir = folder.Path() / "recorded";
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) return "";
  for (int n = 1;; ++n) {
    const auto path = dir / ("Tape Recording " + std::to_string(n) + ".wav");
    if (!std::filesystem::exists(path, error)) return path.string();
  }
}

std::string SizeText(int64_t bytes) {
  char text[32];
  if (bytes >= 1000 * 1000)
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  else
    std::snprintf(text, sizeof text, "%lld KB", static_cast<long long>((bytes + 500) / 1000));
  return text;
}

RecordLogic::RecordLogic(AudioSystem& audio) : audio_(audio), devices_(audio.Devices()) {
  for (const DeviceInfo& device : devices_) {
    if (device.inputChannels <= 0) continue;
    if (device.defaultInput || default_ < 0) default_ = static_cast<int>(names_.size());
    names_.push_back(device.name);
  }
}

std::string RecordLogic::NoDeviceText() const {
  if (!names_.empty()) return "";
  const std::string problem = audio_.Problem();
  return "There is no audio input device to record from." + (problem.empty() ? "" : "\r\n" + problem);
}

std::string RecordLogic::TimeText() const { return ClockText(frames_, rate_); }
std::string RecordLogic::SizeWrittenText() const { return SizeText(44 + frames_ * 2 * channels_); }

RecordOutcome RecordLogic::Record(const std::string& device, const std::string& path, double seconds,
                                  const std::function<void()>& poll) {
  RecordOutcome outcome;
  const int found = FindDevice(devices_, device, Direction::Input, outcome.message);
  if (found < 0) return outcome;
  const DeviceInfo& info = devices_[found];
  channels_ = std::clamp(info.inputChannels, 1, 2);  // a tape deck gives one or two
  rate_ = 44100;
  std::unique_ptr<InputStream> in = audio_.OpenInput(device, {rate_, channels_}, outcome.message);
  if (!in && info.defaultRate > 0 && info.defaultRate != rate_) {
    rate_ = info.defaultRate;
    in = audio_.OpenInput(device, {rate_, channels_}, outcome.message);
  }
  if (!in) return outcome;

  RecordingFile file;
  if (!file.Open(path, rate_, channels_)) {
    outcome.end = RecordEnd::WriteFailed;
    outcome.message = "The recording cannot be written to " + path + ".";
    return outcome;
  }
  meter_ = LevelMeter(channels_);
  frames_ = 0;
  stopRequested_ = false;
  recording_ = true;
  const int64_t limit = seconds > 0 ? static_cast<int64_t>(std::llround(seconds * rate_)) : -1;
  const long block = std::max(rate_ / 20, 1);
  std::vector<int16_t> samples(static_cast<size_t>(block * channels_));
  outcome.end = RecordEnd::Stopped;
  while (!stopRequested_) {
    long want = block;
    if (limit >= 0) {
      if (frames_ >= limit) {
        outcome.end = RecordEnd::Finished;
        break;
      }
      want = static_cast<long>(std::min<int64_t>(block, limit - frames_));
    }
    if (!in->Read(samples.data(), want)) {
      outcome.end = RecordEnd::DeviceLost;
      break;
    }
    if (!file.Append(samples.data(), want)) {
      outcome.end = RecordEnd::WriteFailed;
      break;
    }
    frames_ += want;
    meter_.Feed(samples.data(), want, rate_);
    if (poll) poll();
  }
  recording_ = false;
  const std::string deviceError = in->Error();
  in.reset();
  const bool closed = file.Close();
  if (!closed && outcome.end != RecordEnd::DeviceLost) outcome.end = RecordEnd::WriteFailed;
  outcome.frames = frames_;
  const std::string length = ClockText(frames_, rate_);
  switch (outcome.end) {
    case RecordEnd::Finished:
    case RecordEnd::Stopped:
      outcome.message = "Recorded " + length + " into " + path + ".";
      break;
    case RecordEnd::DeviceLost:
      outcome.message = "The recording device went away after " + length + " (" + deviceError + ")." +
                        "\r\nWhat was recorded is kept in " + path + ".";
      break;
    default:
      outcome.message = "The recording could not be written to " + path + " (the disk may be full).";
      break;
  }
  return outcome;
}

}  // namespace sonatap::live
