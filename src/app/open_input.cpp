#include "app/open_input.h"

#include "engine/file_writer.h"
#include "engine/input_file.h"

namespace sonatap {

FileDialog OpenDialog() {
  return {"Open TI Cassette File sound/wav or FIAD", "All Files | *.*|WAV File | *.wav|FIAD File |*.fiad", 1};
}

void OpenInputFile(Session& session, UserPrompts& prompts, MainView& view) {
  const std::string path = prompts.ChooseOpenFile(OpenDialog());
  if (path.empty()) {
    view.FocusFiadList();
    return;
  }
  FiadSlot& staging = session.fiads.Staging();
  const InputFile input = ReadInputFile(path, staging.image);
  switch (input.kind) {
    case InputKind::Unreadable:
      prompts.ShowMessage(kFileErrorCaption, kAccessErrorText);
      return;
    case InputKind::Wav:
      view.SetWavName(FileNamePart(path));
      session.monitor.text = kReadyText;
      view.ShowMonitor(session.monitor.text);
      view.SetProgress(0);
      session.conversion.wavPath = path;
      session.origin = {path, std::nullopt};
      view.FocusFiadList();
      if (session.debug.count > 0 && prompts.AskYesNo("Sonatap - Debug Data", "Do you wish to clear Debug data."))
        ClearDebugStore(session.debug, prompts);
      return;
    case InputKind::Fiad:
      staging.recordCount = input.recordCount;
      AddToFiadList(session.fiads, input.probe, prompts);
      view.RefreshFiadList();
      view.FocusFiadList();
      return;
    case InputKind::Refused:
      prompts.ShowMessage(kFileErrorCaption, kRefusalText);
      view.FocusFiadList();
      return;
  }
}

}  // namespace sonatap
