#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/cli_test_util.h"

namespace sonatap {
namespace {

TEST(CliEncode, BadInputTable) {
  TempDir dir;
  dir.Write("empty", "");
  dir.Write("garbage", std::string(500, '\x01'));
  std::string wav(60, '\0');
  wav.replace(0, 4, "RIFF");
  wav[24] = 0x44, wav[25] = static_cast<char>(0xAC), wav[32] = 1;
  dir.Write("rec.wav", wav);
  const std::string refusal =
      "Error with file selected.\nPlease ensure file is valid Wav or FIAD file.\n\nWav file must be 8 bit 44100 Hz "
      "Mono format.\nFIAD File must have valid 128 byte file header or\nvalid TIFILES header.\n";
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"encode " + dir.Path("missing") + " " + dir.Path("o"), 2, "Error accessing file.\n"},
      {"encode " + dir.path.string() + " " + dir.Path("o"), 2, "Error accessing file.\n"},
      {"encode " + dir.Path("empty") + " " + dir.Path("o"), 2, refusal},
      {"encode " + dir.Path("garbage") + " " + dir.Path("o"), 2, refusal},
      {"encode " + dir.Path("rec.wav") + " " + dir.Path("o"), 2, "This is a WAV recording, not a FIAD file.\n"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("o.wav")));
  EXPECT_EQ(RunCli("encode onlyone").status, 2);
  EXPECT_EQ(RunCli("encode a b --recognition 7").status, 2);
  EXPECT_EQ(RunCli("encode a b --bogus").status, 2);
  EXPECT_EQ(RunCli("--version").out, "sonatap-cli 0.95\n");
  EXPECT_EQ(RunCli("--help").status, 0);
}

TEST(CliEncode, WritesTapeOfAFiad) {
  TempDir dir;
  std::string fiad(384, '\0');
  fiad.replace(0, 5, "HELLO");
  fiad[12] = 1, fiad[15] = 1, fiad[16] = static_cast<char>(0xC0);
  dir.Write("hello.fiad", fiad);
  const CliResult r = RunCli("encode " + dir.Path("hello.fiad") + " " + dir.Path("tape") + " --recognition square");
  EXPECT_EQ(r.status, 0);
  const int64_t size = 44 + 256 * (771 + 148 * 3);
  EXPECT_EQ(r.err, "wrote " + dir.Path("tape.wav") + " (3 records, " + std::to_string(size) + " bytes)\n");
  EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(dir.Path("tape.wav"))), size);
  EXPECT_EQ(RunCli("encode " + dir.Path("hello.fiad") + " " + dir.Path("nodir/tape.wav")).status, 1);
}

}  // namespace
}  // namespace sonatap
