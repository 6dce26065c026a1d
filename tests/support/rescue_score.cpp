#include "support/rescue_score.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <utility>
#include <nlohmann/json.hpp>

namespace sonatap::channel {
namespace {

constexpr const char* kOutName = "RESCUE";
constexpr double kSyncSlack = 1.0;  // seconds between a stored file's sync and the tape's data mark

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

int Shared(const std::vector<RecordBytes>& got, const std::vector<RecordBytes>& want) {
  int same = 0;
  for (size_t r = 0; r < std::min(got.size(), want.size()); ++r) same += got[r] == want[r];
  return same;
}

// One stored file's verdicts against the tape file it holds.
void Tally(const nlohmann::json& records, const std::vector<RecordBytes>& got, const ExpectedFile& want,
           RecordTally& all, RecordTally& damaged) {
  std::vector<std::string> verdicts(want.records.size());
  for (const auto& r : records) {
    const int n = r.value("record", 0);
    if (n >= 1 && n <= static_cast<int>(verdicts.size()) && r.contains("verdict") && r["verdict"].is_string())
      verdicts[n - 1] = r["verdict"].get<std::string>();
  }
  for (size_t i = 0; i < verdicts.size(); ++i) {
    RecordTally one;
    const bool same = i < got.size() && got[i] == want.records[i];
    if (verdicts[i] == "O.K.") (same ? one.right : one.falseOk) = 1;
    else if (verdicts[i] == "repaired") (same ? one.right : one.falseRepaired) = 1, one.repaired = same;
    else if (verdicts[i] == "BAD") one.bad = 1;
    else one.lost = 1;
    one.owed = (one.bad + one.lost) * !want.wiped.contains(static_cast<int>(i) + 1);
    all += one;
    if (want.damaged.contains(static_cast<int>(i) + 1)) damaged += one;
  }
}

}  // namespace

RecordTally& RecordTally::operator+=(const RecordTally& o) {
  right += o.right, repaired += o.repaired, bad += o.bad, falseOk += o.falseOk;
  falseRepaired += o.falseRepaired, lost += o.lost, owed += o.owed;
  return *this;
}

RescueScore ScoreRescue(const std::string& cli, const std::filesystem::path& recording,
                        const std::vector<ExpectedFile>& expected, const std::filesystem::path& workDir,
                        const std::string& options) {
  const std::filesystem::path report = workDir / "report.json";
  const DecodeRun run = RunDecode(cli, recording, kOutName, options + " --report '" + report.string() + "'", workDir);
  RescueScore score;
  score.status = run.status, score.seconds = run.seconds, score.errors = run.errors;

  const nlohmann::json json = nlohmann::json::parse(Slurp(report), nullptr, false);
  score.report = json.is_object() && json.contains("files") && json["files"].is_array();
  std::vector<bool> matched(expected.size(), false);
  if (score.report) {
    for (const auto& file : json["files"]) {
      if (!file.contains("fiad") || !file["fiad"].is_string()) continue;
      ++score.stored;
      std::filesystem::path fiad = file["fiad"].get<std::string>();
      if (!std::filesystem::exists(fiad)) fiad = workDir / fiad.filename();
      const nlohmann::json records = file.value("records", nlohmann::json::array());
      const int count = static_cast<int>(records.size());
      const double seconds = file.value("seconds", -1.0);
      int best = -1, bestShared = 0;
      for (size_t e = 0; e < expected.size(); ++e) {
        if (matched[e]) continue;
        const ExpectedFile& want = expected[e];
        if (want.seconds >= 0) {
          if (std::abs(seconds - want.seconds) <= kSyncSlack) best = static_cast<int>(e);
          continue;
        }
        // Only its own records count: the fill past them matches any file
        // that ends in empty records.
        const int shared = Shared(FiadRecords(fiad, std::min(count, static_cast<int>(want.records.size()))), want.records);
        if (shared > bestShared) best = static_cast<int>(e), bestShared = shared;
      }
      if (best < 0) {
        ++score.phantoms;
        continue;
      }
      matched[best] = true;
      ++score.found;
      const auto got = FiadRecords(fiad, std::min(count, static_cast<int>(expected[best].records.size())));
      Tally(records, got, expected[best], score.all, score.damaged);
    }
  }
  for (size_t e = 0; e < expected.size(); ++e) {
    if (matched[e]) continue;
    score.all.lost += static_cast<int>(expected[e].records.size());
    score.all.owed += static_cast<int>(expected[e].records.size() - expected[e].wiped.size());
    score.damaged.lost += static_cast<int>(expected[e].damaged.size());
  }
  return score;
}

}  // namespace sonatap::channel
