#pragma once
// What the tape channel tables share: their options, the clean recordings
// they start from, and the faults of the plain table's cases.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/decode_score.h"
#include "support/tape_channel.h"

namespace sonatap::channel {

struct Options {
  std::string cli = SONATAP_CLI;
  std::filesystem::path corpus = SONATAP_CORPUS;
  std::string plainArgs = "--recognition adaptive";
  std::string otherArgs;
  std::string only;
  std::filesystem::path keep;
  // The impairments' random draws start from this instead of each table's own seed.
  std::optional<uint32_t> seed;
  bool verbose = false;
  bool rescueOnly = false;
  bool plainOnly = false;
};

bool ParseOptions(int argc, char** argv, Options& o);

// A clean recording of one tape file and what it carries.
struct Source {
  std::string name;
  std::filesystem::path fiad;       // what is on the tape
  std::filesystem::path recording;  // its clean recording
  int shapes = 0;                   // the encoder's method that draws it, or 0 for another tool's file
  bool big = false;                 // a long file, only for the cases that ask for it
  Recording clean{};
  TapeMap map{};
  std::vector<RecordBytes> records{};
};

// Writes `source.recording` with the CLI's encoder when it draws it, then
// reads and maps it; false (with a message) when it does not carry the FIAD.
bool PrepareSource(const Options& o, Source& source);

// nim from every encoder method and both other tools, and big.
bool PrepareSources(const Options& o, const std::filesystem::path& dir, std::vector<Source>& sources);

struct Case {
  const char* name;
  Impairments faults;
  bool big = false;  // also run the long file
};

// The plain table's cases: one fault at a time, then worn decks.
std::vector<Case> Cases();

const char* FormatName(const Impairments& f);
const char* Extension(const Impairments& f);

Impairments With(auto&& change) {
  Impairments f;
  change(f);
  return f;
}

}  // namespace sonatap::channel
