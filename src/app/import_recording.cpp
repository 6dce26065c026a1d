#include "app/import_recording.h"

#include <filesystem>

#include "app/debug_store.h"
#include "engine/file_writer.h"

namespace sonatap {

FileDialog ImportDialog() {
  return {"Import Recording", "Audio files | *.wav *.flac *.ogg *.aif *.aiff *.mp3|All Files | *.*", 1};
}

std::string ConditionedPath(const std::string& userPath, TempFolder& folder, const std::string& suffix) {
  if (folder.Path().empty()) return "";
  std::string stem = std::filesystem::path(userPath).stem().string();
  if (stem.empty()) stem = "recording";
  return (folder.Path() / (stem + suffix + ".wav")).string();
}

ImportedRecording ConditionIntoFolder(const std::string& userPath, TempFolder& folder,
                                      const ConditionOptions& options, ProgressWindow& progress,
                                      const std::string& suffix) {
  ImportedRecording imported;
  imported.path = ConditionedPath(userPath, folder, suffix);
  if (imported.path.empty()) {
    imported.outcome.error = "Cannot make a temporary folder for the conditioned recording.";
    return imported;
  }
  imported.outcome = ConditionRecording(userPath, imported.path, options, progress);
  return imported;
}

void ImportRecording(Session& session, UserPrompts& prompts, MainView& view, ProgressWindow& progress,
                     TempFolder& folder) {
  const std::string path = prompts.ChooseOpenFile(ImportDialog());
  if (path.empty()) {
    view.FocusFiadList();
    return;
  }
  ImportRecordingFile(path, session, prompts, view, progress, folder);
}

void ImportRecordingFile(const std::string& path, Session& session, UserPrompts& prompts, MainView& view,
                         ProgressWindow& progress, TempFolder& folder) {
  const ImportedRecording imported = ConditionIntoFolder(path, folder, {}, progress);
  if (!imported.outcome.ok) {
    prompts.ShowMessage(kFileErrorCaption, imported.outcome.error);
    view.FocusFiadList();
    return;
  }
  view.SetWavName(FileNamePart(path));
  session.monitor.text = std::string(kReadyText) + imported.outcome.summary + "\r\n";
  view.ShowMonitor(session.monitor.text);
  view.SetProgress(0);
  session.conversion.wavPath = imported.path;
  session.origin = {path, imported.outcome};
  view.FocusFiadList();
  if (session.debug.count > 0 && prompts.AskYesNo("Sonatap - Debug Data", "Do you wish to clear Debug data."))
    ClearDebugStore(session.debug, prompts);
}

}  // namespace sonatap
