// The audio devices through PortAudio, with blocking streams: the callers
// play and record in a plain loop, with no thread or event loop of ours.
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include "live/audio_io.h"

namespace sonatap::live {
namespace {

// ALSA reports every card it probes and cannot open on stderr; none of it
// is news to the user, whose devices are listed anyway.
class QuietStderr {
 public:
  QuietStderr() {
    saved_ = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
  }
  ~QuietStderr() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

std::string ErrorText(PaError code) {
  if (code == paUnanticipatedHostError) {
    const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo();
    if (info != nullptr && info->errorText != nullptr && *info->errorText != '\0') return info->errorText;
  }
  return Pa_GetErrorText(code);
}

class PaOutput final : public OutputStream {
 public:
  explicit PaOutput(PaStream* stream) : stream_(stream) {}
  ~PaOutput() override {
    if (!drained_) Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
  }
  bool Write(const int16_t* samples, long frames) override {
    const PaError result = Pa_WriteStream(stream_, samples, static_cast<unsigned long>(frames));
    if (result == paNoError || result == paOutputUnderflowed) return true;
    error_ = ErrorText(result);
    return false;
  }
  void Drain() override {
    Pa_StopStream(stream_);
    drained_ = true;
  }
  std::string Error() const override { return error_; }

 private:
  PaStream* stream_;
  std::string error_;
  bool drained_ = false;
};

class PaInput final : public InputStream {
 public:
  explicit PaInput(PaStream* stream) : stream_(stream) {}
  ~PaInput() override {
    Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
  }
  bool Read(int16_t* samples, long frames) override {
    const PaError result = Pa_ReadStream(stream_, samples, static_cast<unsigned long>(frames));
    if (result == paNoError || result == paInputOverflowed) return true;
    error_ = ErrorText(result);
    return false;
  }
  std::string Error() const override { return error_; }

 private:
  PaStream* stream_;
  std::string error_;
};

class PaSystem final : public AudioSystem {
 public:
  PaSystem() {
    QuietStderr quiet;
    const PaError result = Pa_Initialize();
    if (result != paNoError) {
      problem_ = "The sound system cannot be used: " + ErrorText(result);
      return;
    }
    initialised_ = true;
    const PaDeviceIndex defaultIn = Pa_GetDefaultInputDevice(), defaultOut = Pa_GetDefaultOutputDevice();
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
      const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
      if (info == nullptr) continue;
      devices_.push_back({info->name ? info->name : "", info->maxInputChannels, info->maxOutputChannels,
                          static_cast<int>(info->defaultSampleRate), i == defaultIn, i == defaultOut});
      indices_.push_back(i);
    }
    if (devices_.empty()) problem_ = "No audio device was found.";
  }
  ~PaSystem() override {
    if (initialised_) Pa_Terminate();
  }

  std::string Problem() const override { return problem_; }
  std::vector<DeviceInfo> Devices() const override { return devices_; }

  std::unique_ptr<OutputStream> OpenOutput(const std::string& device, StreamFormat format,
                                           std::string& error) override {
    PaStream* stream = Open(device, Direction::Output, format, error);
    return stream ? std::make_unique<PaOutput>(stream) : nullptr;
  }
  std::unique_ptr<InputStream> OpenInput(const std::string& device, StreamFormat format,
                                         std::string& error) override {
    PaStream* stream = Open(device, Direction::Input, format, error);
    return stream ? std::make_unique<PaInput>(stream) : nullptr;
  }

 private:
  PaStream* Open(const std::string& device, Direction direction, StreamFormat format, std::string& error) {
    if (!initialised_) {
      error = problem_;
      return nullptr;
    }
    const int found = FindDevice(devices_, device, direction, error);
    if (found < 0) return nullptr;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(indices_[found]);
    PaStreamParameters parameters{};
    parameters.device = indices_[found];
    parameters.channelCount = format.channels;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency =
        info == nullptr ? 0.1 : direction == Direction::Input ? info->defaultHighInputLatency : info->defaultHighOutputLatency;
    PaStream* stream = nullptr;
    QuietStderr quiet;
    PaError result = Pa_OpenStream(&stream, direction == Direction::Input ? &parameters : nullptr,
                                   direction == Direction::Output ? &parameters : nullptr, format.rate,
                                   paFramesPerBufferUnspecified, paClipOff, nullptr, nullptr);
    if (result == paNoError) result = Pa_StartStream(stream);
    if (result != paNoError) {
      if (stream != nullptr) Pa_CloseStream(stream);
      error = "The audio device '" + devices_[found].name + "' cannot be opened (" + ErrorText(result) +
              "); it may be busy or gone.";
      return nullptr;
    }
    return stream;
  }

  bool initialised_ = false;
  std::string problem_;
  std::vector<DeviceInfo> devices_;
  std::vector<PaDeviceIndex> indices_;
};

}  // namespace

std::unique_ptr<AudioSystem> OpenAudioSystem() { return std::make_unique<PaSystem>(); }

}  // namespace sonatap::live
