#pragma once
// What the program makes for itself (its temporary folder, a file written
// under another name until it is whole) goes when Ctrl-C, a kill or a closed
// terminal ends the program, as it goes at a normal end: a conditioned tape
// side is hundreds of megabytes, and nothing of a run may outlive it.
#include <string>

namespace sonatap {

// Once, at the start of main: SIGINT, SIGTERM and SIGHUP (those not ignored,
// as nohup leaves SIGHUP) remove what is registered below, then end the
// program as they would have.
void RemoveOnEndingSignals();

// While this lives, `path` (a file, or a folder of files) is removed when
// such a signal ends the program.
class RemovedOnSignal {
 public:
  explicit RemovedOnSignal(const std::string& path);
  ~RemovedOnSignal();
  RemovedOnSignal(const RemovedOnSignal&) = delete;
  RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

 private:
  int slot_ = -1;  // -1: no room was left, the path stays on a signal
};

}  // namespace sonatap
