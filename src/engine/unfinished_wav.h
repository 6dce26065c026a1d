#pragma once
// A WAV whose recorder never came back to write its lengths (it crashed, the
// disk filled, the power went): its header says the sound is 0 bytes long,
// and libsndfile finds nothing in it. Read through this view, the header
// gives the lengths the file's size does, and the whole recording is there.
//
//   offset  size  field
//   0       4     "RIFF"
//   4       4     RIFF length: the file's size - 8        (0: given)
//   8       4     "WAVE"
//   12      ...   chunks: id (4), length (4), body padded to an even length
//   d       4     "data" chunk's length                   (0: the bytes after it)
#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace sonatap {

class UnfinishedWav {
 public:
  // The view, or null when `path` is not a WAV with a data length of 0 and
  // sound after it.
  static std::unique_ptr<UnfinishedWav> Open(const std::string& path);
  ~UnfinishedWav();
  UnfinishedWav(const UnfinishedWav&) = delete;
  UnfinishedWav& operator=(const UnfinishedWav&) = delete;

  // For sf_open_virtual, with this view as its user data.
  static SF_VIRTUAL_IO& Io();

 private:
  UnfinishedWav() = default;
  // Reads at the position, with the lengths put in.
  sf_count_t Read(void* to, sf_count_t count);

  std::FILE* file_ = nullptr;
  int64_t size_ = 0, position_ = 0;
  uint8_t riffLength_[4] = {}, dataLength_[4] = {};
  int64_t riffLengthAt_ = -1, dataLengthAt_ = -1;  // -1: read as it is
};

}  // namespace sonatap
