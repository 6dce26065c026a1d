#include <filesystem>
#include <iostream>

#include "cli/cli_args.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "platform/file_writer.h"
#include "platform/silent_views.h"
#include "recognition/conversion_run.h"
#include "recognition/input_file.h"

namespace sonatap::cli {
namespace {

// Answers the name prompt with the chosen name; messages go to stderr.
class BatchPrompts final : public UserPrompts {
 public:
  explicit BatchPrompts(std::string name) : name_(std::move(name)) {}
  void ShowMessage(const std::string& caption, const std::string& text) override {
    std::cerr << caption << ": " << ToUnixLines(text) << "\n";
  }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  std::string AskText(const std::string&, const std::string&, const std::string&) override { return name_; }
  std::string ChooseOpenFile(const FileDialog&) override { return ""; }
  std::string ChooseSaveFile(const FileDialog&) override { return ""; }
  SaveFileType ChooseFileType() override { return SaveFileType::Fiad; }

 private:
  std::string name_;
};

std::string DefaultName(const std::string& wavPath) {
  std::string stem = std::filesystem::path(wavPath).stem().string();
  if (stem.size() > 10) stem.resize(10);
  return stem.empty() ? "TAPE" : stem;
}

void ApplyTuning(const Args& args, TuningSettings& t) {
  t.Threshold = args.Integer("threshold", 0, 6, t.Threshold);
  t.Tolerance = args.Integer("tolerance", 40, 600, t.Tolerance);
  t.RecognitionMethod = args.Method("recognition", kRecognitionNames, t.RecognitionMethod);
  t.DetectionMethod = args.Method("detection", kDetectionNames, t.DetectionMethod);
  t.SkipTime = args.Integer("skip-time", 0, 20, t.SkipTime);
  t.DcLevel = 128 + args.Integer("dc-offset", -108, 102, t.DcLevel - 128);
  if (auto volume = args.Value("volume")) {
    const size_t comma = volume->find(',');
    if (comma == std::string::npos) throw UsageError("--volume needs PLUS,MINUS");
    // The dialog's spins count hundredths.
    const int plus = ParseInteger(volume->substr(0, comma), "--volume PLUS", 0, 300);
    const int minus = ParseInteger(volume->substr(comma + 1), "--volume MINUS", 0, 300);
    t.VolumePlus = plus / 100.0f;
    t.VolumeMinus = -(minus / 100.0f);
    t.AutoVolume = false;
  }
}

}  // namespace

int RunDecode(const std::vector<std::string>& words) {
  const Args args(words,
                  {"out", "name", "threshold", "tolerance", "recognition", "detection", "skip-time", "dc-offset",
                   "volume"},
                  {});
  if (args.Positional().size() != 1) throw UsageError("decode needs one WAV file");
  const std::string wavPath = args.Positional()[0];
  const std::string name = args.Value("name").value_or(DefaultName(wavPath));
  if (!IsValidFiadName(name)) throw UsageError("--name must have 1 to 10 characters");
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
    throw UsageError("--name must not hold a path");
  const std::filesystem::path outDir = args.Value("out").value_or(".");

  auto session = Session::Create();
  ApplyTuning(args, session->tuning);

  const InputFile input = ReadInputFile(wavPath, session->fiads.Staging().image);
  session->fiads.Staging() = FiadSlot{};
  if (input.kind == InputKind::Unreadable) return Fail(kAccessErrorText, 2);
  if (input.kind == InputKind::Fiad) return Fail("This is a FIAD file, not a recording: use list or encode.", 2);
  if (input.kind == InputKind::Refused) return Fail(kRefusalText, 2);
  session->conversion.wavPath = wavPath;

  int written = 0;
  bool failed = false;
  SilentRunView view;
  BatchPrompts prompts(name);
  NoProgress progress;
  NoDebuggerWindow debugger;
  auto writeFiad = [&](int slot) {
    const FiadSlot& stored = session->fiads.Slot(slot);
    const int number = written + (failed ? 1 : 0) + 1;
    const std::string fileName = name + (number == 1 ? "" : "-" + std::to_string(number)) + ".fiad";
    const std::string path = (outDir / fileName).string();
    const int length = UsedLength(stored.image, HeaderKind::Plain128);
    AtomicFileWriter file(path);
    if (file.Open()) file.Write(stored.image.data(), length);
    if (file.Commit()) {
      ++written;
      std::cerr << "wrote " << path << " (" << stored.recordCount << " records, " << length << " bytes)\n";
    } else {
      failed = true;
      std::cerr << ToUnixLines(WriteErrorText(path)) << "\n";
    }
    // Each file is written at once, so a recording may hold any number.
    session->fiads.Clear();
  };
  RunServices services{view, prompts, progress, debugger, writeFiad};
  RunConversion(*session, services);
  std::cout << ToUnixLines(session->monitor.text);
  return written > 0 && !failed ? 0 : 1;
}

}  // namespace sonatap::cli
