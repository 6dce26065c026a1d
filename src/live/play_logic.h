#pragma once
// What the "Play to TI" window and `sonatap-cli play` do, without widgets:
// a FIAD's tape sound (the samples a WAV save writes) or an audio file,
// streamed block by block to an output device, with the time, a volume and
// Stop. The whole sound is never held in memory.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/fiad_image.h"
#include "live/audio_io.h"
#include "format/bit_shapes.h"

namespace sonatap::live {

inline constexpr const char* kAudioCaption = "Sonatap - Audio";
inline constexpr const char* kLoadNote =
    "On the TI-99/4A type OLD CS1 and press Enter. Press Enter again when it asks you to "
    "rewind the tape and press play, then start playing here.";
inline constexpr long kPlayBlockFrames = 2048;

enum class PlayEnd { Finished, Stopped, DeviceLost, NotOpened };

struct PlayOutcome {
  PlayEnd end = PlayEnd::NotOpened;
  std::string message;
};

// "m:ss" of a number of frames at `rate`.
std::string ClockText(int64_t frames, int rate);

class PlayLogic {
 public:
  explicit PlayLogic(AudioSystem& audio);

  // Why nothing can be played ("" when an output device is there).
  std::string NoDeviceText() const;
  const std::vector<std::string>& DeviceNames() const { return names_; }
  int DefaultDevice() const { return default_; }

  // What to play: a FIAD image (kept by reference until the play ends), or
  // an audio file. Gives the problem for the user, "" when it can be played.
  std::string UseFiad(const FiadImage& image, HeaderKind kind, const ShapeSet& shapes);
  std::string UseFile(const std::string& path);

  int Rate() const { return rate_; }
  int64_t TotalFrames() const { return total_; }
  int64_t PlayedFrames() const { return played_; }
  std::string TimeText() const;  // "elapsed / total"
  int Percent() const;

  void SetVolume(int percent);  // 0..100, takes effect with the next block
  int Volume() const { return volume_; }
  // Ends a play at the next block (from `poll`, a window's Stop button).
  void Stop() { stopRequested_ = true; }
  bool Playing() const { return playing_; }

  // Plays to `device` ("" the default), calling `poll` after every block.
  PlayOutcome Play(const std::string& device, const std::function<void()>& poll);

 private:
  friend class BlockPlayer;
  AudioSystem& audio_;
  std::vector<std::string> names_;
  int default_ = -1;
  const FiadImage* image_ = nullptr;
  HeaderKind kind_ = HeaderKind::Plain128;
  const ShapeSet* shapes_ = nullptr;
  std::string file_;
  int rate_ = 44100, channels_ = 1;
  int64_t total_ = 0, played_ = 0;
  int volume_ = 100;
  bool stopRequested_ = false, playing_ = false;
};

}  // namespace sonatap::live
