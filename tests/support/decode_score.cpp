#include "support/decode_score.h"

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sonatap::channel {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kRecordSize = 64;
constexpr uint8_t kFill = 0;
constexpr const char* kFileStart = "Reading Qty of Records";  // the Monitor's first line of each tape file
constexpr const char* kOutName = "CHANNEL";

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// X.fiad, X-2.fiad, ... as the CLI numbers the files of one recording.
std::filesystem::path OutFile(const std::filesystem::path& dir, int number) {
  const std::string suffix = number == 1 ? "" : "-" + std::to_string(number);
  return dir / (std::string(kOutName) + suffix + ".fiad");
}

// The record number of a "Rec #n O.K." line, or 0.
int OkRecord(const std::string& line) {
  int n = 0;
  char rest[8] = {};
  if (std::sscanf(line.c_str(), "Rec #%d %7s", &n, rest) == 2 && std::string(rest) == "O.K.") return n;
  return 0;
}

}  // namespace

std::vector<RecordBytes> FiadRecords(const std::filesystem::path& fiad, int count) {
  const std::string bytes = Slurp(fiad);
  std::vector<RecordBytes> records(static_cast<size_t>(count), RecordBytes(kRecordSize, kFill));
  for (size_t r = 0; r < records.size(); ++r)
    for (size_t j = 0; j < kRecordSize; ++j)
      if (const size_t at = kHeaderSize + r * kRecordSize + j; at < bytes.size())
        records[r][j] = static_cast<uint8_t>(bytes[at]);
  return records;
}

DecodeRun RunDecode(const std::string& cli, const std::filesystem::path& recording, const std::string& name,
                    const std::string& args, const std::filesystem::path& workDir) {
  std::filesystem::remove_all(workDir);
  std::filesystem::create_directories(workDir);
  const std::filesystem::path out = workDir / "stdout", err = workDir / "stderr";
  const std::string command = "'" + cli + "' decode '" + recording.string() + "' --out '" + workDir.string() +
                              "' --name " + name + " " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
  DecodeRun run;
  const auto began = std::chrono::steady_clock::now();
  const int raw = std::system(command.c_str());
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.monitor = Slurp(out);
  run.errors = Slurp(err);
  return run;
}

DecodeScore ScoreDecode(const std::string& cli, const std::filesystem::path& recording, const std::string& extraArgs,
                        const std::vector<RecordBytes>& expected, const std::filesystem::path& workDir) {
  const DecodeRun run = RunDecode(cli, recording, kOutName, extraArgs, workDir);
  DecodeScore score;
  score.status = run.status, score.seconds = run.seconds, score.monitor = run.monitor, score.errors = run.errors;
  while (std::filesystem::exists(OutFile(workDir, score.files + 1))) ++score.files;

  const int count = static_cast<int>(expected.size());
  if (score.files > 0) {
    const auto got = FiadRecords(OutFile(workDir, 1), count);
    for (int r = 0; r < count; ++r) score.right += got[r] == expected[r];
  }
  // Each tape file's "O.K." lines against the file written for it (the
  // files are written in the order they end on the tape; one cut off by the
  // end of the recording is not written, and gives the user nothing).
  std::istringstream lines(score.monitor);
  std::vector<RecordBytes> current;
  int file = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(kFileStart, 0) == 0 && ++file <= score.files) current = FiadRecords(OutFile(workDir, file), count);
    const int n = OkRecord(line);
    if (n == 0 || file == 0 || file > score.files) continue;
    ++score.reportedOk;
    if (n > count || current[n - 1] != expected[n - 1]) ++score.falseOk;
  }
  return score;
}

}  // namespace sonatap::channel
