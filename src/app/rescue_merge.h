#pragma once
// Putting several scans of one recording together: the same tape file seen
// by different scans, and for each record the reading that can be trusted.
#include <cstdint>
#include <vector>

#include "app/record_trust.h"
#include "app/tape_scan.h"

namespace sonatap {

struct RescuedFile {
  TapeFileHeader header;
  std::vector<RescuedRecord> records;  // records 1..secondCount
  int Count(Verdict verdict) const;
};

// A tape file's sync found this close by (in samples) is the same file.
constexpr int64_t kSameFileDistance = 22050;

// Scans in the order they ran (scan n at index n - 1). Files are matched by
// sync position and record count; each record takes a verified reading, a
// repair, or its best guess. A file none of whose records could be
// verified or repaired is kept, with its best guesses, only when scans of
// two families found it (or `keepUnverified`): noise between files makes
// such files, but seldom the same one for two methods.
std::vector<RescuedFile> MergeScans(const std::vector<ScanResult>& scans, bool keepUnverified = false);

// Files found, and every record of every file verified: no further scan can add anything.
bool AllVerified(const std::vector<RescuedFile>& files);

}  // namespace sonatap
