#include "app/rescue_merge.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "app/copy_stitching.h"
#include "app/record_repair.h"

namespace sonatap {
namespace {

// One tape file as the scans saw it.
struct Sighting {
  int scan;  // from 1
  int family;
  bool repairs;
  bool marksGuesses;
  const ScannedFile* file;
};

constexpr int kOwnFamilies = 1 << 20;  // families of scans that name none

struct Group {
  TapeFileHeader header;
  std::vector<Sighting> sightings;
  int verifiedCopies = 0;
  bool countsAgree = false;  // some scan read the two count bytes alike
};

std::vector<Group> GroupFiles(const std::vector<ScanResult>& scans) {
  std::vector<Group> groups;
  for (size_t s = 0; s < scans.size(); ++s) {
    for (const ScannedFile& file : scans[s].files) {
      auto same = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
        return g.header.secondCount == file.header.secondCount &&
               std::llabs(g.header.syncPosition - file.header.syncPosition) <= kSameFileDistance;
      });
      if (same == groups.end()) same = groups.insert(groups.end(), Group{file.header, {}, 0});
      const int family = scans[s].family >= 0 ? scans[s].family : kOwnFamilies + static_cast<int>(s);
      same->sightings.push_back({static_cast<int>(s) + 1, family, scans[s].repairs, scans[s].marksGuesses, &file});
      same->countsAgree |= file.header.firstCount == file.header.secondCount;
      same->verifiedCopies += static_cast<int>(
          std::count_if(file.copies.begin(), file.copies.end(), [](const CopyReading& c) { return c.good; }));
    }
  }
  return groups;
}

// Where a file lies: from its sync to the end of the last block read, and
// at least nine tenths of the length its record count gives (a deck up to
// ten per cent fast), so that the records of a file read only in part do
// not become files of their own.
struct Span {
  int64_t from, to;
  bool Overlaps(const Span& o) const { return from <= o.to && o.from <= to; }
};

Span SpanOf(const Group& g) {
  const int64_t announced = 2 * g.header.secondCount * kTapeBlockSamples * 9 / 10;
  Span span{g.header.syncPosition, g.header.syncPosition + announced};
  for (const Sighting& s : g.sightings)
    for (const CopyReading& c : s.file->copies) span.to = std::max(span.to, c.markPosition + kTapeBlockSamples);
  return span;
}

// Files cannot overlap on tape. A scan that lost its way inside a file can
// take the zeros and data mark before any block for a new file's sync, and
// a misread count makes a second file at the same place: of files that
// overlap, the one with more verified copies behind it (then the earlier) stands.
void DropOverlapping(std::vector<Group>& groups) {
  std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
    if (a.verifiedCopies != b.verifiedCopies) return a.verifiedCopies > b.verifiedCopies;
    return a.header.syncPosition < b.header.syncPosition;
  });
  std::vector<Group> kept;
  std::vector<Span> spans;
  for (const Group& g : groups) {
    const Span span = SpanOf(g);
    if (std::any_of(spans.begin(), spans.end(), [&](const Span& s) { return s.Overlaps(span); })) continue;
    kept.push_back(g);
    spans.push_back(span);
  }
  groups = std::move(kept);
}

// A reading of a record, by whom, and whether its scan verified the records
// next to it (it was reading well there) and every record of the file.
struct Reading {
  Witnessed witnessed;
  bool repairs;  // see ScanResult
  bool marksGuesses;
  int scan;
  bool amongGood;
  bool wholeFileGood;
  const CopyReading& Copy() const { return *witnessed.reading; }
};

// Whether `y` read some byte (the checksum byte too) otherwise than `x` has
// it, kSlipBytes or more after any byte it guessed: the bytes just after a
// dropout a reading bridged are often misread (it slipped, or the signal
// came back slowly).
constexpr int kSlipBytes = 8;
bool ReadOtherwiseAwayFromGuesses(const CopyReading& y, const CopyReading& x) {
  int sinceGuess = kSlipBytes;
  for (int k = 0; k <= kRecordBytes; ++k) {
    sinceGuess = y.GuessedByte(k * 8) ? 0 : sinceGuess + 1;
    if (sinceGuess > kSlipBytes && y.Byte(k) != x.Byte(k)) return true;
  }
  return false;
}

