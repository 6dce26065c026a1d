#include "app/rescue_run.h"

#include <algorithm>

#include "app/import_recording.h"
#include "app/store_fiad.h"
#include "engine/sample_buffer.h"

namespace sonatap {
namespace {

// An imported recording is conditioned again with this high-pass: Adaptive
// reads the 1s of some shapes that the usual one blurs after long runs of 0s.
constexpr double kSharperHumCorner = 350;

struct CopyPlan {
  ConditionOptions options;
  SourceKind kind;
  std::string suffix;
  bool ofRecording = false;  // made of the 8-bit recording the run reads, not the user's file
};

std::string ScanLine(size_t number, const std::string& name, const ScanResult& result) {
  int verified = 0;
  for (const ScannedFile& file : result.files) {
    const std::vector<bool> records = file.VerifiedRecords();
    verified += static_cast<int>(std::count(records.begin(), records.end(), true));
  }
  return "Scan " + std::to_string(number) + ": " + name + ": " + std::to_string(result.files.size()) +
         " files, " + std::to_string(verified) + " records O.K.\r\n";
}

void ReportFile(MonitorLog& monitor, size_t number, const RescuedFile& file) {
  for (size_t r = 0; r < file.records.size(); ++r) {
    const RescuedRecord& record = file.records[r];
    const std::string name = "Rec #" + std::to_string(r + 1) + " ";
    if (record.verdict != Verdict::Ok) monitor.Append(name + VerdictText(record.verdict) + "\r\n");
    else if (record.conflict) monitor.Append(name + "O.K. (verified readings differed)\r\n");
  }
  monitor.Append("File " + std::to_string(number) + ": " + std::to_string(file.records.size()) +
                 " records: " + std::to_string(file.Count(Verdict::Ok)) + " O.K., " +
                 std::to_string(file.Count(Verdict::Repaired)) + " repaired, " +
                 std::to_string(file.Count(Verdict::Bad)) + " BAD\r\n");
}

// The debugger's rows from one file, and from them the decoded records a store takes.
void LoadFile(Session& session, const RescuedFile& file) {
  DebugStore& debug = session.debug;
  debug.Reset();
  debug.count = std::min(static_cast<int>(file.records.size()), DebugStore::kRows);
  for (int row = 1; row <= debug.count; ++row) {
    const RescuedRecord& record = file.records[row - 1];
    DebugRecord& r = debug.rows[row];
    r.status = DebugStatus(record.verdict);
    r.filePos = std::max<int64_t>(record.position, 0);
    std::copy(record.bytes.begin(), record.bytes.end(), r.data.begin() + 1);
  }
  session.decoder.recordData.fill(0);
  debug.WriteBack(session.decoder.recordData, session.decoder.recordCount);
}

}  // namespace

RecordingFacts CurrentRecordingFacts(const Session& session) {
  RecordingFacts facts{session.origin.userPath, kPlainRecordingFormat, "", 1, 1};
  if (const auto& c = session.origin.conditioning) {
    facts.format = c->format;
    facts.conditioning = c->summary;
    facts.timeScale = c->timeScale;
  }
  if (SampleBuffer samples; samples.Open(session.conversion.wavPath)) facts.dataStart = SampleDataStart(samples);
  return facts;
}

DecodeReport RescueReport(const Session& session, std::span<const ScanSource> sources, const RescueResult& result,
                          const std::vector<std::string>& stored) {
  DecodeReport report{CurrentRecordingFacts(session), true, {}, result.ladder.files, {}};
  auto next = stored.begin();
  for (const int slot : result.storedSlots) report.fiads.push_back(slot != 0 && next != stored.end() ? *next++ : "");
  for (const LadderScan& scan : result.ladder.scans) report.scans.push_back({ScanName(scan, sources), scan.settings});
  return report;
}

RecordStatus DebugStatus(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok: return RecordStatus::Ok;
    case Verdict::Repaired: return RecordStatus::Unknown;
    case Verdict::Bad: break;
  }
  return RecordStatus::Bad;
}

