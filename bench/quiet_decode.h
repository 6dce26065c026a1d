#pragma once
// `sonatap-cli decode` run in the bench's own process, once for each of the
// benchmark's iterations, with what it prints dropped.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace sonatap {

// `recognition`: the --recognition option, or "" for none. Returns how many runs failed.
inline int DecodeQuietly(benchmark::State& state, const std::string& recording, const std::filesystem::path& out,
                         const std::string& name, const char* recognition) {
  std::ostringstream quiet;
  auto* const savedOut = std::cout.rdbuf(quiet.rdbuf());
  auto* const savedErr = std::cerr.rdbuf(quiet.rdbuf());
  int failures = 0;
  for (auto _ : state) {
    quiet.str("");
    std::vector<std::string> args = {recording, "--out", out.string(), "--name", name};
    if (*recognition) args.insert(args.end(), {"--recognition", recognition});
    if (cli::RunDecode(args) != 0) ++failures;
  }
  std::cout.rdbuf(savedOut);
  std::cerr.rdbuf(savedErr);
  return failures;
}

}  // namespace sonatap
