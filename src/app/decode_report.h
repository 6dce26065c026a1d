#pragma once
// The decode report: what was read from a recording, file by file and
// record by record, as JSON for archives and scripts. Its fields are
// documented in the README and stay stable.
#include <string>
#include <vector>

#include "app/rescue_merge.h"
#include "app/tape_scan.h"
#include "app/user_prompts.h"

namespace sonatap {

// What File > Open takes; a recording in it is read as it is.
inline constexpr const char* kPlainRecordingFormat = "8-bit mono 44100 Hz";

struct RecordingFacts {
  std::string path;          // the user's file
  std::string format;        // "16-bit stereo 48000 Hz"
  std::string conditioning;  // the conditioning line; empty when read as it is
  double timeScale = 1;      // seconds of the user's file per second of the recording read
  int64_t dataStart = 1;     // 1-based offset of the recording's first sample
};

struct ReportScan {
  std::string name;  // "Adaptive, conditioned"
  ScanSettings settings;
};

struct DecodeReport {
  RecordingFacts recording;
  bool rescue = false;
  std::vector<ReportScan> scans;
  std::vector<RescuedFile> files;
  std::vector<std::string> fiads;  // per file: the FIAD written, or empty
};

std::string ReportJson(const DecodeReport& report);

// Writes the report whole or not at all.
bool WriteReportFile(const std::string& json, const std::string& path);

// Project > "Save Rescue Report...".
FileDialog RescueReportDialog();

// An ordinary run's verdicts as they come: a record is O.K. when a copy
// verified, BAD otherwise; everything is scan 1.
class RunVerdicts final : public DecoderEvents {
 public:
  void CountBytesRead(const TapeFileHeader& header) override;
  void MarkFound(int record, CopyState copy, int64_t position) override;
  void RecordAccepted(int record) override { Set(record, Verdict::Ok); }
  void RecordRejected(int record) override { Set(record, Verdict::Bad); }
  std::vector<RescuedFile> files;

 private:
  RescuedRecord* Record(int record);
  void Set(int record, Verdict verdict);
};

}  // namespace sonatap
