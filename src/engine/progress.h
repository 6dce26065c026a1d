#pragma once
#include <string>

namespace sonatap {

// A small window with a progress bar ("Saving Wav", "Auto Volume").
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void Open(const std::string& caption, int maximum) = 0;
  virtual void SetValue(int value) = 0;
  virtual void Close() = 0;
};

// For callers that show no progress.
class NoProgress final : public ProgressWindow {
 public:
  void Open(const std::string&, int) override {}
  void SetValue(int) override {}
  void Close() override {}
};

}  // namespace sonatap