// Whether two witnesses verified readings that guessed across a dropout and
// read `x` otherwise well away from it, alike: `x` may have read a dropout
// as garbage without marking it, and scans that mark nothing read it alike.
bool Disputed(const std::vector<Reading>& readings, const CopyReading& x) {
  const auto disputes = [&](const Reading& r) {
    return r.Copy().good && r.Copy().Bridged() && ReadOtherwiseAwayFromGuesses(r.Copy(), x);
  };
  return std::any_of(readings.begin(), readings.end(), [&](const Reading& r) {
    return disputes(r) && std::any_of(readings.begin(), readings.end(), [&](const Reading& q) {
             return WitnessOf(q.witnessed) != WitnessOf(r.witnessed) && q.Copy().bytes == r.Copy().bytes && disputes(q);
           });
  });
}

// Whether two witnesses read some byte of `x` (the checksum byte too)
// alike and otherwise, neither guessing it.
bool HeldOtherwise(std::span<const Witnessed> witnessed, const CopyReading& x) {
  for (int k = 0; k <= kRecordBytes; ++k)
    if (HeldOtherwise(witnessed, k, x.Byte(k))) return true;
  return false;
}

// Whether `y` read every byte it did not guess as `x` has it, but where
// `mayDiffer`.
template <typename MayDiffer>
bool InStep(const CopyReading& y, const CopyReading& x, MayDiffer mayDiffer) {
  for (int k = 0; k <= kRecordBytes; ++k)
    if (!y.GuessedByte(k * 8) && y.Byte(k) != x.Byte(k) && !mayDiffer(k)) return false;
  return true;
}

// Whether `x` read a dropout's noise as data: a reading of its copy, in
// step with it, guessed some bytes across a dropout that no reading of the
// other copy guessed, and two witnesses of that copy, in step with `x` but
// there, read one of them alike and otherwise. The byte just after such a
// place may differ too: `x` read on in noise there (at the end of a record,
// a checksum byte that fits the noise), where the signal was back for the
// reading that marked the dropout.
bool ReadNoiseWhereLost(std::span<const Witnessed> witnessed, const CopyReading& x) {
  std::array<bool, kRecordBytes + 1> lost{};
  for (const Witnessed& w : witnessed) {
    const CopyReading& y = *w.reading;
    if (y.secondCopy != x.secondCopy || !InStep(y, x, [&y](int k) { return k > 0 && y.GuessedByte((k - 1) * 8); }))
      continue;
    for (int k = 0; k <= kRecordBytes; ++k) lost[k] |= y.GuessedByte(k * 8);
  }
  for (int k = 0; k <= kRecordBytes; ++k) lost[k] = lost[k] && !CopyWiped(witnessed, !x.secondCopy, k);
  const auto nearLost = [&lost](int k) { return lost[k] || (k > 0 && lost[k - 1]); };
  std::vector<Witnessed> twin;
  for (const Witnessed& w : witnessed)
    if (w.reading->secondCopy != x.secondCopy && InStep(*w.reading, x, nearLost)) twin.push_back(w);
  for (int k = 0; k <= kRecordBytes; ++k)
    if (lost[k] && HeldOtherwise(twin, k, x.Byte(k))) return true;
  return false;
}

// A method that reads cells by templates or crossings marks no dropout: it
// loses or gains a bit or two in one (and Adaptive may find a data mark a
// bit late in one) and reads on shifted, the checksum byte too, and about
// one such reading in 256 passes the checksum. Methods slip alike, on every
// source and in both copies where both lost one place, so readings alike
// prove nothing. A scan that bridged the dropout, guessing its bits, kept
// its frame: after it, it reads what the slipped reading has, shifted, and
// so does another witness. The byte on each side of the guesses may differ
// (the signal fades before a dropout shows and comes back slowly); past
// them, all that the scans read must agree, kShiftedBytes at least.
constexpr int kShiftedBytes = 4;

// The first byte `y` reads a byte past the first dropout it guessed across,
// where it read the bytes before it (but the last) as `x` has them; or -1.
int PastFirstDropout(const CopyReading& y, const CopyReading& x) {
  int k = 0;
  while (k <= kRecordBytes && !y.GuessedByte(k * 8)) ++k;
  if (k > kRecordBytes || !InStep(y, x, [k](int j) { return j + 1 >= k; })) return -1;
  while (k <= kRecordBytes && y.GuessedByte(k * 8)) ++k;
  return k + 1;
}

// Whether `y` reads all it did not guess from byte `from` on as `x` has it
// `shift` bits along, and mostly not as `x` has it.
bool ReadsShifted(const CopyReading& y, const CopyReading& x, int from, int shift) {
  int read = 0, shifted = 0, asIs = 0;
  for (int j = from; j <= kRecordBytes; ++j) {
    const int value = ShiftedByte(x, shift, j);
    if (value < 0 || y.GuessedByte(j * 8)) continue;
    ++read;
    shifted += value == y.Byte(j);
    asIs += x.Byte(j) == y.Byte(j);
  }
  return read >= kShiftedBytes && shifted == read && 2 * asIs < read;
}

