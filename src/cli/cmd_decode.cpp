#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/batch_output.h"
#include "cli/cli_args.h"
#include "cli/cli_text.h"
#include "cli/conditioning_ahead.h"
#include "cli/commands.h"
#include "app/debug_records_text.h"
#include "app/silent_views.h"
#include "app/tuning_schema.h"
#include "engine/tuning_settings.h"
#include "app/conversion_run.h"
#include "app/decode_report.h"
#include "app/import_recording.h"
#include "app/rescue_run.h"
#include "engine/input_file.h"
#include "engine/volume_levels.h"

namespace sonatap::cli {
namespace {

std::string DefaultName(const std::string& wavPath) {
  std::string stem = std::filesystem::path(wavPath).stem().string();
  if (stem.size() > 10) stem.resize(10);
  return stem.empty() ? "TAPE" : stem;
}

// A whole-number option as the Tuning dialog shows it: within the field's
// range, less its shown offset.
int Field(const Args& args, TuningField field, int stored) {
  const TuningFieldInfo& f = FieldInfo(field);
  return f.shownOffset + args.Integer(f.option, f.low - f.shownOffset, f.high - f.shownOffset, stored - f.shownOffset);
}

void ApplyTuning(const Args& args, TuningSettings& t) {
  t.Threshold = Field(args, TuningField::Threshold, t.Threshold);
  t.Tolerance = Field(args, TuningField::Tolerance, t.Tolerance);
  t.RecognitionMethod = args.Method("recognition", kRecognitionNames, t.RecognitionMethod);
  t.DetectionMethod = args.Method("detection", kDetectionNames, t.DetectionMethod);
  t.SkipTime = Field(args, TuningField::SkipTime, t.SkipTime);
  t.DcLevel = Field(args, TuningField::DcLevel, t.DcLevel);
  if (auto volume = args.Value("volume")) {
    const size_t comma = volume->find(',');
    if (comma == std::string::npos) throw UsageError("--volume needs PLUS,MINUS");
    // The dialog's spins count hundredths.
    const TuningFieldInfo& p = FieldInfo(TuningField::VolumePlus);
    const TuningFieldInfo& m = FieldInfo(TuningField::VolumeMinus);
    const int plus = ParseInteger(volume->substr(0, comma), "--volume PLUS", p.low, p.high);
    const int minus = ParseInteger(volume->substr(comma + 1), "--volume MINUS", m.low, m.high);
    t.VolumePlus = plus / 100.0f;
    t.VolumeMinus = -(minus / 100.0f);
    t.AutoVolume = false;
  }
}

// Where the desktop program opens the debugger window at the end of a
// gathering scan, a batch run exports the store and then stores the file
// as "Store FIAD" would.
class ExportingDebugger final : public DebuggerWindow {
 public:
  ExportingDebugger(const Session& session, std::filesystem::path path) : session_(session), path_(std::move(path)) {}
  bool Run() override {
    const std::string path = NumberedPath(path_, ++files_).string();
    if (!WriteTextFile(DebugRecordsText(session_.debug, session_.decoder.tapeByteStream), path)) failed = true;
    return true;
  }
  bool failed = false;

