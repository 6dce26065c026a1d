#pragma once
// The recording read in place: one unsigned byte per sample, addressed by
// 0-based file offset, through a read buffer (never copied whole).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace sonatap {

class SampleBuffer {
 public:
  SampleBuffer() = default;
  ~SampleBuffer() { Close(); }
  SampleBuffer(const SampleBuffer&) = delete;
  SampleBuffer& operator=(const SampleBuffer&) = delete;

  bool Open(const std::string& path);
  void Close();
  int64_t Length() const { return length_; }
  int64_t Position() const { return bufferStart_ + static_cast<int64_t>(next_); }
  bool AtEnd() const { return Position() >= length_; }
  void Seek(int64_t offset);
  // The next byte; 0 at the end of the file.
  uint8_t ReadNext() {
    if (next_ < filled_) return buffer_[next_++];
    return Refill();
  }

 private:
  uint8_t Refill();
  std::FILE* file_ = nullptr;
  int64_t length_ = 0;
  int64_t bufferStart_ = 0;
  size_t next_ = 0;
  size_t filled_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace sonatap
