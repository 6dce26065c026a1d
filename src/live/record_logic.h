#pragma once
// What the "Record from Tape" window and `sonatap-cli record` do, without
// widgets: an input device recorded into a 16-bit WAV file (44100 Hz, or
// the device's own rate when it refuses that; one or two channels) with a
// level meter, the time, the size written and Stop. A device that goes away
// ends the recording and keeps what came before.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "live/audio_io.h"
#include "live/level_meter.h"
#include "engine/temp_folder.h"

namespace sonatap::live {

enum class RecordEnd { Finished, Stopped, DeviceLost, NotOpened, WriteFailed };

struct RecordOutcome {
  RecordEnd end = RecordEnd::NotOpened;
  std::string message;
  int64_t frames = 0;
  // Whether the file holds a recording (whole, with its lengths right).
  bool Kept() const { return end == RecordEnd::Finished || end == RecordEnd::Stopped || end == RecordEnd::DeviceLost; }
};

// A new file name in the program run's temporary folder ("" when there is no
// folder): recordings go in a folder of their own there, so that
// conditioning, which writes beside them under the same name, never meets them.
std::string NewRecordingPath(TempFolder& folder);

// "1.4 MB", "230 KB".
std::string SizeText(int64_t bytes);

class RecordLogic {
 public:
  explicit RecordLogic(AudioSystem& audio);

  std::string NoDeviceText() const;
  const std::vector<std::string>& DeviceNames() const { return names_; }
  int DefaultDevice() const { return default_; }

  const LevelMeter& Meter() const { return meter_; }
  int Rate() const { return rate_; }
  int Channels() const { return channels_; }
  int64_t Frames() const { return frames_; }
  std::string TimeText() const;
  std::string SizeWrittenText() const;
  bool Recording() const { return recording_; }
  void Stop() { stopRequested_ = true; }

  // Records `device` ("" the default) into `path` until Stop, or for
  // `seconds` when above 0, calling `poll` after every block.
  RecordOutcome Record(const std::string& device, const std::string& path, double seconds,
                       const std::function<void()>& poll);

 private:
  AudioSystem& audio_;
  std::vector<DeviceInfo> devices_;
  std::vector<std::string> names_;
  int default_ = -1;
  LevelMeter meter_;
  int rate_ = 44100, channels_ = 1;
  int64_t frames_ = 0;
  bool stopRequested_ = false, recording_ = false;
};

}  // namespace sonatap::live
