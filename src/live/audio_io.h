#pragma once
// Sound in and out of the machine's audio devices, as the rest of the
// program sees it: a list of devices, a stream that plays and a stream that
// records, all 16-bit interleaved frames. One implementation talks to the
// sound system (OpenAudioSystem); tests put a fake of their own in its place.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sonatap::live {

struct DeviceInfo {
  std::string name;
  int inputChannels = 0;   // 0: cannot record
  int outputChannels = 0;  // 0: cannot play
  int defaultRate = 0;
  bool defaultInput = false;
  bool defaultOutput = false;
};

struct StreamFormat {
  int rate = 44100;
  int channels = 1;
};

class OutputStream {
 public:
  virtual ~OutputStream() = default;
  // Blocks until the device has taken the frames; false when it cannot
  // (the device went away), with the reason in Error().
  virtual bool Write(const int16_t* samples, long frames) = 0;
  // Waits until everything written has been played.
  virtual void Drain() = 0;
  virtual std::string Error() const = 0;
};

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Blocks until `frames` frames have arrived; false when they cannot
  // (the device went away), with the reason in Error().
  virtual bool Read(int16_t* samples, long frames) = 0;
  virtual std::string Error() const = 0;
};

class AudioSystem {
 public:
  virtual ~AudioSystem() = default;
  // Why there is no sound at all ("" when the system answered).
  virtual std::string Problem() const = 0;
  virtual std::vector<DeviceInfo> Devices() const = 0;
  // `device` is a name as FindDevice takes it, "" for the default. Null with
  // the reason in `error` when the device is missing, busy or refuses the format.
  virtual std::unique_ptr<OutputStream> OpenOutput(const std::string& device, StreamFormat format,
                                                   std::string& error) = 0;
  virtual std::unique_ptr<InputStream> OpenInput(const std::string& device, StreamFormat format,
                                                 std::string& error) = 0;
};

enum class Direction { Input, Output };

// The index in `devices` of the device `name` picks for `direction`: the
// default device for "", else an exact name, else the only name holding
// `name` (any case). -1 when none or more than one fit; `error` says which.
int FindDevice(const std::vector<DeviceInfo>& devices, const std::string& name, Direction direction,
               std::string& error);

// The devices of the machine's sound system (PortAudio). Never null; a
// machine without sound gives a system whose Problem() says so.
std::unique_ptr<AudioSystem> OpenAudioSystem();

}  // namespace sonatap::live
