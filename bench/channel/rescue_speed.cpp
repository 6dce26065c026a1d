// How long `sonatap-cli decode FILE --rescue` takes on a 30-minute side of
// twelve tape files as a sound card records it (16-bit stereo 48 kHz, about
// 350 MB): (a) a clean-ish side (a deck 1 % fast, faint hiss), which the
// first scan should read whole, (b) a damaged side on which records stay
// unverified, so that every scan of the ladder runs. Each against a plain
// read of the same file's samples; the files found, phantoms and records
// read right say whether (a) really was read whole.
//
//   sonatap_rescue_speed [--cli PATH] [--corpus DIR] [--keep DIR]
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "channel/long_side.h"
#include "support/rescue_score.h"

namespace fs = std::filesystem;
using namespace sonatap::channel;

namespace {

constexpr uint32_t kSeed = 3003;
constexpr double kCleanTarget = 15, kLadderTarget = 60;  // seconds

// Reads every sample of the file once through libsndfile; the best of three.
double PlainReadSeconds(const fs::path& path) {
  double best = 1e9;
  for (int pass = 0; pass < 3; ++pass) {
    const auto began = std::chrono::steady_clock::now();
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return 0;
    std::vector<short> block(65536 * static_cast<size_t>(info.channels));
    long long sum = 0;
    for (sf_count_t got; (got = sf_readf_short(file, block.data(), 65536)) > 0;)
      for (sf_count_t i = 0; i < got * info.channels; ++i) sum += block[i];
    sf_close(file);
    if (sum == 42) std::printf(" ");  // keeps the sum
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
  }
  return best;
}

bool Measure(const char* label, const Options& o, const LongSide& side, const Impairments& faults, double target,
             const fs::path& dir, const char* file) {
  const fs::path wav = dir / file;
  if (!WriteImpaired(side.side.clean, side.side.map, faults, kSeed, wav.string())) {
    std::fprintf(stderr, "cannot write %s\n", wav.c_str());
    return false;
  }
  std::vector<ExpectedFile> expected;
  for (size_t f = 0; f < side.files.size(); ++f)
    expected.push_back({side.files[f].records, {},
                        PlayedSeconds(faults, side.side.syncs[f], static_cast<int64_t>(side.side.clean.samples.size())), {}});
  const double plain = PlainReadSeconds(wav);
  const RescueScore score = ScoreRescue(o.cli, wav, expected, dir / "out");
  std::printf("%-34s %6.0f MB %8.1f s %7.2f s %7.0fx %5d %5d/%d %7d %7d/%-5d %s\n", label,
              static_cast<double>(fs::file_size(wav)) / 1e6, score.seconds, plain, score.seconds / plain,
              score.status, score.found, static_cast<int>(expected.size()), score.phantoms, score.all.right,
              score.all.Total(),
              !score.report ? "no report" : score.seconds < target ? "within" : "OVER");
  std::fflush(stdout);
  if (!score.report) std::printf("  no report: %s\n", score.errors.substr(0, score.errors.find('\n')).c_str());
  if (o.keep.empty()) fs::remove(wav);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr, "usage: %s [--cli PATH] [--corpus DIR] [--keep DIR]\n", argv[0]);
    return 2;
  }
  const fs::path dir = o.keep.empty() ? fs::temp_directory_path() / ("sonatap-rescue-speed-" + std::to_string(::getpid()))
                                      : o.keep;
  fs::create_directories(dir);
  LongSide side;
  if (!MakeLongSide(o, dir, side)) return 1;
  std::printf("Rescue speed: %s decode FILE --rescue, a side of %zu files, %.1f minutes\n", o.cli.c_str(),
              side.files.size(), static_cast<double>(side.side.clean.samples.size()) / kCleanRate / 60);
  std::printf("%-34s %9s %10s %9s %8s %5s %7s %7s %13s %s\n", "side", "size", "rescue", "plain", "ratio", "exit",
              "files", "phantom", "records right", "target");
  // (b): records whose two copies lose the same bytes stay unverified
  // whatever scan reads them, so every scan of the ladder runs.
  Impairments damaged = SoundCardSide();
  damaged.noiseDb = -26, damaged.wow = 0.006;
  damaged.dropouts = ScatterDropouts(side.side.map, 40, Hit::BothSame, 6, 12, kSeed);
  const bool ok = Measure("(a) clean-ish, < 15 s", o, side, SoundCardSide(), kCleanTarget, dir, "side-a.wav") &&
                  Measure("(b) whole ladder, < 60 s", o, side, damaged, kLadderTarget, dir, "side-b.wav");
  if (o.keep.empty()) fs::remove_all(dir);
  return ok ? 0 : 1;
}
