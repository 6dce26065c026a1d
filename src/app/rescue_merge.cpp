#include "app/rescue_merge.h"

#include <algorithm>
#include <cstdlib>

#include "app/record_repair.h"

namespace sonatap {
namespace {

// One block on tape: eight zero bytes, the mark, 64 bytes and the checksum,
// eight cells of 32 samples a byte.
constexpr int64_t kBlockSamples = (8 + kBlockBytes) * 8 * 32;

// One tape file as the scans saw it.
struct Sighting {
  int scan;  // from 1
  const ScannedFile* file;
};

struct Group {
  TapeFileHeader header;
  std::vector<Sighting> sightings;
  int verifiedCopies = 0;
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
      same->sightings.push_back({static_cast<int>(s) + 1, &file});
      same->verifiedCopies += static_cast<int>(
          std::count_if(file.copies.begin(), file.copies.end(), [](const CopyReading& c) { return c.good; }));
    }
  }
  return groups;
}

// Where a file lies: from its sync to the end of the last block read.
struct Span {
  int64_t from, to;
  bool Overlaps(const Span& o) const { return from <= o.to && o.from <= to; }
};

Span SpanOf(const Group& g) {
  Span span{g.header.syncPosition, g.header.syncPosition};
  for (const Sighting& s : g.sightings)
    for (const CopyReading& c : s.file->copies) span.to = std::max(span.to, c.markPosition + kBlockSamples);
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

RescuedRecord TrustedRecord(const std::vector<const CopyReading*>& readings, const std::vector<int>& scans) {
  RescuedRecord result;
  if (readings.empty()) return result;
  result.position = readings.front()->markPosition;
  int bestSupport = -1;
  const CopyReading* firstVerified = nullptr;
  for (size_t i = 0; i < readings.size(); ++i) {
    if (!readings[i]->good) continue;
    if (firstVerified && readings[i]->bytes != firstVerified->bytes) result.conflict = true;
    if (!firstVerified) firstVerified = readings[i];
    // Verified readings that differ: the one more readings agree with wins.
    const int support = static_cast<int>(std::count_if(readings.begin(), readings.end(), [&](const CopyReading* r) {
      return r->bytes == readings[i]->bytes;
    }));
    if (support > bestSupport) {
      bestSupport = support;
      result.bytes = readings[i]->bytes;
      result.verdict = Verdict::Ok;
      result.scan = scans[i];
      result.position = readings[i]->markPosition;
    }
  }
  if (result.verdict == Verdict::Ok) return result;
  if (auto repaired = RepairRecord(readings)) {
    result.bytes = *repaired;
    result.verdict = Verdict::Repaired;
  } else {
    result.bytes = MajorityBytes(readings);
  }
  return result;
}

RescuedFile MergeGroup(const Group& g) {
  RescuedFile file{g.header, {}};
  for (int record = 1; record <= g.header.secondCount; ++record) {
    std::vector<const CopyReading*> readings;
    std::vector<int> scans;
    for (const Sighting& s : g.sightings) {
      for (const CopyReading& c : s.file->copies) {
        if (c.record != record) continue;
        readings.push_back(&c);
        scans.push_back(s.scan);
      }
    }
    file.records.push_back(TrustedRecord(readings, scans));
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
  DropOverlapping(groups);
  std::sort(groups.begin(), groups.end(),
            [](const Group& a, const Group& b) { return a.header.syncPosition < b.header.syncPosition; });
  std::vector<RescuedFile> files;
  for (const Group& g : groups) {
    RescuedFile file = MergeGroup(g);
    if (!keepUnverified && file.Count(Verdict::Bad) == static_cast<int>(file.records.size())) continue;
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
