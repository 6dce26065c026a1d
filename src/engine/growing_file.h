#pragma once
// A file that one thread writes while another reads it: the writer tells how
// far it has written and when it has ended, and the reader waits for bytes
// not written yet. The CLI decodes a sound card's recording while it is
// still being conditioned, on the machine's other core.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sonatap {

class GrowingFile {
 public:
  // Writer: the file now holds `size` bytes, all of them flushed.
  void Grew(int64_t size);
  // Writer: no more bytes come.
  void End();

  struct Written {
    int64_t size = 0;
    bool ended = false;
  };
  // Reader: waits until more than `position` bytes are written or the
  // writing has ended.
  Written WaitPast(int64_t position);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  Written written_;
};

}  // namespace sonatap
