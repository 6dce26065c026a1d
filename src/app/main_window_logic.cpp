#include "app/main_window_logic.h"

#include "app/save_fiad.h"
#include "app/conversion_run.h"
#include "app/import_recording.h"
#include "app/open_input.h"
#include "app/rescue_run.h"
#include "engine/file_writer.h"
#include "app/store_fiad.h"

namespace sonatap {

MainWindowLogic::MainWindowLogic(Session& session, MainWindowPorts& ports, DebuggerWindow* debugger)
    : s_(session), ports_(ports), debugger_(debugger) {}

std::string MainWindowLogic::AboutText() {
  return std::string(kMainCaption) + "\r\n\r\n" + "TI99/4A Cassette Tape data file conversion tool.\r\n" +
         "Converts between cassette sound and FIAD formats.\r\n" + "14-06-2006.\r\n\r\n";
}

EnabledStates MainWindowLogic::CurrentStates() const {
  return {!s_.conversion.wavPath.empty(), !SelectedName().empty(), rescueReport_.has_value()};
}

std::string MainWindowLogic::SelectedName() const {
  const int row = ports_.SelectedRow();
  const auto& entries = s_.fiads.Entries();
  return row >= 0 && row < static_cast<int>(entries.size()) ? entries[row] : std::string();
}

bool MainWindowLogic::Handle(const MainEvent& event) {
  if (event.kind == EventKind::Menu) {
    if (event.number == menu_item::kExit) return false;  // at once
    HandleMenu(event.number);
  } else if (event.kind == EventKind::Gadget) {
    if (event.number == gadget::kClearDisplay) {
      // Replaces the Monitor text and leaves the enabled states as they are.
      s_.monitor.Clear();
      s_.monitor.ShowNow(ports_);
      return true;
    }
    HandleGadget(event.number);
  }
  if (ports_.StartPressed()) {
    s_.debug.gather = ports_.DebugTicked();
    ports_.ReleaseStart();
    Convert();
  }
  // Also after a run: the run unlocks "Save As" whatever the selection.
  ports_.ApplyEnabled(CurrentStates());
  return event.kind != EventKind::CloseBox;
}

void MainWindowLogic::HandleMenu(int item) {
  switch (item) {
    case menu_item::kOpen:
      OpenInputFile(s_, ports_.Prompts(), ports_);
      break;
    case menu_item::kImportRecording:
      ImportRecording(s_, ports_.Prompts(), ports_, ports_.ImportProgress(), temp_);
      break;
    case menu_item::kSaveAs:
      SaveSelected();
      break;
    case menu_item::kPlayToTi:
      if (const std::string name = SelectedName(); !name.empty()) ports_.PlayToTi(name);
      break;
    case menu_item::kRecordFromTape:
      if (const std::string path = ports_.RecordFromTape(temp_); !path.empty())
        ImportRecordingFile(path, s_, ports_.Prompts(), ports_, ports_.ImportProgress(), temp_);
      break;
    case menu_item::kTuning:
      ports_.RunTuningDialog();
      break;
    case menu_item::kDebug:
      RunDebugger();
      break;
    case menu_item::kRescueScan:
      Rescue();
      break;
    case menu_item::kSaveRescueReport:
      SaveRescueReport();
      break;
    case menu_item::kOptions:
      ports_.RunOptionsDialog();
      break;
    case menu_item::kHelp:
      ports_.OpenDocument(kHelpDocument);
      break;
    case menu_item::kAbout:
      ports_.Prompts().ShowMessage(kAboutCaption, AboutText());
      ports_.FocusFiadList();
      break;
    default:
      break;
  }
}

void MainWindowLogic::HandleGadget(int number) {
  switch (number) {
    case gadget::kSaveFiad:
      SaveSelected();
      break;
    case gadget::kDeleteFiad:
      DeleteSelected();
      break;
    case gadget::kViewBasic:
      ViewSelected();
      break;
    default:
      break;  // the toggles and boxes act through their state
  }
}

void MainWindowLogic::SaveSelected() {
  const std::string name = SelectedName();
  if (!name.empty()) SaveSelectedFiad(s_, name, ports_.Prompts(), ports_.SaveProgress(), ports_);
}

void MainWindowLogic::DeleteSelected() {
  if (SelectedName().empty()) return;
  DeleteFiad(s_.fiads, ports_.SelectedRow());
  ports_.RefreshFiadList();
  ports_.FocusFiadList();
}

void MainWindowLogic::ViewSelected() {
  const std::string name = SelectedName();
  if (name.empty()) return;
  if (auto listing = ShowBasicListing(s_.fiads, name, s_.decoder.tapeByteStream, s_.showRecords))
    ports_.ShowListing(*listing);
}

void MainWindowLogic::RunDebugger() {
  if (debugger_ == nullptr || !debugger_->Run()) return;
  StoreAccumulatedFiad(s_, ports_.Prompts());
  ports_.RefreshFiadList();
}

void MainWindowLogic::Convert() {
  RunServices services = Services([this](int) { ports_.RefreshFiadList(); });
  RunConversion(s_, services);
}

RunServices MainWindowLogic::Services(std::function<void(int slot)> stored) {
  return {ports_.ConversionView(), ports_.Prompts(), ports_.VolumeProgress(),
          debugger_ != nullptr ? *debugger_ : noDebugger_, std::move(stored)};
}

void MainWindowLogic::Rescue() {
  if (s_.conversion.wavPath.empty()) return;
  const std::vector<ScanSource> sources = PrepareRescueSources(s_, {}, temp_);
  std::vector<std::string> stored;
  RunServices services = Services([this, &stored](int) {
    stored.push_back(s_.fiads.Entries().front());
    ports_.RefreshFiadList();
  });
  rescueReport_ = RescueReport(s_, sources, RescueRecording(s_, services, sources), stored);
}

void MainWindowLogic::SaveRescueReport() {
  if (!rescueReport_) return;
  const std::string path = ports_.Prompts().ChooseSaveFile(RescueReportDialog());
  if (path.empty()) return;
  if (!WriteReportFile(ReportJson(*rescueReport_), path))
    ports_.Prompts().ShowMessage(kFileErrorCaption, WriteErrorText(path));
}

}  // namespace sonatap
