#include "channel/rescue_set.h"

#include <cstdio>
#include <string>

#include "channel/long_side.h"
#include "support/rescue_score.h"

namespace fs = std::filesystem;

namespace sonatap::channel {
namespace {

constexpr uint32_t kSeed = 2024;

// Dropouts scattered over the records of whatever tape a case plays.
struct Scatter {
  int oneCopy = 0, bothApart = 0, bothSame = 0;
  double minMs = 3, maxMs = 12;
};

enum class On { Nim, NimAndBig, Big, Side };

struct RescueCase {
  std::string name;
  Impairments faults;
  Scatter scatter{};
  On on = On::Nim;
};

// The plain table's cases, then the faults of a tape that only a rescue
// reads: one at a time, then worn sides that have them all.
std::vector<RescueCase> RescueCases() {
  using SF = SampleFormat;
  std::vector<RescueCase> cases;
  for (const Case& k : Cases()) cases.push_back({k.name, k.faults, {}, k.big ? On::NimAndBig : On::Nim});
  auto wornSide = [](Impairments& f) {
    f.drift = 0.05, f.wow = 0.008, f.flutter = 0.003, f.fadeDb = 10, f.fadeHz = 2;
    f.lowPassHz = 2800, f.lowPassOrder = 4, f.noiseDb = -26, f.humDb = -24, f.levelDb = -6;
  };
  auto soundCard = [](Impairments& f) {
    f.drift = 0.07, f.wow = 0.012, f.fadeDb = 14, f.fadeHz = 3, f.lowPassHz = 2300, f.lowPassOrder = 6;
    f.noiseDb = -22, f.clipAt = 0.5, f.levelDb = -12, f.invert = true;
    f.rate = 48000, f.format = SF::S16, f.channels = Channels::Azimuth;
  };
  const std::vector<RescueCase> harsh = {
      {"clipped at 30% of peak", With([](auto& f) { f.clipAt = 0.3; }), {}, On::NimAndBig},
      {"fades 14 dB, 3 a second", With([](auto& f) { f.fadeDb = 14, f.fadeHz = 3; }), {}, On::NimAndBig},
      {"motor drift -7%..+7%", With([](auto& f) { f.drift = 0.07; }), {}, On::NimAndBig},
      {"wow 1.2%", With([](auto& f) { f.wow = 0.012; }), {}, On::NimAndBig},
      {"dull heads, none above 2.3 kHz", With([](auto& f) { f.lowPassHz = 2300, f.lowPassOrder = 6; }), {},
       On::NimAndBig},
      {"hiss -22 dB", With([](auto& f) { f.noiseDb = -22, f.levelDb = -2; }), {}, On::NimAndBig},
      // 24 on a file of 10 records hit most records two or three times, both copies of most.
      {"24 deep dropouts on 10 records", {}, {24, 0, 0}},
      {"dropouts on both copies, apart", {}, {0, 6, 0}},
      {"dropouts on both copies, same", {}, {0, 0, 3}},
      {"worn side, 8-bit", With(wornSide), {12, 3, 1}, On::NimAndBig},
      {"worn side, sound card", With(soundCard), {24, 4, 1}, On::NimAndBig},
      {"big: 150 dropouts, one copy", {}, {150, 0, 0}, On::Big},
      {"big: 60 pairs apart", {}, {0, 60, 0}, On::Big},
      {"big: 15 pairs at one place", {}, {0, 0, 15}, On::Big},
      {"big: worn, all dropouts", With(wornSide), {100, 40, 10}, On::Big},
      {"side: 12 files, 30 min", {}, {}, On::Side},
      {"side: dropouts only", {}, {800, 250, 50}, On::Side},
      {"side: worn, all dropouts", With(wornSide), {600, 200, 40}, On::Side},
      {"side: sound card, dropouts", With(soundCard), {400, 150, 20}, On::Side},
      {"side: 24 deep dropouts, one copy", {}, {24, 0, 0}, On::Side},
  };
  cases.insert(cases.end(), harsh.begin(), harsh.end());
  return cases;
}

std::vector<Dropout> Scattered(const TapeMap& map, const Scatter& s, uint32_t seed) {
  std::vector<Dropout> all;
  for (auto [count, hit] : {std::pair{s.oneCopy, Hit::OneCopy}, {s.bothApart, Hit::BothApart}, {s.bothSame, Hit::BothSame}}) {
    const auto some = ScatterDropouts(map, count, hit, s.minMs, s.maxMs, seed++);
    all.insert(all.end(), some.begin(), some.end());
  }
  return all;
}

// One recording to rescue: the tape played and what it must give back.
struct Run {
  std::string name;
  const Recording* clean;
  const TapeMap* map;
  std::vector<ExpectedFile> expected;
};

struct Totals {
  RecordTally all, damaged;
  int runs = 0, refused = 0, found = 0, files = 0, phantoms = 0;
  double seconds = 0;