 private:
  const Session& session_;
  std::filesystem::path path_;
  int files_ = 0;
};

// A rescued file that is not all O.K. is shown in the debugger window
// before it is stored; a batch run stores it as it is.
class StoringDebugger final : public DebuggerWindow {
 public:
  bool Run() override { return true; }
};

// Exit statuses: every stored record verified, some stored record not, no
// file stored (or one could not be written).
constexpr int kAllVerified = 0;
constexpr int kNothingStored = 1;
constexpr int kStoredUnverified = 3;

int ExitStatus(const DecodeReport& report, bool allWritten) {
  bool stored = false, unverified = false;
  for (size_t f = 0; f < report.files.size(); ++f) {
    if (f >= report.fiads.size() || report.fiads[f].empty()) continue;
    stored = true;
    unverified |= report.files[f].Count(Verdict::Ok) != static_cast<int>(report.files[f].records.size());
  }
  if (!stored || !allWritten) return kNothingStored;
  return unverified ? kStoredUnverified : kAllVerified;
}

}  // namespace

int RunDecode(const std::vector<std::string>& words) {
  const Args args(words,
                  {"out", "name", "threshold", "tolerance", "recognition", "detection", "skip-time", "dc-offset",
                   "volume", "debug-out", "channel", "report"},
                  {"condition", "rescue"});
  if (args.Positional().size() != 1) throw UsageError("decode needs one recording");
  const bool rescue = args.Has("rescue");
  if (rescue && args.Has("debug-out")) throw UsageError("--debug-out does not go with --rescue (--report has every record's verdict)");
  const std::string userPath = args.Positional()[0];
  const std::string name = args.Value("name").value_or(DefaultName(userPath));
  CheckFiadName(name);
  const std::filesystem::path outDir = OutFolder(args.Value("out"));
  const ConditionOptions conditionOptions = ConditionOptionsFrom(args);
  const std::optional<std::string> reportPath = args.Value("report");
  CheckFileFolder("--report", reportPath);
  CheckFileFolder("--debug-out", args.Value("debug-out"));
  CheckNotRecording(reportPath, userPath, "--report: FILE is the recording itself");
  CheckNotRecording(args.Value("debug-out"), userPath, "--debug-out: FILE is the recording itself");
  // With the report on stdout, the Monitor goes to stderr.
  std::ostream& monitorOut = reportPath == "-" ? std::cerr : std::cout;

  auto session = Session::Create();
  ApplyTuning(args, session->tuning);
  const InputFile input = ReadInputFile(userPath, session->fiads.Staging().image);
  session->fiads.Staging() = FiadSlot{};
  if (input.kind == InputKind::Unreadable) return Fail(kAccessErrorText, 2);
  if (input.kind == InputKind::Fiad) return Fail("This is a FIAD file, not a recording: use list or encode.", 2);
  // A recording Open takes is read as it is; any other audio is conditioned
  // first, and then read with the Adaptive method unless told otherwise.
  TempFolder temp;
  std::string wavPath = userPath;
  const bool conditioned = input.kind == InputKind::Refused || args.Has("condition") || args.Has("channel");
  if (conditioned && !args.Has("recognition")) session->tuning.RecognitionMethod = kAdaptiveMethod;
  // A plain run reads the recording while it is conditioned, unless it reads
  // the whole of it first (Auto Volume) or writes debug records on the way.
  std::optional<ConditioningAhead> ahead;
  if (conditioned && !rescue && !MeasuresAutoVolume(session->tuning) && !args.Has("debug-out")) {
    wavPath = ConditionedPath(userPath, temp);
    if (!wavPath.empty()) {
      ahead.emplace(userPath, wavPath, conditionOptions);
      if (!ahead->Started()) return ConditionFailure(ahead->Finish());
      session->conversion.growing = &ahead->File();
    }
  }
  if (conditioned && !ahead) {
    NoProgress quiet;
    const ImportedRecording imported = ConditionIntoFolder(userPath, temp, conditionOptions, quiet);
    if (!imported.outcome.ok) return ConditionFailure(imported.outcome);
    session->origin.conditioning = imported.outcome;
    std::cerr << imported.outcome.summary << "\n";
    wavPath = imported.path;
  }
  session->conversion.wavPath = wavPath;
  session->origin.userPath = userPath;
  DecodeReport report{{}, false, {}, {}, {}};

  NoDebuggerWindow noDebugger;
  StoringDebugger storing;
  std::unique_ptr<ExportingDebugger> exporter;
  if (auto debugOut = args.Value("debug-out")) {
    session->debug.gather = true;
    exporter = std::make_unique<ExportingDebugger>(*session, *debugOut);
  }
  DebuggerWindow& debugger = rescue ? storing : exporter ? static_cast<DebuggerWindow&>(*exporter) : noDebugger;
  RunVerdicts verdicts;
  int files = 0, written = 0;
  std::vector<std::string> paths;  // in the order the files were stored
  auto writeFiad = [&](int slot) {
    const std::string path = NumberedPath(outDir / (name + ".fiad"), ++files).string();
    const bool ok = WriteFiadFile(session->fiads.Slot(slot), path);
    written += ok;
    paths.push_back(ok ? path : "");
    if (!rescue) {
      report.fiads.resize(verdicts.files.size());
      if (!report.fiads.empty()) report.fiads.back() = paths.back();
    }
    // Each file is written at once, so a recording may hold any number; each
    // file's debug records are its own.
    session->fiads.Clear();
    session->debug.Reset();
  };
  SilentRunView view;
  BatchPrompts prompts(name);
  NoProgress progress;
  RunServices services{view, prompts, progress, debugger, writeFiad, rescue ? nullptr : &verdicts};
  if (rescue) {
    const std::vector<ScanSource> sources = PrepareRescueSources(*session, conditionOptions, temp);
    report = RescueReport(*session, sources, RescueRecording(*session, services, sources), paths);
  } else {
    RunConversion(*session, services);
    if (ahead) {
      session->conversion.growing = nullptr;
      const ConditionOutcome& outcome = ahead->Finish();
      if (!outcome.ok) {
        // What was read of it was no recording: as when conditioning comes first, nothing stays.
        std::error_code ignored;
        for (const std::string& path : paths)
          if (!path.empty()) std::filesystem::remove(path, ignored);
        return ConditionFailure(outcome);
      }
      session->origin.conditioning = outcome;
    }
    report.recording = CurrentRecordingFacts(*session);
    report.scans = {{kRecognitionMethods[session->tuning.RecognitionMethod - 1].label, {session->tuning, false}}};
    report.files = verdicts.files;
    report.fiads.resize(report.files.size());
  }
  monitorOut << ToUnixLines(session->monitor.text);
  bool reportWritten = true;
  if (reportPath == "-") std::cout << ReportJson(report);
  else if (reportPath) reportWritten = WriteTextFile(ReportJson(report), *reportPath);
  const bool allWritten = written == files && !(exporter && exporter->failed) && reportWritten;
  return ExitStatus(report, allWritten);
}

}  // namespace sonatap::cli
