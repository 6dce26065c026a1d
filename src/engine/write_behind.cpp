#include "engine/write_behind.h"

namespace sonatap {

WriteBehind::WriteBehind(std::function<bool(const float*, size_t)> consume)
    : consume_(std::move(consume)), worker_([this] { Work(); }) {}

bool WriteBehind::Put(const float* samples, size_t count) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queued_.size() < kQueued || stopped_; });
  if (stopped_) return false;
  std::vector<float> block;
  if (!spare_.empty()) {
    block = std::move(spare_.back());
    spare_.pop_back();
  }
  block.assign(samples, samples + count);
  queued_.push_back(std::move(block));
  changed_.notify_all();
  return true;
}

bool WriteBehind::Finish() {
  if (worker_.joinable()) {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }
  return !stopped_;
}

void WriteBehind::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !queued_.empty() || closing_; });
    if (queued_.empty()) return;
    std::vector<float> block = std::move(queued_.front());
    queued_.pop_front();
    lock.unlock();
    const bool goesOn = consume_(block.data(), block.size());
    lock.lock();
    spare_.push_back(std::move(block));
    if (!goesOn) {
      stopped_ = true;
      queued_.clear();
    }
    changed_.notify_all();
    if (stopped_) return;
  }
}

}  // namespace sonatap
