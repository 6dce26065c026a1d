#include "app/rescue_merge.h"

#include <algorithm>
#include <cstdlib>

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

int64_t Median(std::vector<int64_t> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// A scan that missed a block can number the blocks after it wrongly (the
// next record's first copy taken for this one's second): a reading far
// from where the other scans found the same copy is someone else's.
void DropMisplaced(std::vector<RecordReading>& readings) {
  for (const bool second : {false, true}) {
    std::vector<int64_t> places;
    for (const RecordReading& r : readings)
      if (r.Copy().secondCopy == second) places.push_back(r.Copy().markPosition);
    if (places.size() < 2) continue;
    const int64_t median = Median(places);
    std::erase_if(readings, [&](const RecordReading& r) {
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
    std::vector<RecordReading> readings;
    for (size_t s = 0; s < g.sightings.size(); ++s) {
      const Sighting& sighting = g.sightings[s];
      // Both neighbours, where there are two.
      const bool amongGood = (record == 1 || verified[s][record - 1]) &&
                             (record == g.header.secondCount || verified[s][record + 1]);
      for (const CopyReading& c : sighting.file->copies)
        if (c.record == record)
          readings.push_back({{&c, sighting.family, sighting.marksGuesses}, sighting.repairs, sighting.scan, amongGood,
                               wholeFileGood[s]});
    }
    DropMisplaced(readings);
    file.records.push_back(TrustedRecord(readings));
  }
  return file;
}

}  // namespace

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
