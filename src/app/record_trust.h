#pragma once
// Which reading of a record a rescue can trust, and the verdict it earns.
#include <cstdint>
#include <vector>

#include "app/record_repair.h"

namespace sonatap {

enum class Verdict { Ok, Repaired, Bad };

const char* VerdictText(Verdict verdict);  // "O.K.", "repaired", "BAD"

struct RescuedRecord {
  RecordBytes bytes{};
  Verdict verdict = Verdict::Bad;
  int scan = 0;               // the scan (from 1) whose reading it is; 0 when put together
  int64_t position = -1;      // where its data mark was found; -1 when never read
  bool conflict = false;      // verified readings that differ: the best supported one won
};

// A reading of a record, by whom, and whether its scan verified the records
// next to it (it was reading well there) and every record of the file.
struct RecordReading {
  Witnessed witnessed;
  bool repairs;  // see ScanResult
  int scan;
  bool amongGood;
  bool wholeFileGood;
  const CopyReading& Copy() const { return *witnessed.reading; }
};

// A verified reading is O.K. when an independent reading (of the other
// copy, or by a scan of another family) holds the same bytes; or, when no
// independent verified reading says otherwise, where its scan verified the
// records on both sides of it too, and no two witnesses read one of its
// bytes otherwise. A lone reading (no other of the record at all) counts so
// only where its scan verified the whole file: a file only one scan found
// lies where the tape is worst, and there a quarter of such lone readings
// were wrong on the channel set. Over thousands of damaged blocks some
// garbage passes an 8-bit checksum by chance (most often a copy that
// slipped by a few bits in a dropout), and a scan like
// the one that made it may make it again, but nothing else reads it alike,
// and it comes where scans read badly. Of such readings that differ, the
// one more readings hold wins. With no trusted reading, the record is
// repaired from the readings of scans that take part in repairs, or BAD.
RescuedRecord TrustedRecord(const std::vector<RecordReading>& readings);

}  // namespace sonatap
