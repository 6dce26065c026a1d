// Makes recordings of tapes played through worn decks and sound cards (the
// tape channel model), decodes each with sonatap-cli as a user would, and
// prints how many records came back right.
//
//   sonatap_channel_bench [--cli PATH] [--corpus DIR] [--plain-args "..."]
//                         [--other-args "..."] [--only TEXT] [--keep DIR] [--verbose]
//
// An 8-bit mono 44100 Hz recording is decoded with --plain-args (default
// "--recognition adaptive"), any other with --other-args (default none).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/decode_score.h"
#include "support/tape_channel.h"

namespace fs = std::filesystem;
using namespace sonatap::channel;

namespace {

constexpr uint32_t kSeed = 1981;
constexpr int kShapeMethods = 5;  // recognition 6 draws the cells of 1

struct Source {
  std::string name;
  fs::path fiad;       // what is on the tape
  fs::path recording;  // its clean recording
  int shapes = 0;      // the encoder's method that draws it, or 0 for another tool's file
  bool big = false;    // a long file, only for the cases that ask for it
  Recording clean{};
  TapeMap map{};
  std::vector<RecordBytes> records{};
};

struct Case {
  const char* name;
  Impairments faults;
  bool big = false;  // also run the long file
};

Impairments With(auto&& change) {
  Impairments f;
  change(f);
  return f;
}

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

const char* FormatName(const Impairments& f) {
  static char text[48];
  const char* sample = f.format == SampleFormat::U8 ? "u8" : f.format == SampleFormat::S16 ? "s16" : "float";
  std::snprintf(text, sizeof text, "%s%s %d %s", f.container == Container::Flac ? "flac " : "", sample, f.rate,
                f.channels == Channels::Mono ? "mono" : "stereo");
  return text;
}

struct Options {
  std::string cli = SONATAP_CLI;
  fs::path corpus = SONATAP_CORPUS;
  std::string plainArgs = "--recognition adaptive";
  std::string otherArgs;
  std::string only;
  fs::path keep;
  bool verbose = false;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (word == "--verbose") o.verbose = true;
    else if (word == "--cli" && (v = value())) o.cli = v;
    else if (word == "--corpus" && (v = value())) o.corpus = v;
    else if (word == "--plain-args" && (v = value())) o.plainArgs = v;
    else if (word == "--other-args" && (v = value())) o.otherArgs = v;
    else if (word == "--only" && (v = value())) o.only = v;
    else if (word == "--keep" && (v = value())) o.keep = v;
    else return false;
  }
  return true;
}

// Encodes or finds each clean recording and learns where its records lie.
bool PrepareSources(const Options& o, const fs::path& dir, std::vector<Source>& sources) {
  const fs::path programs = o.corpus / "programs", recordings = o.corpus / "recordings";
  for (int m = 1; m <= kShapeMethods; ++m)
    sources.push_back({"shapes " + std::to_string(m), programs / "nim.tfi", dir / ("nim-" + std::to_string(m) + ".wav"),
                       m});
  sources.push_back({"retroload", programs / "nim.tfi", recordings / "nim-retroload.wav"});
  sources.push_back({"mltt", programs / "nim.tfi", recordings / "nim-mltt.wav"});
  sources.push_back({"big, shapes 1", programs / "big.tfi", dir / "big-1.wav", 1, true});
  for (Source& s : sources) {
    if (s.shapes > 0) {
      const std::string command = "'" + o.cli + "' encode '" + s.fiad.string() + "' '" + s.recording.string() +
                                  "' --recognition " + std::to_string(s.shapes) + " 2>/dev/null";
      if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cannot encode %s with %s\n", s.fiad.c_str(), o.cli.c_str());
        return false;
      }
    }
    s.clean = ReadRecording(s.recording.string());
    s.map = MapTape(s.clean);
    s.records = FiadRecords(s.fiad, s.map.records);
    if (s.map.records == 0 || s.map.recordData != s.records) {
      std::fprintf(stderr, "%s: the clean recording does not carry %s\n", s.recording.c_str(), s.fiad.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: %s [--cli PATH] [--corpus DIR] [--plain-args ARGS] [--other-args ARGS] [--only TEXT] "
                 "[--keep DIR] [--verbose]\n",
                 argv[0]);
    return 2;
  }
  const fs::path dir = o.keep.empty() ? fs::temp_directory_path() / ("sonatap-channel-" + std::to_string(::getpid()))
                                      : o.keep;
  fs::create_directories(dir);
  std::vector<Source> sources;
  if (!PrepareSources(o, dir, sources)) return 1;

  std::printf("Tape channel set: %s\n  u8 44100 mono: decode %s\n  other formats: decode %s\n\n", o.cli.c_str(),
              o.plainArgs.c_str(), o.otherArgs.empty() ? "(no option)" : o.otherArgs.c_str());
  std::printf("%-28s %-20s %9s %7s %6s %7s %8s\n", "case", "format", "records", "files", "exit 2", "false OK",
              "decode s");
  int totalRight = 0, totalRecords = 0, totalFalse = 0, totalRefused = 0;
  const std::vector<Case> cases = Cases();
  for (size_t c = 0; c < cases.size(); ++c) {
    const Case& k = cases[c];
    if (!o.only.empty() && std::string(k.name).find(o.only) == std::string::npos) continue;
    int right = 0, records = 0, files = 0, runs = 0, refused = 0, falseOk = 0;
    double seconds = 0;
    for (size_t s = 0; s < sources.size(); ++s) {
      const Source& src = sources[s];
      if (src.big && !k.big) continue;
      const char* extension = k.faults.container == Container::Flac ? ".flac" : ".wav";
      const fs::path wav = dir / ("case" + std::to_string(c) + "-" + std::to_string(s) + extension);
      if (!WriteImpaired(src.clean, src.map, k.faults, kSeed + static_cast<uint32_t>(100 * c + s), wav.string())) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
      }
      const DecodeScore score = ScoreDecode(o.cli, wav, k.faults.PlainWav() ? o.plainArgs : o.otherArgs,
                                            src.records, dir / "out");
      if (o.keep.empty()) fs::remove(wav);
      right += score.right, records += static_cast<int>(src.records.size()), falseOk += score.falseOk;
      files += score.files, ++runs, refused += score.status == 2, seconds += score.seconds;
      if (o.verbose) {
        std::printf("  %-26s %-20s %4d/%-4zu %3d/1 %6d %7d %7.2f\n", src.name.c_str(), "", score.right,
                    src.records.size(), score.files, score.status == 2, score.falseOk, score.seconds);
        if (score.status == 2) std::printf("    %s\n", score.errors.substr(0, score.errors.find('\n')).c_str());
      }
    }
    char recs[24], found[16];
    std::snprintf(recs, sizeof recs, "%d/%d", right, records);
    std::snprintf(found, sizeof found, "%d/%d", files, runs);
    std::printf("%-28s %-20s %9s %7s %6d %7d %8.2f\n", k.name, FormatName(k.faults), recs, found, refused, falseOk,
                seconds);
    std::fflush(stdout);
    totalRight += right, totalRecords += records, totalFalse += falseOk, totalRefused += refused;
  }
  std::printf("\nall cases: %d/%d records right, %d false O.K.\n", totalRight, totalRecords, totalFalse);
  if (totalRefused > 0) std::printf("exit 2: the CLI refused the recording or an option (--verbose says why)\n");
  fs::remove_all(dir / "out");
  if (o.keep.empty()) fs::remove_all(dir);
  return 0;
}
