// Makes recordings of tapes played through worn decks and sound cards (the
// tape channel model), decodes each with sonatap-cli as a user would, and
// prints how many records came back right; then the same and harsher tapes
// rescued (rescue_set.cpp).
//
//   sonatap_channel_bench [--cli PATH] [--corpus DIR] [--plain-args "..."]
//                         [--other-args "..."] [--only TEXT] [--keep DIR] [--seed N] [--verbose] [--rescue | --plain]
//
// An 8-bit mono 44100 Hz recording is decoded with --plain-args (default
// "--recognition adaptive"), any other with --other-args (default none).
// --rescue prints only the rescue table; --only picks cases in both tables.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "channel/channel_setup.h"
#include "channel/long_side.h"
#include "channel/rescue_set.h"
#include "support/rescue_score.h"

namespace fs = std::filesystem;

namespace sonatap::channel {

// One fault at a time at the sizes a real deck and sound card give, then
// worn decks that have them all.
std::vector<Case> Cases() {
  using SF = SampleFormat;
  return {
      {"clean", {}, true},
      {"speed +6%", With([](auto& f) { f.speed = 1.06; })},
      {"speed -6%", With([](auto& f) { f.speed = 0.94; })},
      {"wow 0.4% + flutter 0.2%", With([](auto& f) { f.wow = 0.004, f.flutter = 0.002; })},
      {"level -24 dB", With([](auto& f) { f.levelDb = -24; })},
      {"level -36 dB, 16-bit", With([](auto& f) { f.levelDb = -36, f.format = SF::S16; })},
      {"DC offset +25%", With([](auto& f) { f.dcOffset = 0.25, f.levelDb = -3; })},
      {"inverted", With([](auto& f) { f.invert = true; })},
      {"noise -30 dB", With([](auto& f) { f.noiseDb = -30, f.levelDb = -1; })},
      {"noise -24 dB", With([](auto& f) { f.noiseDb = -24, f.levelDb = -2; })},  // past the target: a check on false O.K.
      {"hum 50 Hz -15 dB", With([](auto& f) { f.humDb = -15, f.levelDb = -3; })},
      {"hum 60 Hz -15 dB", With([](auto& f) { f.humDb = -15, f.humHz = 60, f.levelDb = -3; })},
      {"band 150 Hz-4 kHz", With([](auto& f) { f.highPassHz = 150, f.lowPassHz = 4000; })},
      {"high-pass 40 Hz", With([](auto& f) { f.highPassHz = 40; })},
      {"high-pass 400 Hz", With([](auto& f) { f.highPassHz = 400, f.levelDb = -6; })},  // room for the overshoot
      {"high-pass 1.2 kHz (spikes)", With([](auto& f) { f.highPassHz = 1200, f.levelDb = -6; })},
      {"dropouts 3-15 ms, one copy", With([](auto& f) {
         f.dropouts = {{2, 1, 3}, {4, 2, 6}, {6, 1, 10}, {8, 2, 15}};
       })},
      {"16-bit", With([](auto& f) { f.format = SF::S16; })},
      {"float", With([](auto& f) { f.format = SF::Float; })},
      {"22050 Hz 16-bit", With([](auto& f) { f.rate = 22050, f.format = SF::S16; })},
      {"48000 Hz 16-bit", With([](auto& f) { f.rate = 48000, f.format = SF::S16; })},
      {"FLAC 48000 Hz 16-bit", With([](auto& f) {
         f.rate = 48000, f.format = SF::S16, f.container = Container::Flac;
       })},
      {"96000 Hz float", With([](auto& f) { f.rate = 96000, f.format = SF::Float; })},
      {"stereo, dead left", With([](auto& f) { f.channels = Channels::DeadLeft, f.format = SF::S16; })},
      {"stereo, azimuth 0.35 ms", With([](auto& f) { f.channels = Channels::Azimuth, f.format = SF::S16; })},
      {"worn deck, 8-bit", With([](auto& f) {
         f.speed = 1.035, f.wow = 0.004, f.flutter = 0.002, f.highPassHz = 300, f.lowPassHz = 4000;
         f.humDb = -20, f.noiseDb = -32, f.levelDb = -9, f.dcOffset = -0.05, f.invert = true;
         f.dropouts = {{5, 1, 6}};
       }), true},
      {"worn deck, sound card", With([](auto& f) {
         f.speed = 0.96, f.wow = 0.004, f.flutter = 0.002, f.flutterHz = 12, f.highPassHz = 800,
         f.lowPassHz = 4000, f.humDb = -18, f.noiseDb = -30, f.levelDb = -30, f.invert = true;
         f.rate = 48000, f.format = SF::S16, f.channels = Channels::Azimuth;
         f.dropouts = {{3, 2, 8}};
       })},
  };
}

namespace {

constexpr uint32_t kSeed = 1981;

constexpr const char* kSideCase = "side: 12 files, sound card";

// A row of the table (or its total): records right, tape files found, runs
// the CLI refused.
struct PlainRow {
  int right = 0, records = 0, found = 0, files = 0, refused = 0, falseOk = 0;
  double seconds = 0;

