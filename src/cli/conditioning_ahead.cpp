#include "cli/conditioning_ahead.h"

namespace sonatap::cli {

ConditioningAhead::ConditioningAhead(const std::string& userPath, const std::string& path,
                                     const ConditionOptions& options)
    : worker_([this, userPath, path, options] {
        outcome_ = ConditionRecording(userPath, path, options, quiet_, &growing_);
      }) {
  if (growing_.WaitPast(0).ended) {
    worker_.join();
    if (!outcome_.ok) return;
  }
  started_ = true;
  stderr_ = std::cerr.rdbuf(held_.rdbuf());
}

ConditioningAhead::~ConditioningAhead() {
  if (worker_.joinable()) worker_.join();
  GiveBackStderr();
}

const ConditionOutcome& ConditioningAhead::Finish() {
  if (worker_.joinable()) worker_.join();
  GiveBackStderr();
  if (outcome_.ok) std::cerr << outcome_.summary << "\n" << held_.str() << std::flush;
  return outcome_;
}

void ConditioningAhead::GiveBackStderr() {
  if (stderr_) std::cerr.rdbuf(stderr_);
  stderr_ = nullptr;
}

}  // namespace sonatap::cli
