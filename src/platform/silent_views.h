#pragma once
// Stand-ins for runs nobody watches (batch use, benchmarks): no windows, no
// Stop, and no debugger window to store from.
#include <string>

#include "platform/run_view.h"

namespace sonatap {

class SilentRunView final : public RunView {
 public:
  void LockInterface() override {}
  void UnlockInterface() override {}
  void ShowMonitor(const std::string&) override {}
  void SetProgress(int) override {}
  RunControls Poll() override { return {}; }
  void ReleaseStop() override {}
  void OpenStatus() override {}
  void UpdateStatus(const StatusFields&) override {}
  void CloseStatus() override {}
  void OpenGfx() override {}
  void ShowGfx(const RasterImage&) override {}
  void CloseGfx() override {}
};

class NoDebuggerWindow final : public DebuggerWindow {
 public:
  bool Run() override { return false; }
};

}  // namespace sonatap
