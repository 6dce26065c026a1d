#include "app/save_fiad.h"

#include "engine/file_writer.h"
#include "engine/wav_writer.h"

namespace sonatap {

FileDialog FiadSaveDialog(const std::string& name) {
  return {"Sonatap -  Save TI FIAD File " + name, "FIAD File | *.fiad|All Files | *.*", 2};
}

void SaveSelectedFiad(Session& session, const std::string& entryName, UserPrompts& prompts,
                      ProgressWindow& wavProgress, MainView& view) {
  const int slot = session.fiads.FindSlot(entryName);
  if (slot == 0) return;
  const FiadImage& image = session.fiads.Slot(slot).image;
  if (prompts.ChooseFileType() == SaveFileType::Wav) {
    SaveWav(image, entryName, session.shapes.set, prompts, wavProgress);
    return;
  }
  const std::string path = prompts.ChooseSaveFile(FiadSaveDialog(entryName));
  if (path.empty()) return;
  // The file ends up holding exactly the image, so an older, longer file
  // leaves no tail; a failed write is reported rather than passed over.
  AtomicFileWriter file(path);
  if (file.Open()) file.Write(image.data(), static_cast<size_t>(UsedLength(image, HeaderKindOf(entryName))));
  if (!file.Commit()) prompts.ShowMessage(kFileErrorCaption, WriteErrorText(path));
  view.FocusFiadList();
}

void SaveWav(const FiadImage& image, const std::string& listName, const ShapeSet& shapes, UserPrompts& prompts,
             ProgressWindow& progress) {
  const std::string chosen =
      prompts.ChooseSaveFile({"Sonatap - Save TI Wav File " + listName, "Wav File | *.wav|All Files | *.*", 1});
  if (chosen.empty()) return;
  if (auto error = WriteWavFile(WavFileName(chosen), image, HeaderKindOf(listName), shapes, progress))
    prompts.ShowMessage(error->refused ? "Sonatap - Error" : kFileErrorCaption, error->text);
}

}  // namespace sonatap
