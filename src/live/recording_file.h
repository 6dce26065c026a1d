#pragma once
// A WAV file written while it is being recorded: 16-bit PCM at the stream's
// rate and channels. The header's two lengths are brought up to date about
// once a second and when the file is closed, so that a recording cut short
// (the device gone, the program stopped) is still a whole file.
#include <cstdint>
#include <cstdio>
#include <string>

namespace sonatap::live {

class RecordingFile {
 public:
  RecordingFile() = default;
  ~RecordingFile();  // closes, with the lengths right
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  // Creates (or empties) `path`; false when it cannot be written.
  bool Open(const std::string& path, int rate, int channels);
  // False when the disk refuses the frames.
  bool Append(const int16_t* samples, long frames);
  bool Close();

  int64_t Frames() const { return frames_; }
  int64_t Bytes() const { return 44 + frames_ * 2 * channels_; }  // the file's size

 private:
  bool PutLengths();
  std::FILE* file_ = nullptr;
  int rate_ = 0, channels_ = 0;
  int64_t frames_ = 0, framesAtLastHeader_ = 0;
};

}  // namespace sonatap::live
