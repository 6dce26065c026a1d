#pragma once
// A folder of its own for each test, removed afterwards, and reading files back.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace sonatap {

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    static int serial = 0;
    path = std::filesystem::temp_directory_path() /
           ("sonatap-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
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

}  // namespace sonatap
