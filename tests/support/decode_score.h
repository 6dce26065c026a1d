#pragma once
// Runs `sonatap-cli decode` on a recording as a user would and scores what
// it wrote against the records that are on the tape.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sonatap::channel {

using RecordBytes = std::vector<uint8_t>;  // 64 data bytes

// Records 1..count of a FIAD file (128-byte header of either kind), the
// image's fill (0) past its end.
std::vector<RecordBytes> FiadRecords(const std::filesystem::path& fiad, int count);

struct DecodeScore {
  int status = -1;   // the CLI's exit status
  int files = 0;     // FIAD files it wrote
  int right = 0;     // records of the first file equal to the tape's
  int reportedOk = 0;
  int falseOk = 0;   // "Rec #n O.K." on the Monitor, yet wrong bytes
  double seconds = 0;
  std::string monitor, errors;
};

// `sonatap-cli decode RECORDING --out WORKDIR --name NAME ARGS` (ARGS as
// shell words) into `workDir`, emptied first; what it printed and how long
// it took.
struct DecodeRun {
  int status = -1;  // the CLI's exit status
  double seconds = 0;
  std::string monitor, errors;
};
DecodeRun RunDecode(const std::string& cli, const std::filesystem::path& recording, const std::string& name,
                    const std::string& args, const std::filesystem::path& workDir);

// Decodes `recording` into `workDir` (emptied first) with `extraArgs`
// (shell words) and compares the first file with `expected`.
DecodeScore ScoreDecode(const std::string& cli, const std::filesystem::path& recording, const std::string& extraArgs,
                        const std::vector<RecordBytes>& expected, const std::filesystem::path& workDir);

}  // namespace sonatap::channel
