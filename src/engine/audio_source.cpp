#include "engine/audio_source.h"

#include <sndfile.h>
#include <sys/stat.h>

#include "engine/unfinished_wav.h"

namespace sonatap {
namespace {

std::string SampleKind(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return "8-bit";
    case SF_FORMAT_PCM_16: return "16-bit";
    case SF_FORMAT_PCM_24: return "24-bit";
    case SF_FORMAT_PCM_32: return "32-bit";
    case SF_FORMAT_FLOAT: return "float";
    case SF_FORMAT_DOUBLE: return "double";
    default: return "compressed";
  }
}

}  // namespace

AudioSource::AudioSource() = default;

AudioSource::~AudioSource() {
  if (file_) sf_close(file_);  // before the view it may read through
}

AudioSource::OpenResult AudioSource::Open(const std::string& path, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "Error accessing file.";
    return OpenResult::Unreadable;
  }
  SF_INFO sfInfo{};
  file_ = sf_open(path.c_str(), SFM_READ, &sfInfo);
  if (!file_) {
    error = "Not an audio file Sonatap can read (" + std::string(sf_strerror(nullptr)) + ").";
    return OpenResult::NotAudio;
  }
  if (sfInfo.frames <= 0) {
    if (auto unfinished = UnfinishedWav::Open(path)) {
      SF_INFO whole{};
      if (SNDFILE* read = sf_open_virtual(&UnfinishedWav::Io(), SFM_READ, &whole, unfinished.get())) {
        sf_close(file_);
        file_ = read;
        sfInfo = whole;
        unfinished_ = std::move(unfinished);
      }
    }
  }
  format_ = {sfInfo.samplerate, sfInfo.channels, sfInfo.frames, SampleKind(sfInfo.format)};
  if (format_.channels < 1 || format_.channels > kMaxAudioChannels) {
    error = "Cannot use a recording of " + std::to_string(format_.channels) + " channels (1 to " +
            std::to_string(kMaxAudioChannels) + " are read).";
  } else if (format_.rate < 8000 || format_.rate > 384000) {
    error = "Cannot use a recording at " + std::to_string(format_.rate) + " Hz (8000 to 384000 Hz are read).";
  } else if (format_.frames <= 0) {
    error = "The recording holds no sound.";
  } else {
    return OpenResult::Ok;
  }
  sf_close(file_);
  file_ = nullptr;
  unfinished_.reset();
  return OpenResult::Unusable;
}

int64_t AudioSource::Read(std::vector<float>& out, int64_t frames) {
  out.resize(static_cast<size_t>(frames * format_.channels));
  const sf_count_t got = sf_readf_float(file_, out.data(), frames);
  if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) failed_ = true;
  return got < 0 ? 0 : got;
}

bool AudioSource::Rewind() { return sf_seek(file_, 0, SEEK_SET) == 0; }

std::string DescribeFormat(const AudioFormat& format) {
  const char* layout = format.channels == 1 ? "mono" : format.channels == 2 ? "stereo" : nullptr;
  return format.sampleKind + " " + (layout ? layout : std::to_string(format.channels) + "-channel") + " " +
         std::to_string(format.rate) + " Hz";
}

}  // namespace sonatap
