#pragma once
// The recording read in place: one unsigned byte per sample, addressed by
// 0-based file offset, through a read buffer (never copied whole).
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace sonatap {

class GrowingFile;

class SampleBuffer {
 public:
  SampleBuffer() = default;
  ~SampleBuffer() { Close(); }
  SampleBuffer(const SampleBuffer&) = delete;
  SampleBuffer& operator=(const SampleBuffer&) = delete;

  bool Open(const std::string& path);
  // A file another thread is still writing: reads wait for its bytes, and
  // its length is known (AtEnd can be true) once the writing has ended.
  bool OpenGrowing(const std::string& path, GrowingFile& growing);
  void Close();
  int64_t Length() const { return length_; }
  int64_t Position() const { return bufferStart_ + static_cast<int64_t>(next_); }
  bool AtEnd() const { return Position() >= length_; }
  void Seek(int64_t offset);
  // The next byte; 0 at the end of the file.
  uint8_t ReadNext() {
    if (next_ < filled_) return buffer_[next_++];
    return Peek().empty() ? 0 : buffer_[next_++];
  }
  // The bytes from Position() on that one read brings in; empty at the end
  // of the file or when it cannot be read (shorter than when it was opened).
  std::span<const uint8_t> Peek() {
    if (next_ == filled_) Refill();
    return {buffer_.data() + next_, filled_ - next_};
  }
  // Moves past `count` bytes of the last Peek().
  void Skip(size_t count) { next_ += count; }

 private:
  void Refill();
  std::FILE* file_ = nullptr;
  GrowingFile* growing_ = nullptr;
  int64_t length_ = 0;
  int64_t bufferStart_ = 0;
  size_t next_ = 0;
  size_t filled_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace sonatap
