// An arbitrary file through the whole of `sonatap-cli decode`: the input
// test, conditioning of audio that is not read as it is, the conversion run
// with the CLI's batch prompts, and every stored FIAD written out. The CLI
// writes each stored file at once and empties the list, so a recording may
// hold any number of tape files (a full list would make prompts that always
// give one name ask forever). Inputs of odd length also gather debug records
// and write their text; lengths of 2 modulo 4 are rescued, with a report.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace fs = std::filesystem;

namespace {

std::ostringstream quiet;
fs::path dir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The Monitor log, the batch prompts' messages and the "wrote" lines.
  std::cout.rdbuf(quiet.rdbuf());
  std::cerr.rdbuf(quiet.rdbuf());
  dir = fs::temp_directory_path() / ("sonatap-fuzz-decode-file-" + std::to_string(::getpid()));
  std::atexit([] {
    std::error_code error;
    fs::remove_all(dir, error);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fs::path out = dir / "out";
  const std::string path = (dir / "input.wav").string();
  fs::create_directories(out);
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  quiet.str("");
  std::vector<std::string> words{path, "--out", out.string(), "--name", "TAPE"};
  if (size & 1) words.insert(words.end(), {"--debug-out", (out / "records.txt").string()});
  const bool rescue = size % 4 == 2;
  if (rescue) words.insert(words.end(), {"--rescue", "--report", (out / "report.json").string()});
  const int status = sonatap::cli::RunDecode(words);
  if (status < 0 || status > 3) __builtin_trap();
  // Exits 0 and 3 say a FIAD was written; a rescue of a recording always reports.
  std::error_code error;
  if ((status == 0 || status == 3) && !fs::exists(out / "TAPE.fiad")) __builtin_trap();
  if (rescue && status != 2 && !fs::exists(out / "report.json")) __builtin_trap();
  for (const auto& entry : fs::directory_iterator(out, error)) fs::remove(entry.path(), error);
  return 0;
}
