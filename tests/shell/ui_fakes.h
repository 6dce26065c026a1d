#pragma once
// Stand-ins for the user and the main window, for the dialog and dispatch
// logic: prompts are answered from queues and what is shown is kept.
#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/main_window_logic.h"

namespace sonatap::ui_test {

struct Shown {
  std::string caption, text;
  bool operator==(const Shown&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Shown& m) { return out << m.caption << " | " << m.text; }

class AnsweringPrompts final : public UserPrompts {
 public:
  std::deque<std::string> texts, openFiles, saveFiles;
  std::deque<bool> answers;
  std::deque<SaveFileType> fileTypes;
  std::vector<Shown> messages;   // message boxes and Yes/No questions
  std::vector<Shown> textAsked;  // caption and message of each input prompt
  std::vector<FileDialog> dialogs;
  int fileTypeAsked = 0;

  void ShowMessage(const std::string& caption, const std::string& text) override { messages.push_back({caption, text}); }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    messages.push_back({caption, text});
    return Next(answers);
  }
  std::string AskText(const std::string& caption, const std::string& message, const std::string&) override {
    textAsked.push_back({caption, message});
    return Next(texts);
  }
  std::string ChooseOpenFile(const FileDialog& d) override {
    dialogs.push_back(d);
    return Next(openFiles);
  }
  std::string ChooseSaveFile(const FileDialog& d) override {
    dialogs.push_back(d);
    return Next(saveFiles);
  }
  SaveFileType ChooseFileType() override {
    ++fileTypeAsked;
    return Next(fileTypes);
  }

 private:
  template <typename T>
  static T Next(std::deque<T>& queue) {
    if (queue.empty()) {
      ADD_FAILURE() << "a prompt nobody expected";
      return T{};
    }
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};

class SilentRun final : public RunView {
 public:
  int locks = 0, unlocks = 0;
  std::string monitor;
  void LockInterface() override { ++locks; }
  void UnlockInterface() override { ++unlocks; }
  void ShowMonitor(const std::string& text) override { monitor = text; }
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

class Ports final : public MainWindowPorts {
 public:
  AnsweringPrompts prompts;
  SilentRun run;
  NoProgress progress;
  std::string wavName, monitor;
  int row = -1;
  bool startPressed = false, debugTicked = false;
  int focuses = 0, refreshes = 0, tuningRuns = 0, optionsRuns = 0;
  std::vector<EnabledStates> applied;
  std::vector<std::string> documents;
  std::vector<BasicListing> listings;

  void SetWavName(const std::string& name) override { wavName = name; }
  void ShowMonitor(const std::string& text) override { monitor = text; }
  void SetProgress(int) override {}
  void RefreshFiadList() override { ++refreshes; }
  void FocusFiadList() override { ++focuses; }
  UserPrompts& Prompts() override { return prompts; }
  RunView& ConversionView() override { return run; }
  ProgressWindow& VolumeProgress() override { return progress; }
  ProgressWindow& SaveProgress() override { return progress; }
  ProgressWindow& ImportProgress() override { return progress; }
  int SelectedRow() const override { return row; }
  bool StartPressed() const override { return startPressed; }
  void ReleaseStart() override { startPressed = false; }
  bool DebugTicked() const override { return debugTicked; }
  void ApplyEnabled(const EnabledStates& states) override { applied.push_back(states); }
  void RunTuningDialog() override { ++tuningRuns; }
  void RunOptionsDialog() override { ++optionsRuns; }
  void ShowListing(const BasicListing& listing) override { listings.push_back(listing); }
  void OpenDocument(const std::string& name) override { documents.push_back(name); }
  std::vector<std::string> played;
  std::string recorded;  // the file "Record from Tape" gives
  void PlayToTi(const std::string& name) override { played.push_back(name); }
  std::string RecordFromTape(sonatap::TempFolder&) override { return recorded; }
};

struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    static int serial = 0;
    path = std::filesystem::temp_directory_path() /
           ("sonatap-ui-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(path);
  }
  ~TempFolder() { std::filesystem::remove_all(path); }
  std::string Path(const std::string& name) const { return (path / name).string(); }
};

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace sonatap::ui_test
