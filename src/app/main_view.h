#pragma once
// The parts of the main window that operations outside a run change.
#include <string>

namespace sonatap {

class MainView {
 public:
  virtual ~MainView() = default;
  virtual void SetWavName(const std::string& name) = 0;  // frame "Current Wav File"
  virtual void ShowMonitor(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;
  // The "Loaded FIADs" list mirrors the FiadList's entries.
  virtual void RefreshFiadList() = 0;
  virtual void FocusFiadList() = 0;
};

}  // namespace sonatap
