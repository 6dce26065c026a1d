#pragma once
// Runs `sonatap-cli decode FILE --rescue --report` as a user would and
// scores its verdicts record by record against the tape files that are on
// the recording: the FIAD written must hold the tape's bytes wherever the
// report says "O.K." or "repaired".
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/decode_score.h"

namespace sonatap::channel {

struct ExpectedFile {
  std::vector<RecordBytes> records;
  std::set<int> damaged;  // records (from 1) that a dropout hit
  double seconds = -1;    // where its data mark after the leader lies in the recording; below 0 not known
  std::set<int> wiped;    // damaged records hit at one place in both copies: nothing on tape holds them
};

struct RecordTally {
  int right = 0;          // "O.K." or "repaired", with the tape's bytes
  int repaired = 0;       // of those, "repaired"
  int bad = 0;            // "BAD"
  int falseOk = 0;        // "O.K." with wrong bytes
  int falseRepaired = 0;  // "repaired" with wrong bytes
  int lost = 0;           // no verdict: its file was not stored, or the report has no such record
  int owed = 0;           // BAD or lost, though one copy or the other holds each byte
  int Total() const { return right + bad + falseOk + falseRepaired + lost; }
  RecordTally& operator+=(const RecordTally& o);
};

struct RescueScore {
  int status = -1;     // the CLI's exit status
  bool report = false; // the report was read
  int stored = 0;      // files the report names a FIAD for
  int found = 0;       // tape files that one of them holds
  int phantoms = 0;    // stored files that hold none of the tape files
  RecordTally all, damaged;
  double seconds = 0;
  std::string errors;
};

// Rescues `recording` (or decodes it with other `options`) into `workDir`
// (emptied first) and matches each stored
// file with the expected file whose data mark lies within a second of the
// stored file's sync, or, where that is not known, whose records it shares
// most; a stored file that matches none is a phantom.
RescueScore ScoreRescue(const std::string& cli, const std::filesystem::path& recording,
                        const std::vector<ExpectedFile>& expected, const std::filesystem::path& workDir,
                        const std::string& options = "--rescue");

}  // namespace sonatap::channel
