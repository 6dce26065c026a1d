#pragma once
// Runs sonatap-cli as a user would and captures what it prints.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_files.h"

namespace sonatap {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

inline CliResult RunCli(const std::string& args) {
  TempDir capture;
  const std::string command = std::string(SONATAP_CLI) + " " + args + " >" + capture.Path("out") + " 2>" +
                              capture.Path("err");
  const int raw = std::system(command.c_str());
  return {WEXITSTATUS(raw), Slurp(capture.path / "out"), Slurp(capture.path / "err")};
}

}  // namespace sonatap
