#include "engine/sample_buffer.h"

#include <sys/stat.h>

#include <algorithm>
#include <limits>

#include "engine/growing_file.h"

namespace sonatap {
namespace {
constexpr size_t kBufferSize = 1 << 18;
}

bool SampleBuffer::Open(const std::string& path) {
  Close();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) return false;
  // Reads go to the buffer below, in whole blocks.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  length_ = static_cast<int64_t>(info.st_size);
  buffer_.resize(kBufferSize);
  bufferStart_ = 0;
  next_ = filled_ = 0;
  return true;
}

bool SampleBuffer::OpenGrowing(const std::string& path, GrowingFile& growing) {
  if (!Open(path)) return false;
  growing_ = &growing;
  length_ = std::numeric_limits<int64_t>::max();  // until the writing ends
  return true;
}

void SampleBuffer::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  growing_ = nullptr;
  length_ = bufferStart_ = 0;
  next_ = filled_ = 0;
}

void SampleBuffer::Seek(int64_t offset) {
  if (offset < 0) offset = 0;
  if (offset >= bufferStart_ && offset <= bufferStart_ + static_cast<int64_t>(filled_)) {
    next_ = static_cast<size_t>(offset - bufferStart_);
    return;
  }
  bufferStart_ = offset;
  next_ = filled_ = 0;
}

void SampleBuffer::Refill() {
  bufferStart_ += static_cast<int64_t>(next_);
  next_ = filled_ = 0;
  int64_t readable = length_;
  if (growing_ && file_) {
    const GrowingFile::Written written = growing_->WaitPast(bufferStart_);
    readable = written.size;
    if (written.ended) length_ = readable;
  }
  if (!file_ || bufferStart_ >= readable) return;
  if (fseeko(file_, bufferStart_, SEEK_SET) != 0) return;
  const auto wanted = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer_.size()), readable - bufferStart_));
  filled_ = std::fread(buffer_.data(), 1, wanted, file_);
}

}  // namespace sonatap
