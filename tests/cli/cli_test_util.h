#pragma once
// Runs sonatap-cli as a user would and captures what it prints.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace sonatap {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    static int serial = 0;
    path = std::filesystem::temp_directory_path() /
           ("sonatap-cli-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string Path(const std::string& name) const { return (path / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
};

inline std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline CliResult RunCli(const std::string& args) {
  TempDir capture;
  const std::string command = std::string(SONATAP_CLI) + " " + args + " >" + capture.Path("out") + " 2>" +
                              capture.Path("err");
  const int raw = std::system(command.c_str());
  return {WEXITSTATUS(raw), Slurp(capture.path / "out"), Slurp(capture.path / "err")};
}

}  // namespace sonatap