// Whether `x` slipped in a dropout and passed its checksum by chance: a
// witness that bridged a dropout of its copy, and another, read on after it
// as `x` would shifted.
bool SlippedUnmarked(const std::vector<Reading>& readings, const Reading& candidate) {
  const CopyReading& x = candidate.Copy();
  if (x.Bridged()) return false;
  const auto sameCopyOtherWitness = [&](const Reading& r) {
    return r.Copy().secondCopy == x.secondCopy && WitnessOf(r.witnessed) != WitnessOf(candidate.witnessed);
  };
  for (const Reading& bridging : readings) {
    if (!sameCopyOtherWitness(bridging) || !bridging.Copy().Bridged()) continue;
    const int from = PastFirstDropout(bridging.Copy(), x);
    if (from < 0) continue;
    for (int shift = -kMaxSlipBits; shift <= kMaxSlipBits; ++shift) {
      if (shift == 0 || !ReadsShifted(bridging.Copy(), x, from, shift)) continue;
      if (std::any_of(readings.begin(), readings.end(), [&](const Reading& r) {
            return sameCopyOtherWitness(r) && WitnessOf(r.witnessed) != WitnessOf(bridging.witnessed) &&
                   ReadsShifted(r.Copy(), x, from, shift);
          }))
        return true;
    }
  }
  return false;
}

// A verified reading is O.K. when an independent reading (of the other
// copy, or by a scan of another family) holds the same bytes; or, when no
// independent verified reading says otherwise, where its scan verified the
// records on both sides of it too, and no two witnesses read one of its
// bytes otherwise. A lone reading (no other of the record at all) counts so
// only where its scan verified the whole file: a file only one scan found
// lies where the tape is worst, and there a quarter of such lone readings
// were wrong on the channel set. Over thousands of damaged blocks some
// garbage passes an 8-bit checksum by chance (most
// often a copy that slipped by a few bits in a dropout), and a scan like
// the one that made it may make it again, but nothing else reads it alike,
// and it comes where scans read badly. Of such readings that differ, the
// one more readings hold wins.
RescuedRecord TrustedRecord(const std::vector<Reading>& readings) {
  RescuedRecord result;
  if (readings.empty()) return result;
  result.position = readings.front().Copy().markPosition;
  int bestSupport = 0;
  const CopyReading* firstVerified = nullptr;
  std::vector<Witnessed> all;
  for (const Reading& r : readings) all.push_back(r.witnessed);
  for (const Reading& candidate : readings) {
    const CopyReading& x = candidate.Copy();
    if (!x.good || SlippedUnmarked(readings, candidate)) continue;
    if (firstVerified && x.bytes != firstVerified->bytes) result.conflict = true;
    if (!firstVerified) firstVerified = &x;
    const bool disputed = Disputed(readings, x);
    const bool heldOtherwise = HeldOtherwise(all, x);
    const bool readNoise = ReadNoiseWhereLost(all, x);
    bool corroborated = false, contradicted = false;
    for (const Reading& other : readings) {
      const CopyReading& y = other.Copy();
      if (WitnessOf(other.witnessed) == WitnessOf(candidate.witnessed)) continue;
      // Two readings that guessed across the same dropout guess alike.
      const bool guessedAlike = x.Bridged() && y.Bridged();
      // So do two of a disputed copy that guessed nothing, unless one of
      // them marks dropouts and saw none there.
      const bool unmarkedAlike = disputed && y.secondCopy == x.secondCopy && !(other.marksGuesses && !y.Bridged());
      // A method that slipped where both copies lost the same place slips
      // alike in both: its other copy holds nothing that two other witnesses
      // read otherwise.
      const bool slippedAlike = other.witnessed.family == candidate.witnessed.family && heldOtherwise;
      // Readings of a copy that marked nothing where it was lost read the
      // dropout's noise alike, whatever their source or method.
      const bool noisedAlike = y.secondCopy == x.secondCopy && readNoise;
      corroborated |= y.bytes == x.bytes && !guessedAlike && !unmarkedAlike && !slippedAlike && !noisedAlike;
      // A reading bridged across a dropout proves nothing against one that
      // was not, unless that one is disputed.
      contradicted |= y.good && y.bytes != x.bytes && (!y.Bridged() || x.Bridged() || disputed);
    }
    const bool trusted = !x.Bridged() && candidate.amongGood && (readings.size() > 1 || candidate.wholeFileGood) &&
                         !heldOtherwise;
    if (!corroborated && (contradicted || !trusted)) continue;
    const int support = static_cast<int>(
        std::count_if(readings.begin(), readings.end(), [&](const Reading& r) { return r.Copy().bytes == x.bytes; }));
    if (support > bestSupport) {
      bestSupport = support;
      result.bytes = x.bytes;
      result.verdict = Verdict::Ok;
      result.scan = candidate.scan;
      result.position = x.markPosition;
    }
  }
  if (result.verdict == Verdict::Ok) return result;
  result.conflict = false;
  std::vector<Witnessed> witnessed;
  for (const Reading& r : readings)
    if (r.repairs) witnessed.push_back(r.witnessed);
  if (auto repaired = RepairRecord(witnessed)) {
    result.bytes = *repaired;
    result.verdict = Verdict::Repaired;
  } else {
    result.bytes = MajorityBytes(witnessed);
  }
  return result;
}

