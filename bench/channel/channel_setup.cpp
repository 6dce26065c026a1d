#include "channel/channel_setup.h"

#include <cstdio>
#include <cstdlib>

namespace sonatap::channel {
namespace {
constexpr int kShapeMethods = 5;  // recognition 6 draws the cells of 1
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (word == "--verbose") o.verbose = true;
    else if (word == "--rescue") o.rescueOnly = true;
    else if (word == "--plain") o.plainOnly = true;
    else if (word == "--cli" && (v = value())) o.cli = v;
    else if (word == "--corpus" && (v = value())) o.corpus = v;
    else if (word == "--plain-args" && (v = value())) o.plainArgs = v;
    else if (word == "--other-args" && (v = value())) o.otherArgs = v;
    else if (word == "--only" && (v = value())) o.only = v;
    else if (word == "--keep" && (v = value())) o.keep = v;
    else if (word == "--seed" && (v = value())) o.seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
    else return false;
  }
  return true;
}

bool PrepareSource(const Options& o, Source& s) {
  if (s.shapes > 0) {
    const std::string command = "'" + o.cli + "' encode '" + s.fiad.string() + "' '" + s.recording.string() +
                                "' --recognition " + std::to_string(s.shapes) + " >/dev/null 2>&1";
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
  return true;
}

bool PrepareSources(const Options& o, const std::filesystem::path& dir, std::vector<Source>& sources) {
  const std::filesystem::path programs = o.corpus / "programs", recordings = o.corpus / "recordings";
  for (int m = 1; m <= kShapeMethods; ++m)
    sources.push_back({"shapes " + std::to_string(m), programs / "nim.tfi", dir / ("nim-" + std::to_string(m) + ".wav"),
                       m});
  sources.push_back({"retroload", programs / "nim.tfi", recordings / "nim-retroload.wav"});
  sources.push_back({"mltt", programs / "nim.tfi", recordings / "nim-mltt.wav"});
  sources.push_back({"big, shapes 1", programs / "big.tfi", dir / "big-1.wav", 1, true});
  for (Source& s : sources)
    if (!PrepareSource(o, s)) return false;
  return true;
}

const char* FormatName(const Impairments& f) {
  static char text[48];
  const char* sample = f.format == SampleFormat::U8 ? "u8" : f.format == SampleFormat::S16 ? "s16" : "float";
  std::snprintf(text, sizeof text, "%s%s %d %s", f.container == Container::Flac ? "flac " : "", sample, f.rate,
                f.channels == Channels::Mono ? "mono" : "stereo");
  return text;
}

const char* Extension(const Impairments& f) { return f.container == Container::Flac ? ".flac" : ".wav"; }

}  // namespace sonatap::channel
