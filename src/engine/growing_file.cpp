#include "engine/growing_file.h"

namespace sonatap {

void GrowingFile::Grew(int64_t size) {
  {
    const std::lock_guard lock(mutex_);
    written_.size = size;
  }
  changed_.notify_all();
}

void GrowingFile::End() {
  {
    const std::lock_guard lock(mutex_);
    written_.ended = true;
  }
  changed_.notify_all();
}

GrowingFile::Written GrowingFile::WaitPast(int64_t position) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return written_.size > position || written_.ended; });
  return written_;
}

}  // namespace sonatap
