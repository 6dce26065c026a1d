#pragma once
// The main window's behaviour without its widgets: the numbers its menu
// items and gadgets carry, the one place where every event is dispatched,
// and the rules that keep "Start", "Save As" and the list buttons enabled
// only when they can do something.
#include <string>

#include <optional>

#include "app/decode_report.h"
#include "app/conversion_run.h"
#include "app/program_facts.h"
#include "app/main_view.h"
#include "app/run_view.h"
#include "app/silent_views.h"
#include "engine/temp_folder.h"
#include "app/user_prompts.h"
#include "app/session.h"

namespace sonatap {

inline constexpr const char* kMainCaption = "Sonatap 0.95b";
inline constexpr const char* kAboutCaption = "Sonatap - About";
inline constexpr const char* kHelpDocument = "SonatapHelp.html";

namespace menu_item {
constexpr int kOpen = 101;
constexpr int kSaveAs = 102;
constexpr int kExit = 103;
constexpr int kTuning = 104;
constexpr int kDebug = 105;
constexpr int kOptions = 106;
constexpr int kHelp = 107;
constexpr int kAbout = 108;
constexpr int kImportRecording = 109;  // File > "Import Recording...", after Open
constexpr int kPlayToTi = 110;         // File > "Play to TI...", after Save As
constexpr int kRecordFromTape = 111;   // File > "Record from Tape...", after Play to TI
constexpr int kRescueScan = 112;       // Project > "Rescue Scan", after Debug
constexpr int kSaveRescueReport = 113; // Project > "Save Rescue Report...", after Rescue Scan
}  // namespace menu_item

namespace gadget {
constexpr int kWavName = 0;
constexpr int kNameLabel = 1;
constexpr int kWavFrame = 2;
constexpr int kStart = 3;
constexpr int kDebug = 4;
constexpr int kSaveFiad = 5;
constexpr int kDeleteFiad = 6;
constexpr int kViewBasic = 7;
constexpr int kConverterFrame = 8;
constexpr int kStatus = 9;
constexpr int kMonitor = 10;
constexpr int kMonitorArea = 11;
constexpr int kProgress = 12;
constexpr int kFiadFrame = 13;
constexpr int kFiadList = 14;
constexpr int kClearDisplay = 15;
}  // namespace gadget

enum class EventKind { Menu, Gadget, CloseBox, Other };

struct MainEvent {
  EventKind kind = EventKind::Other;
  int number = -1;  // the menu item or gadget number
};

// The controls whose enabled state follows the program's state between events.
struct EnabledStates {
  bool start = false;        // gadget 3: a recording is loaded
  bool fiadActions = false;  // menu "Save As" and gadgets 5, 6, 7: an entry is selected
  bool rescueReport = false; // "Save Rescue Report...": a rescue has run
  bool operator==(const EnabledStates&) const = default;
};

// What the window offers the dispatch beyond the MainView.
class MainWindowPorts : public MainView {
 public:
  virtual UserPrompts& Prompts() = 0;
  virtual RunView& ConversionView() = 0;
  virtual ProgressWindow& VolumeProgress() = 0;  // "Auto Volume"
  virtual ProgressWindow& SaveProgress() = 0;    // "Saving Wav"
  virtual ProgressWindow& ImportProgress() = 0;  // "Conditioning"
  // The selected "Loaded FIADs" row (0 the newest), or -1.
  virtual int SelectedRow() const = 0;
  virtual bool StartPressed() const = 0;
  virtual void ReleaseStart() = 0;
  virtual bool DebugTicked() const = 0;
  virtual void ApplyEnabled(const EnabledStates& states) = 0;
  virtual void RunTuningDialog() = 0;
  virtual void RunOptionsDialog() = 0;
  // Shows the "TI BASIC Source" window until the user closes it.
  virtual void ShowListing(const BasicListing& listing) = 0;
  // Opens a document of the working folder with the system's default program.
  virtual void OpenDocument(const std::string& name) = 0;
  // File > "Play to TI...": plays the "Loaded FIADs" entry `name` as tape sound.
  virtual void PlayToTi(const std::string& name) { (void)name; }
  // File > "Record from Tape...": records into `folder` (or where the user
  // says) and gives the file to import, or "" when nothing was recorded.
  virtual std::string RecordFromTape(TempFolder& folder) {
    (void)folder;
    return {};
  }
};

class MainWindowLogic {
 public:
  // Without a debugger window the "Debug" menu item stays disabled and a
  // gathering run stores nothing (the debugger is what stores its file).
  MainWindowLogic(Session& session, MainWindowPorts& ports, DebuggerWindow* debugger = nullptr);

  // The enabled states right after start-up: nothing loaded, nothing listed.
  static EnabledStates StartUpStates() { return {}; }
  bool DebugMenuAvailable() const { return debugger_ != nullptr; }

  // Runs the event's operation to its end, then starts a run when "Start" is
  // pressed or else brings the enabled states up to date. False when the
  // program is to end.
  bool Handle(const MainEvent& event);

  EnabledStates CurrentStates() const;
  static std::string AboutText();

 private:
  void HandleMenu(int item);
  void HandleGadget(int number);
  std::string SelectedName() const;  // "" when nothing is selected
  void SaveSelected();
  void DeleteSelected();
  void ViewSelected();
  void RunDebugger();
  RunServices Services(std::function<void(int slot)> stored);
  void Convert();
  void Rescue();
  void SaveRescueReport();

  Session& s_;
  MainWindowPorts& ports_;
  DebuggerWindow* debugger_;
  NoDebuggerWindow noDebugger_;
  TempFolder temp_;  // imported recordings, conditioned, for this program run only
  std::optional<DecodeReport> rescueReport_;  // of the last rescue
};

}  // namespace sonatap
