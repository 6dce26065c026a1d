// Ending sonatap-cli with a signal in the middle of its work leaves nothing
// of the run behind: no temporary folder, no half-written file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace sonatap {
namespace {

// A minute of a 16-bit stereo 48 kHz recording: long enough that conditioning
// it takes a while, and with no tape on it.
void WriteMinute(const std::string& path) {
  SF_INFO info{0, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  std::vector<short> frames(2 * 48000);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<short>(8000 * std::sin(0.09 * i));
  for (int second = 0; second < 60; ++second) sf_writef_short(file, frames.data(), 48000);
  sf_close(file);
}

bool HoldsAFile(const fs::path& folder) {
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
    if (entry.is_regular_file(ignored)) return true;
  return false;
}

TEST(CliSignals, EndingTheProgramLeavesNothingOfTheRun) {
  TempDir dir;
  const std::string side = dir.Path("side.wav");
  WriteMinute(side);
  const fs::path temp = dir.path / "tmp", out = dir.path / "out";
  const struct {
    int signal;
    std::vector<std::string> args;
    fs::path watched;  // the signal is sent once a file shows here
  } cases[] = {
      {SIGTERM, {"decode", side, "--rescue", "--out", out}, temp},
      {SIGINT, {"condition", side, out / "side-c.wav"}, out},
      {SIGHUP, {"decode", side, "--out", out}, temp},
  };
  for (const auto& c : cases) {
    fs::create_directories(temp);
    fs::create_directories(out);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::setenv("TMPDIR", temp.c_str(), 1);
      std::vector<char*> argv = {const_cast<char*>(SONATAP_CLI)};
      for (const auto& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, STDOUT_FILENO);
      ::dup2(quiet, STDERR_FILENO);
      ::execv(SONATAP_CLI, argv.data());
      std::_Exit(127);
    }
    int status = 0;
    bool sent = false;
    for (int wait = 0; wait < 40000 && !sent; ++wait) {
      if (::waitpid(child, &status, WNOHANG) == child) break;
      if (HoldsAFile(c.watched)) sent = ::kill(child, c.signal) == 0;
      else std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    ASSERT_TRUE(sent) << c.args[0] << ": the program ended before anything showed in " << c.watched;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << c.args[0] << " status " << status;
    EXPECT_TRUE(fs::is_empty(temp)) << c.args[0];
    EXPECT_TRUE(fs::is_empty(out)) << c.args[0];
    fs::remove_all(temp);
    fs::remove_all(out);
  }
}

}  // namespace
}  // namespace sonatap
