#pragma once
// A recording conditioned on one core while the run reads it on the other:
// the run follows the conditioned file as it grows. What the run prints to
// stderr meanwhile (the files it writes) is held back until the conditioning
// line is out, so stderr reads as it does when the two take turns.
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "app/import_recording.h"
#include "engine/growing_file.h"

namespace sonatap::cli {

class ConditioningAhead {
 public:
  // Starts the conditioning and waits for its first bytes. `path`: where the
  // conditioned file goes (ConditionedPath).
  ConditioningAhead(const std::string& userPath, const std::string& path, const ConditionOptions& options);
  ~ConditioningAhead();
  ConditioningAhead(const ConditioningAhead&) = delete;
  ConditioningAhead& operator=(const ConditioningAhead&) = delete;

  // False when the conditioning failed before it wrote anything.
  bool Started() const { return started_; }
  GrowingFile& File() { return growing_; }
  // Waits for the conditioning to end. Then stderr is the user's again;
  // when the conditioning succeeded, its line and what was held back are on it.
  const ConditionOutcome& Finish();

 private:
  void GiveBackStderr();

  NoProgress quiet_;
  GrowingFile growing_;
  ConditionOutcome outcome_;
  std::jthread worker_;
  bool started_ = false;
  std::ostringstream held_;
  std::streambuf* stderr_ = nullptr;
};

}  // namespace sonatap::cli
