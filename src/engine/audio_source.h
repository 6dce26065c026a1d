#pragma once
// Any audio file libsndfile reads (WAV of any width or float, extensible WAV,
// FLAC, Ogg, AIFF, MP3 where the library has it), streamed as float frames;
// also a WAV whose recorder never wrote its lengths (see unfinished_wav.h).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

namespace sonatap {

class UnfinishedWav;

constexpr int kMaxAudioChannels = 6;  // up to 5.1; more is not a tape recording

struct AudioFormat {
  int rate = 0;
  int channels = 0;
  int64_t frames = 0;
  std::string sampleKind;  // "16-bit", "24-bit", "float", ...
};

class AudioSource {
 public:
  AudioSource();
  ~AudioSource();
  AudioSource(const AudioSource&) = delete;
  AudioSource& operator=(const AudioSource&) = delete;

  enum class OpenResult { Ok, Unreadable, NotAudio, Unusable };
  // Anything but Ok comes with a message for the user in `error`.
  OpenResult Open(const std::string& path, std::string& error);
  const AudioFormat& Format() const { return format_; }
  // Up to `frames` interleaved frames into `out` (resized to fit); 0 at the
  // end. A read error leaves `failed` set.
  int64_t Read(std::vector<float>& out, int64_t frames);
  bool Rewind();
  bool Failed() const { return failed_; }

 private:
  sf_private_tag* file_ = nullptr;
  std::unique_ptr<UnfinishedWav> unfinished_;  // what file_ reads through, for a WAV whose lengths were never written
  AudioFormat format_;
  bool failed_ = false;
};

// "16-bit stereo 48000 Hz".
std::string DescribeFormat(const AudioFormat& format);

}  // namespace sonatap
