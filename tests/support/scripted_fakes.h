#pragma once
// Scripted stand-ins for the user and the windows, so whole flows run
// headless: prompts are answered from queues and everything shown is kept.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "app/main_window_logic.h"
#include "app/run_view.h"
#include "app/user_prompts.h"

namespace sonatap {

struct Message {
  std::string caption, text;
  bool operator==(const Message&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Message& m) { return out << m.caption << " | " << m.text; }

class ScriptedPrompts final : public UserPrompts {
 public:
  std::deque<std::string> texts;       // answers to AskText, in order
  std::deque<bool> yesNo;              // answers to AskYesNo
  std::deque<std::string> openFiles, saveFiles;
  std::deque<SaveFileType> fileTypes;
  std::vector<Message> messages;       // message boxes and questions, in order
  std::vector<Message> textPrompts;    // caption and message of every AskText
  std::vector<std::string> textDefaults;
  std::vector<FileDialog> dialogs;

  void ShowMessage(const std::string& caption, const std::string& text) override { messages.push_back({caption, text}); }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    messages.push_back({caption, text});
    return Next(yesNo, "AskYesNo");
  }
  std::string AskText(const std::string& caption, const std::string& message, const std::string& def) override {
    textPrompts.push_back({caption, message});
    textDefaults.push_back(def);
    // An unscripted prompt fails the test but gets a valid name, so that a
    // prompt asked until the answer fits cannot loop for ever.
    if (texts.empty()) {
      ADD_FAILURE() << "unexpected AskText: " << caption;
      return "UNASKED";
    }
    return Next(texts, "AskText");
  }
  std::string ChooseOpenFile(const FileDialog& d) override {
    dialogs.push_back(d);
    return Next(openFiles, "ChooseOpenFile");
  }
  std::string ChooseSaveFile(const FileDialog& d) override {
    dialogs.push_back(d);
    return Next(saveFiles, "ChooseSaveFile");
  }
  SaveFileType ChooseFileType() override {
    ++fileTypeAsked;
    return Next(fileTypes, "ChooseFileType");
  }
  int fileTypeAsked = 0;

 private:
  template <typename T>
  static T Next(std::deque<T>& queue, const char* what) {
    if (queue.empty()) {
      ADD_FAILURE() << "unexpected " << what;
      return T{};
    }
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};

class RecordingProgress final : public ProgressWindow {
 public:
  std::vector<std::string> captions;
  std::vector<int> values;
  bool open = false;
  void Open(const std::string& caption, int) override {
    captions.push_back(caption);
    open = true;
  }
  void SetValue(int value) override { values.push_back(value); }
  void Close() override { open = false; }
};

// Keeps the run's calls in order as short words, and answers polls from a script.
class FakeRunView final : public RunView {
 public:
  std::vector<std::string> calls;
  std::string monitor;
  StatusFields status;
  int polls = 0;
  int stopAtPoll = 0;  // the poll (from 1) at which Stop is found pressed; 0 never
  std::function<RunControls(int poll)> controls = [](int) { return RunControls{}; };
  std::vector<int> progress;
  int gfxShown = 0;

  void LockInterface() override { calls.push_back("lock"); }
  void UnlockInterface() override { calls.push_back("unlock"); }
  void ShowMonitor(const std::string& text) override { monitor = text; }
  void SetProgress(int percent) override { progress.push_back(percent); }
  RunControls Poll() override {
    RunControls c = controls(++polls);
    c.stopPressed = stopAtPoll != 0 && polls >= stopAtPoll;
    return c;
  }
  void ReleaseStop() override { calls.push_back("release"); }
  void OpenStatus() override { calls.push_back("status+"); }
  void UpdateStatus(const StatusFields& f) override { status = f; }
  void CloseStatus() override { calls.push_back("status-"); }
  void OpenGfx() override { calls.push_back("gfx+"); }
  void ShowGfx(const RasterImage&) override { ++gfxShown; }
  void CloseGfx() override { calls.push_back("gfx-"); }
};

class FakeDebugger final : public DebuggerWindow {
 public:
  std::function<bool()> onRun = [] { return false; };
  int runs = 0;
  bool Run() override {
    ++runs;
    return onRun();
  }
};

class FakeMainView final : public MainView {
 public:
  std::string wavName, monitor;
  std::vector<int> progress;
  int refreshes = 0, focuses = 0;
  void SetWavName(const std::string& name) override { wavName = name; }
  void ShowMonitor(const std::string& text) override { monitor = text; }
  void SetProgress(int p) override { progress.push_back(p); }
  void RefreshFiadList() override { ++refreshes; }
  void FocusFiadList() override { ++focuses; }
};

// The main window's ports: prompts and the run from the fakes above, and
// what the window was told kept.
class Ports final : public MainWindowPorts {
 public:
  ScriptedPrompts prompts;
  FakeRunView run;
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

}  // namespace sonatap
