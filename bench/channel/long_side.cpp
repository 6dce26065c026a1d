#include "channel/long_side.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

namespace sonatap::channel {
namespace {

constexpr uint32_t kSideSeed = 1999;
constexpr double kMinGapSeconds = 2, kMaxGapSeconds = 8;
// Sizes that, with the corpus files and the gaps, fill about 30 minutes
// (a FIAD holds at most 252 records).
constexpr int kMadeRecords[] = {250, 230, 248, 240, 245, 236, 244};
constexpr const char* kCorpusFiles[] = {"big", "nim", "xb", "V127", "F10R"};

// A FIAD of `records` seeded records, made by the CLI from a debug records text.
bool MakeFiad(const Options& o, const std::filesystem::path& dir, const std::string& name, int records,
              uint32_t seed) {
  const std::filesystem::path text = dir / (name + ".txt");
  {
    std::mt19937 bytes(seed);
    std::ofstream out(text, std::ios::binary);
    char hex[3];
    for (int r = 1; r <= records; ++r) {
      out << "[Record " << r << "]\r\n ";
      for (int j = 0; j < 64; ++j) std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(bytes() & 0xFF)), out << hex;
      out << "\r\n";
    }
  }
  const std::string command = "'" + o.cli + "' rebuild '" + text.string() + "' --count " + std::to_string(records) +
                              " --name " + name + " --out '" + dir.string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) == 0) return true;
  std::fprintf(stderr, "cannot rebuild %s with %s\n", name.c_str(), o.cli.c_str());
  return false;
}

}  // namespace

Impairments SoundCardSide() {
  Impairments f;
  f.rate = 48000, f.format = SampleFormat::S16, f.channels = Channels::DeadLeft;
  f.speed = 1.01, f.noiseDb = -40, f.levelDb = -6;
  return f;
}

bool MakeLongSide(const Options& o, const std::filesystem::path& dir, LongSide& out) {
  std::vector<Source> files;
  for (const char* name : kCorpusFiles)
    files.push_back({name, o.corpus / "programs" / (std::string(name) + ".tfi"), dir / (std::string("side-") + name + ".wav"), 1});
  for (size_t i = 0; i < std::size(kMadeRecords); ++i) {
    const std::string name = "SIDE" + std::to_string(i + 1);
    if (!MakeFiad(o, dir, name, kMadeRecords[i], kSideSeed + static_cast<uint32_t>(i))) return false;
    files.push_back({name, dir / (name + ".fiad"), dir / (name + ".wav"), 1});
  }
  // Big files and small ones mixed, as a user saves them.
  std::mt19937 order(kSideSeed);
  std::shuffle(files.begin(), files.end(), order);
  std::vector<Recording> clean;
  for (Source& s : files) {
    if (!PrepareSource(o, s)) return false;
    clean.push_back(std::move(s.clean));
  }
  out.side = ComposeSide(clean, kMinGapSeconds, kMaxGapSeconds, kSideSeed);
  out.files = std::move(files);
  return out.side.map.records > 0;
}

std::vector<std::pair<int, int>> HitRecords(const Side& side, const std::vector<Dropout>& dropouts) {
  std::vector<std::pair<int, int>> hits;
  for (const Dropout& d : dropouts) {
    const auto after = std::upper_bound(side.firstRecord.begin(), side.firstRecord.end(), d.record);
    const int file = static_cast<int>(after - side.firstRecord.begin()) - 1;
    if (file >= 0) hits.emplace_back(file, d.record - side.firstRecord[file] + 1);
  }
  return hits;
}

}  // namespace sonatap::channel
