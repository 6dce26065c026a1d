#include "app/decode_report.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "app/tuning_schema.h"
#include "engine/file_writer.h"
#include "format/tape_format.h"

namespace sonatap {
namespace {

using Json = nlohmann::ordered_json;

double Seconds(const RecordingFacts& r, int64_t position) {
  const double seconds = static_cast<double>(position - (r.dataStart - 1)) / kSampleRate * r.timeScale;
  return std::round(std::max(seconds, 0.0) * 1000) / 1000;
}

Json Position(int64_t position) { return position < 0 ? Json() : Json(position); }
Json Time(const RecordingFacts& r, int64_t position) { return position < 0 ? Json() : Json(Seconds(r, position)); }

Json ScanJson(size_t number, const ReportScan& scan) {
  const TuningSettings& t = scan.settings.tuning;
  return {{"scan", number},
          {"name", scan.name},
          {"recognition", kRecognitionMethods[t.RecognitionMethod - 1].option},
          {"detection", kDetectionMethods[t.DetectionMethod - 1].option},
          {"inverted", scan.settings.inverted}};
}

Json FileJson(const DecodeReport& report, size_t f) {
  const RescuedFile& file = report.files[f];
  const RecordingFacts& r = report.recording;
  Json records = Json::array();
  for (size_t i = 0; i < file.records.size(); ++i) {
    const RescuedRecord& record = file.records[i];
    records.push_back({{"record", i + 1},
                       {"verdict", VerdictText(record.verdict)},
                       {"scan", record.scan > 0 ? Json(record.scan) : Json()},
                       {"position", Position(record.position)},
                       {"seconds", Time(r, record.position)},
                       {"conflict", record.conflict}});
  }
  const std::string& fiad = f < report.fiads.size() ? report.fiads[f] : std::string();
  return {{"file", f + 1},
          {"position", file.header.syncPosition},
          {"seconds", Seconds(r, file.header.syncPosition)},
          {"firstCount", file.header.firstCount},
          {"secondCount", file.header.secondCount},
          {"fiad", fiad.empty() ? Json() : Json(fiad)},
          {"ok", file.Count(Verdict::Ok)},
          {"repaired", file.Count(Verdict::Repaired)},
          {"bad", file.Count(Verdict::Bad)},
          {"records", records}};
}

}  // namespace

std::string ReportJson(const DecodeReport& report) {
  const RecordingFacts& r = report.recording;
  Json scans = Json::array(), files = Json::array();
  for (size_t s = 0; s < report.scans.size(); ++s) scans.push_back(ScanJson(s + 1, report.scans[s]));
  for (size_t f = 0; f < report.files.size(); ++f) files.push_back(FileJson(report, f));
  const Json json = {{"version", 1},
                     {"recording",
                      {{"path", r.path},
                       {"format", r.format},
                       {"conditioning", r.conditioning.empty() ? Json() : Json(r.conditioning)},
                       {"timeScale", r.timeScale}}},
                     {"rescue", report.rescue},
                     {"scans", scans},
                     {"files", files}};
  // Invalid UTF-8 in a path is replaced rather than refused.
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool WriteReportFile(const std::string& json, const std::string& path) {
  AtomicFileWriter file(path);
  if (!file.Open()) return false;
  file.Write(reinterpret_cast<const uint8_t*>(json.data()), json.size());
  return file.Commit();
}

FileDialog RescueReportDialog() { return {"Save Rescue Report", "JSON files | *.json|All Files | *.*", 1}; }

void RunVerdicts::CountBytesRead(const TapeFileHeader& header) {
  RescuedFile& file = files.emplace_back();
  file.header = header;
  file.records.resize(static_cast<size_t>(std::max(header.secondCount, 0)));
}

RescuedRecord* RunVerdicts::Record(int record) {
  if (files.empty() || record < 1 || record > static_cast<int>(files.back().records.size())) return nullptr;
  return &files.back().records[record - 1];
}

void RunVerdicts::MarkFound(int record, CopyState copy, int64_t position) {
  if (RescuedRecord* r = Record(record); r && copy == CopyState::FirstCopy) r->position = position;
}

void RunVerdicts::Set(int record, Verdict verdict) {
  if (RescuedRecord* r = Record(record)) {
    r->verdict = verdict;
    r->scan = verdict == Verdict::Ok ? 1 : 0;
  }
}

}  // namespace sonatap