std::vector<ScanSource> PrepareRescueSources(const Session& session, const ConditionOptions& options,
                                             TempFolder& folder) {
  const std::string& wavPath = session.conversion.wavPath;
  std::vector<ScanSource> sources{{wavPath}};
  const RecordingOrigin& origin = session.origin;
  const std::optional<ConditionOutcome>& done = origin.conditioning;
  std::vector<CopyPlan> plans;
  if (!done) {
    plans.push_back({options, SourceKind::ConditionedCopy, "-rescue"});
  } else {
    ConditionOptions sharper = options;
    sharper.channel = done->channel;
    sharper.humCorner = kSharperHumCorner;
    plans.push_back({sharper, SourceKind::ConditionedCopy, "-rescue"});
    if (done->channels >= 2 && options.channel == 0) {
      ConditionOptions other = options;
      other.channel = done->channel == 1 ? 2 : 1;
      plans.push_back({other, SourceKind::OtherChannel, "-other"});
    }
  }
  // Of the recording as the run reads it: an imported one is a quarter the
  // size of a 16-bit stereo file, and already on its channel and speed.
  ConditionOptions dulled;
  dulled.dull = true;
  plans.push_back({dulled, SourceKind::DulledCopy, "-dulled", true});
  // Each copy is made when the ladder first reaches a scan of it, on that
  // scan's thread; the folder is made here, before any.
  SampleBuffer recording;
  if (folder.Path().empty() || !recording.Open(wavPath)) return sources;
  const auto first = static_cast<double>(SampleDataStart(recording) - 1);
  const double doneScale = done ? done->timeScale : 1;
  for (const CopyPlan& plan : plans) {
    ScanSource copy{"", plan.kind};
    const std::string from = plan.ofRecording ? wavPath : origin.userPath;
    copy.make = [plan, from, first, doneScale, &folder] {
      NoProgress quiet;
      const ImportedRecording made = ConditionIntoFolder(from, folder, plan.options, quiet, plan.suffix);
      SampleBuffer copied;
      if (!made.outcome.ok || !copied.Open(made.path)) return ScanSource{"", plan.kind};
      // Copies map onto the recording the run reads: seconds of it per second of each.
      const double scale = made.outcome.timeScale / (plan.ofRecording ? 1 : doneScale);
      const auto copyFirst = static_cast<double>(SampleDataStart(copied) - 1);
      return ScanSource{made.path, plan.kind, scale, first - copyFirst * scale};
    };
    sources.push_back(std::move(copy));
  }
  return sources;
}

RescueResult RescueRecording(Session& session, RunServices& services, std::span<const ScanSource> sources) {
  RunView& view = services.view;
  MonitorLog& monitor = session.monitor;
  view.LockInterface();
  monitor.Append("Rescue Scan: " + FileNamePart(session.conversion.wavPath) + "\r\n");
  monitor.ShowNow(view);
  const std::vector<LadderScan> scans = LadderScans(sources, session.tuning);
  RescueResult result;
  // Each scan's line as soon as it is merged: a long side takes a while.
  size_t shown = 0;
  auto showScans = [&](const LadderOutcome& sofar) {
    for (; shown < sofar.results.size() && sofar.results[shown].complete; ++shown)
      monitor.Append(ScanLine(shown + 1, ScanName(sofar.scans[shown], sources), sofar.results[shown]));
  };
  result.ladder = RunLadder(sources, scans, [&](int percent, const LadderOutcome& sofar) {
    const size_t before = shown;
    showScans(sofar);
    if (shown != before) monitor.ShowNow(view);
    view.SetProgress(percent);
    return view.Poll().stopPressed;
  });
  const LadderOutcome& ladder = result.ladder;
  showScans(ladder);
  if (ladder.stopped) {
    monitor.Append("User Break..\r\n");
    view.ReleaseStop();
  }
  if (ladder.files.empty()) monitor.Append("No tape file found\r\n");
  for (size_t f = 0; f < ladder.files.size(); ++f) {
    const RescuedFile& file = ladder.files[f];
    ReportFile(monitor, f + 1, file);
    monitor.ShowNow(view);
    LoadFile(session, file);
    StoreResult stored;
    if (file.Count(Verdict::Ok) == static_cast<int>(file.records.size())) {
      stored = StoreDecodedFiad(session, services.prompts);
    } else if (services.debugger.Run()) {
      stored = StoreAccumulatedFiad(session, services.prompts);
    }
    result.storedSlots.push_back(stored.slot);
    if (stored.slot != 0 && services.fiadStored) services.fiadStored(stored.slot);
  }
  monitor.Append("End of Rescue Scan\r\n\r\n");
  monitor.ShowNow(view);
  view.UnlockInterface();
  return result;
}

}  // namespace sonatap