  PlainRow& operator+=(const PlainRow& o) {
    right += o.right, records += o.records, found += o.found, files += o.files;
    refused += o.refused, falseOk += o.falseOk, seconds += o.seconds;
    return *this;
  }
  void Print(const char* name, const char* format) const {
    char rightText[24], foundText[16];
    std::snprintf(rightText, sizeof rightText, "%d/%d", right, records);
    std::snprintf(foundText, sizeof foundText, "%d/%d", found, files);
    std::printf("%-28s %-20s %9s %7s %6d %7d %8.2f\n", name, format, rightText, foundText, refused, falseOk, seconds);
    std::fflush(stdout);
  }
};

// A whole side decoded as it is played, files and gaps: the hiss between
// files must not cut the run short.
void SideRow(const Options& o, const fs::path& dir, LongSide& side, PlainRow& total) {
  if (side.files.empty() && !MakeLongSide(o, dir, side)) return;
  const Impairments faults = SoundCardSide();
  const fs::path wav = dir / "plain-side.wav";
  if (!WriteImpaired(side.side.clean, side.side.map, faults, o.seed.value_or(kSeed), wav.string())) {
    std::fprintf(stderr, "cannot write %s\n", wav.c_str());
    return;
  }
  std::vector<ExpectedFile> expected;
  const auto length = static_cast<int64_t>(side.side.clean.samples.size());
  for (size_t f = 0; f < side.files.size(); ++f)
    expected.push_back({side.files[f].records, {}, PlayedSeconds(faults, side.side.syncs[f], length), {}});
  const RescueScore score = ScoreRescue(o.cli, wav, expected, dir / "out", o.otherArgs);
  if (o.keep.empty()) fs::remove(wav);
  const PlainRow row{score.all.right, score.all.Total(), score.found, static_cast<int>(expected.size()),
                     score.status == 2, score.all.falseOk, score.seconds};
  row.Print(kSideCase, FormatName(faults));
  total += row;
}

void PlainTable(const Options& o, const fs::path& dir, const std::vector<Source>& sources, LongSide& side) {
  std::printf("Tape channel set: %s\n  u8 44100 mono: decode %s\n  other formats: decode %s\n\n", o.cli.c_str(),
              o.plainArgs.c_str(), o.otherArgs.empty() ? "(no option)" : o.otherArgs.c_str());
  std::printf("%-28s %-20s %9s %7s %6s %7s %8s\n", "case", "format", "records", "files", "exit 2", "false OK",
              "decode s");
  PlainRow total;
  const std::vector<Case> cases = Cases();
  for (size_t c = 0; c < cases.size(); ++c) {
    const Case& k = cases[c];
    if (!o.only.empty() && std::string(k.name).find(o.only) == std::string::npos) continue;
    PlainRow row;
    for (size_t s = 0; s < sources.size(); ++s) {
      const Source& src = sources[s];
      if (src.big && !k.big) continue;
      const fs::path wav = dir / ("case" + std::to_string(c) + "-" + std::to_string(s) + Extension(k.faults));
      const auto seed = o.seed.value_or(kSeed) + static_cast<uint32_t>(100 * c + s);
      if (!WriteImpaired(src.clean, src.map, k.faults, seed, wav.string())) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return;
      }
      const DecodeScore score = ScoreDecode(o.cli, wav, k.faults.PlainWav() ? o.plainArgs : o.otherArgs,
                                            src.records, dir / "out");
      if (o.keep.empty()) fs::remove(wav);
      row += {score.right, static_cast<int>(src.records.size()), score.files, 1, score.status == 2, score.falseOk,
              score.seconds};
      if (o.verbose) {
        std::printf("  %-26s %-20s %4d/%-4zu %3d/1 %6d %7d %7.2f\n", src.name.c_str(), "", score.right,
                    src.records.size(), score.files, score.status == 2, score.falseOk, score.seconds);
        if (score.status == 2) std::printf("    %s\n", score.errors.substr(0, score.errors.find('\n')).c_str());
      }
    }
    row.Print(k.name, FormatName(k.faults));
    total += row;
  }
  if (o.only.empty() || std::string(kSideCase).find(o.only) != std::string::npos) SideRow(o, dir, side, total);
  std::printf("\nall cases: %d/%d records right, %d false O.K.\n", total.right, total.records, total.falseOk);
  if (total.refused > 0) std::printf("exit 2: the CLI refused the recording or an option (--verbose says why)\n");
}

}  // namespace
}  // namespace sonatap::channel

int main(int argc, char** argv) {
  using namespace sonatap::channel;
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: %s [--cli PATH] [--corpus DIR] [--plain-args ARGS] [--other-args ARGS] [--only TEXT] "
                 "[--keep DIR] [--seed N] [--verbose] [--rescue | --plain]\n",
                 argv[0]);
    return 2;
  }
  const fs::path dir = o.keep.empty() ? fs::temp_directory_path() / ("sonatap-channel-" + std::to_string(::getpid()))
                                      : o.keep;
  fs::create_directories(dir);
  std::vector<Source> sources;
  if (!PrepareSources(o, dir, sources)) return 1;
  LongSide side;
  if (!o.rescueOnly) PlainTable(o, dir, sources, side);
  const bool rescued = o.plainOnly || RescueTable(o, dir, sources, side);
  fs::remove_all(dir / "out");
  if (o.keep.empty()) fs::remove_all(dir);
  return rescued ? 0 : 1;
}
