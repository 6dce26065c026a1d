#pragma once
// Stand-ins for runs nobody watches (batch use, benchmarks): no windows, no
// Stop, and no debugger window to store from.
#include <optional>
#include <string>
#include <utility>

#include "app/run_view.h"
#include "app/user_prompts.h"

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

// Names every file with one name and says nothing (a caller that wants the
// messages overrides ShowMessage). A name already listed is followed by a
// number ("TAPE2", "TAPE3", ...), so a batch run never asks twice for the
// same answer; after kMaxRenames the prompts decline.
class NamingPrompts : public UserPrompts {
 public:
  explicit NamingPrompts(std::string name) : name_(std::move(name)) {}
  void ShowMessage(const std::string&, const std::string&) override {}
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  std::string AskText(const std::string&, const std::string&, const std::string&) override { return name_; }
  std::optional<std::string> AskFiadName(const std::string&, const std::string&, const std::string&) override {
    return name_;
  }
  std::optional<std::string> AskNewFiadName(const std::string&, const std::string&, const std::string&) override {
    if (renames_ == kMaxRenames) return std::nullopt;
    const std::string number = std::to_string(++renames_ + 1);
    return name_.substr(0, 10 - number.size()) + number;
  }
  std::string ChooseOpenFile(const FileDialog&) override { return ""; }
  std::string ChooseSaveFile(const FileDialog&) override { return ""; }
  SaveFileType ChooseFileType() override { return SaveFileType::Fiad; }

 private:
  static constexpr int kMaxRenames = 99;
  std::string name_;
  int renames_ = 0;
};

}  // namespace sonatap
