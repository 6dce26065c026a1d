#include "engine/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sonatap {
namespace {
constexpr size_t kBufferSize = 1 << 16;
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(tempPath_.c_str());
  }
}

bool AtomicFileWriter::Open() {
  std::string pattern = path_ + ".tmpXXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) return false;
  tempPath_ = pattern;
  // mkstemp makes the file private; give it the usual permissions of a new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  buffer_.reserve(kBufferSize);
  return true;
}

void AtomicFileWriter::Write(const uint8_t* bytes, size_t count) {
  if (fd_ < 0 || failed_) return;
  while (count > 0) {
    const size_t room = kBufferSize - buffer_.size();
    const size_t n = count < room ? count : room;
    buffer_.insert(buffer_.end(), bytes, bytes + n);
    bytes += n;
    count -= n;
    if (buffer_.size() == kBufferSize) Flush();
  }
}

void AtomicFileWriter::Flush() {
  size_t done = 0;
  while (!failed_ && done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failed_ = true;
    else done += static_cast<size_t>(n);
  }
  buffer_.clear();
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0) return false;
  Flush();
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (failed_ || !closed || std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    ::unlink(tempPath_.c_str());
    return false;
  }
  return true;
}

std::string WriteErrorText(const std::string& path) { return "Error writing file.\r\n" + path; }

}  // namespace sonatap
