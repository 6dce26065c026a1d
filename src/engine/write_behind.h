#pragma once
// Blocks of samples handed, in order, to a thread of their own that consumes
// them (levels and writes the conditioned recording), so that reading,
// filtering and resampling the next blocks go on meanwhile on the other core.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sonatap {

class WriteBehind {
 public:
  // `consume` runs on the thread, a block at a time; false stops it (a
  // write failed) and the blocks after are dropped.
  explicit WriteBehind(std::function<bool(const float*, size_t)> consume);
  ~WriteBehind() { Finish(); }
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Copies the block for the thread, waiting while kQueued blocks wait;
  // false once the thread has stopped.
  bool Put(const float* samples, size_t count);
  // Waits until every block put is consumed; false when the thread stopped.
  bool Finish();

 private:
  static constexpr size_t kQueued = 4;  // enough to ride out either side's hiccups, little memory
  void Work();

  std::function<bool(const float*, size_t)> consume_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<float>> queued_;
  std::vector<std::vector<float>> spare_;  // consumed blocks, their memory kept for the next
  bool closing_ = false, stopped_ = false;
  std::thread worker_;
};

}  // namespace sonatap