int64_t Median(std::vector<int64_t> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// A scan that missed a block can number the blocks after it wrongly (the
// next record's first copy taken for this one's second): a reading far
// from where the other scans found the same copy is someone else's.
void DropMisplaced(std::vector<Reading>& readings) {
  for (const bool second : {false, true}) {
    std::vector<int64_t> places;
    for (const Reading& r : readings)
      if (r.Copy().secondCopy == second) places.push_back(r.Copy().markPosition);
    if (places.size() < 2) continue;
    const int64_t median = Median(places);
    std::erase_if(readings, [&](const Reading& r) {
      return r.Copy().secondCopy == second && std::llabs(r.Copy().markPosition - median) > kTapeBlockSamples / 2;
    });
  }
}

int FamiliesOf(const Group& g) {
  std::vector<int> families;
  for (const Sighting& s : g.sightings)
    if (std::find(families.begin(), families.end(), s.family) == families.end()) families.push_back(s.family);
  return static_cast<int>(families.size());
}

RescuedFile MergeGroup(const Group& g) {
  RescuedFile file{g.header, {}};
  // Per sighting, the records it verified, and whether that was all of them.
  std::vector<std::vector<bool>> verified;
  std::vector<bool> wholeFileGood;
  for (const Sighting& s : g.sightings) {
    const std::vector<bool>& good = verified.emplace_back(s.file->VerifiedRecords());
    wholeFileGood.push_back(std::count(good.begin(), good.end(), true) == g.header.secondCount);
  }
  for (int record = 1; record <= g.header.secondCount; ++record) {
    std::vector<Reading> readings;
    for (size_t s = 0; s < g.sightings.size(); ++s) {
      const Sighting& sighting = g.sightings[s];
      // Both neighbours, where there are two.
      const bool amongGood = (record == 1 || verified[s][record - 1]) &&
                             (record == g.header.secondCount || verified[s][record + 1]);
      for (const CopyReading& c : sighting.file->copies)
        if (c.record == record)
          readings.push_back({{&c, sighting.family}, sighting.repairs, sighting.marksGuesses, sighting.scan, amongGood,
                               wholeFileGood[s]});
    }
    DropMisplaced(readings);
    file.records.push_back(TrustedRecord(readings));
  }
  return file;
}

}  // namespace

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok: return "O.K.";
    case Verdict::Repaired: return "repaired";
    case Verdict::Bad: break;
  }
  return "BAD";
}

int RescuedFile::Count(Verdict verdict) const {
  return static_cast<int>(
      std::count_if(records.begin(), records.end(), [&](const RescuedRecord& r) { return r.verdict == verdict; }));
}

std::vector<RescuedFile> MergeScans(const std::vector<ScanResult>& scans, bool keepUnverified) {
  std::vector<Group> groups = GroupFiles(scans);
  // A block's gap and mark inside a file look like a sync, but the two
  // bytes after them are data, rarely alike as a header's counts are.
  std::erase_if(groups, [](const Group& g) { return !g.countsAgree; });
  DropOverlapping(groups);
  std::sort(groups.begin(), groups.end(),
            [](const Group& a, const Group& b) { return a.header.syncPosition < b.header.syncPosition; });
  std::vector<RescuedFile> files;
  for (const Group& g : groups) {
    RescuedFile file = MergeGroup(g);
    const bool allBad = file.Count(Verdict::Bad) == static_cast<int>(file.records.size());
    if (!keepUnverified && allBad && FamiliesOf(g) < 2) continue;
    files.push_back(std::move(file));
  }
  return files;
}

bool AllVerified(const std::vector<RescuedFile>& files) {
  // A header that announces no record at all is a misreading, not a file read.
  return !files.empty() && std::all_of(files.begin(), files.end(), [](const RescuedFile& f) {
    return !f.records.empty() && f.Count(Verdict::Ok) == static_cast<int>(f.records.size());
  });
}

}  // namespace sonatap