  Totals& operator+=(const Totals& o) {
    all += o.all, damaged += o.damaged, runs += o.runs, refused += o.refused;
    found += o.found, files += o.files, phantoms += o.phantoms, seconds += o.seconds;
    return *this;
  }
};

// One rescue of a recording that holds `files` tape files.
Totals Of(const RescueScore& score, size_t files) {
  Totals t;
  t.all = score.all, t.damaged = score.damaged, t.runs = 1, t.refused = !score.report, t.found = score.found;
  t.files = static_cast<int>(files), t.phantoms = score.phantoms, t.seconds = score.seconds;
  return t;
}

void PrintRow(const char* name, const char* format, const Totals& t) {
  char right[24], found[16];
  std::snprintf(right, sizeof right, "%d/%d", t.all.right, t.all.Total());
  std::snprintf(found, sizeof found, "%d/%d", t.found, t.files);
  std::printf("%-32s %-18s %11s %5d %6d %5d %7d %5d %7s %7d %8.1f\n", name, format, right, t.all.repaired, t.all.bad,
              t.all.owed, t.all.falseOk, t.all.falseRepaired, found, t.phantoms, t.seconds);
  std::fflush(stdout);
}

}  // namespace

bool RescueTable(const Options& o, const fs::path& dir, const std::vector<Source>& sources, LongSide& side) {
  std::printf("\nRescue: %s decode FILE --rescue --report R.json (no other option)\n", o.cli.c_str());
  std::printf("right: O.K. or repaired with the tape's bytes; false OK / false rep: those verdicts with wrong bytes\n");
  std::printf("owed: BAD or lost, though no dropout hit both copies within a byte of each other\n");
  std::printf("%-32s %-18s %11s %5s %6s %5s %7s %5s %7s %7s %8s\n", "case", "format", "right", "rep", "BAD", "owed",
              "falseOK", "f.rep", "files", "phantom", "seconds");
  Totals grand;
  const std::vector<RescueCase> cases = RescueCases();
  for (size_t c = 0; c < cases.size(); ++c) {
    const RescueCase& k = cases[c];
    if (!o.only.empty() && k.name.find(o.only) == std::string::npos) continue;
    std::vector<Run> runs;
    if (k.on == On::Side) {
      if (side.files.empty() && !MakeLongSide(o, dir, side)) return false;
      Run run{"12 files", &side.side.clean, &side.side.map, {}};
      for (const Source& s : side.files) run.expected.push_back({s.records, {}, -1, {}});
      runs.push_back(std::move(run));
    } else {
      for (const Source& s : sources)
        if (s.big ? k.on != On::Nim : k.on != On::Big)
          runs.push_back({s.name, &s.clean, &s.map, {{s.records, {}, -1, {}}}});
    }
    Totals t;
    for (size_t r = 0; r < runs.size(); ++r) {
      Run& run = runs[r];
      const auto seed = o.seed.value_or(kSeed) + static_cast<uint32_t>(100 * c + r);
      Impairments faults = k.faults;
      const auto scattered = Scattered(*run.map, k.scatter, seed);
      faults.dropouts.insert(faults.dropouts.end(), scattered.begin(), scattered.end());
      const auto length = static_cast<int64_t>(run.clean->samples.size());
      if (k.on == On::Side) {
        for (auto [file, record] : HitRecords(side.side, faults.dropouts)) run.expected[file].damaged.insert(record);
        for (const int wiped : WipedInBoth(*run.map, faults.dropouts))
          for (auto [file, record] : HitRecords(side.side, {Dropout{wiped}})) run.expected[file].wiped.insert(record);
        for (size_t f = 0; f < run.expected.size(); ++f)
          run.expected[f].seconds = PlayedSeconds(faults, side.side.syncs[f], length);
      } else {
        for (const Dropout& d : faults.dropouts) run.expected[0].damaged.insert(d.record);
        run.expected[0].wiped = WipedInBoth(*run.map, faults.dropouts);
        run.expected[0].seconds = PlayedSeconds(faults, run.map->sync, length);
      }
      const fs::path wav = dir / ("rescue" + std::to_string(c) + "-" + std::to_string(r) + Extension(faults));
      if (!WriteImpaired(*run.clean, *run.map, faults, seed, wav.string())) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return false;
      }
      const RescueScore score = ScoreRescue(o.cli, wav, run.expected, dir / "out");
      if (o.keep.empty()) fs::remove(wav);
      t += Of(score, run.expected.size());
      if (o.verbose) {
        PrintRow(("  " + run.name + " (exit " + std::to_string(score.status) + ")").c_str(),
                 wav.filename().c_str(), Of(score, run.expected.size()));
        if (!score.report) std::printf("    no report: %s\n", score.errors.substr(0, score.errors.find('\n')).c_str());
      }
    }
    PrintRow(k.name.c_str(), FormatName(k.faults), t);
    grand += t;
  }
  const RecordTally& a = grand.all;
  const RecordTally& d = grand.damaged;
  std::printf("\nall rescues: %d/%d records right (%d repaired), %d BAD, %d lost (%d owed); files %d/%d, %d phantom; %.0f s\n",
              a.right, a.Total(), a.repaired, a.bad, a.lost, a.owed, grand.found, grand.files, grand.phantoms,
              grand.seconds);
  std::printf("damaged records (a dropout hit a copy): %d right (%d repaired), %d BAD, %d lost\n", d.right,
              d.repaired, d.bad, d.lost);
  std::printf("false accepts: %d of %d damaged records (%d O.K., %d repaired); %d of %d records in all\n",
              d.falseOk + d.falseRepaired, d.Total(), d.falseOk, d.falseRepaired, a.falseOk + a.falseRepaired,
              a.Total());
  if (grand.refused > 0)
    std::printf("%d of %d rescues wrote no report (--verbose says why)\n", grand.refused, grand.runs);
  return true;
}

}  // namespace sonatap::channel
