#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/cli_test_util.h"
#include "support/run_fixture.h"

namespace sonatap {
namespace {

const std::string kCorpus = SONATAP_CORPUS;

// The verdict lines ("Rec #n O.K.", "... BAD!") of a log.
std::string Records(const std::string& log) {
  std::string okLines;
  for (size_t at = log.find("\nRec #"); at != std::string::npos; at = log.find("\nRec #", at + 1)) {
    const size_t end = log.find('\n', at + 1);
    okLines += log.substr(at + 1, end - at);
  }
  return okLines;
}

TEST(CliDecode, BadInputTable) {
  TempDir dir;
  dir.Write("garbage", std::string(500, '\x01'));
  std::string fiad(384, '\0');
  fiad.replace(0, 5, "HELLO");
  fiad[15] = 1;
  dir.Write("prog.fiad", fiad);
  TapeSound silence;
  silence.Silence(100);
  silence.WriteWav(dir.Path("quiet.wav"));
  const std::string refusal =
      "Error with file selected.\nPlease ensure file is valid Wav or FIAD file.\n\nWav file must be 8 bit 44100 Hz "
      "Mono format.\nFIAD File must have valid 128 byte file header or\nvalid TIFILES header.\n";
  const std::string wav = dir.Path("quiet.wav");
  const std::string original = Slurp(wav);
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"decode " + dir.Path("missing.wav"), 2, "Error accessing file.\n"},
      {"decode " + dir.path.string(), 2, "Error accessing file.\n"},
      {"decode " + dir.Path("garbage"), 2, refusal},
      {"decode " + dir.Path("prog.fiad"), 2, "This is a FIAD file, not a recording: use list or encode.\n"},
      {"decode", 2, "sonatap-cli: decode needs one recording\nTry 'sonatap-cli --help'.\n"},
      {"decode " + wav + " --name ELEVENCHARS", 2, "sonatap-cli: --name must have 1 to 10 characters\nTry 'sonatap-cli --help'.\n"},
      {"decode " + wav + " --name a/b", 2, "sonatap-cli: --name must not hold a path\nTry 'sonatap-cli --help'.\n"},
      {"decode " + wav + " --out " + dir.Path("none"), 2,
       "sonatap-cli: --out: no folder " + dir.Path("none") + "\nTry 'sonatap-cli --help'.\n"},
      {"decode " + wav + " --report " + dir.Path("none/r.json"), 2,
       "sonatap-cli: --report: no folder " + dir.Path("none") + "\nTry 'sonatap-cli --help'.\n"},
      {"decode " + wav + " --volume 90", 2, "sonatap-cli: --volume needs PLUS,MINUS\nTry 'sonatap-cli --help'.\n"},
      {"decode " + wav + " --report " + wav, 2,
       "sonatap-cli: --report: FILE is the recording itself\nTry 'sonatap-cli --help'.\n"},
      {"condition " + wav + " " + dir.path.string() + "/./quiet.wav", 2,
       "sonatap-cli: condition: OUT is the recording IN itself\nTry 'sonatap-cli --help'.\n"},
      // Refused before a run of minutes, not after it.
      {"decode " + wav + " --report " + dir.path.string(), 2,
       "sonatap-cli: --report: " + dir.path.string() + " is a folder\nTry 'sonatap-cli --help'.\n"},
      {"condition " + wav + " " + dir.Path("none/c.wav"), 2,
       "sonatap-cli: condition: no folder " + dir.Path("none") + "\nTry 'sonatap-cli --help'.\n"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_EQ(Slurp(wav), original) << "the recording was written";
  // Every tuning option keeps to the dialog's range.
  for (const std::string option :
       {"--threshold 7", "--threshold -1", "--tolerance 39", "--tolerance 601", "--recognition 8", "--detection 5",
        "--detection triangle1", "--skip-time 21", "--dc-offset 103", "--dc-offset -109", "--volume 301,0",
        "--volume 0,-1"}) {
    const CliResult r = RunCli("decode " + wav + " " + option);
    EXPECT_EQ(r.status, 2) << option;
    EXPECT_NE(r.err.find("sonatap-cli: "), std::string::npos) << option;
  }
}

TEST(CliDecode, NothingFoundIsExitOne) {
  TempDir dir;
  TapeSound tape;
  tape.Silence(60000);
  tape.WriteWav(dir.Path("quiet.wav"));
  const CliResult r = RunCli("decode " + dir.Path("quiet.wav") + " --out " + dir.path.string() + " --volume 90,90");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "** READY **\nWav File:quiet.wav\nPosition:1\nLocating File sync\nEnd of Wav File\n\n");
}

TEST(CliDecode, EveryFileOfARecordingIsWrittenUnderTheSameName) {
  TempDir dir;
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  for (int file = 0; file < 3; ++file) {
    tape.File({PatternRecord(file), PatternRecord(file + 10)});
    tape.Silence(RunFixture::kSkip + 1000);
  }
  tape.WriteWav(dir.Path("three files.wav"));
  const CliResult r = RunCli("decode '" + dir.Path("three files.wav") + "' --skip-time 1 --out " + dir.path.string());
  EXPECT_EQ(r.status, 0) << r.err;
  size_t finished = 0;
  for (size_t at = r.out.find("Finished.\n\n"); at != std::string::npos; at = r.out.find("Finished.\n\n", at + 1))
    ++finished;
  EXPECT_EQ(finished, 3u);
  for (const char* name : {"three file.fiad", "three file-2.fiad", "three file-3.fiad"}) {
    const std::string bytes = Slurp(dir.path / name);
    ASSERT_EQ(bytes.size(), 384u) << name;
    EXPECT_EQ(bytes.substr(0, 10), "three file") << name;
  }
  EXPECT_EQ(static_cast<uint8_t>(Slurp(dir.path / "three file-3.fiad")[128]), PatternRecord(2)[0]);
  EXPECT_NE(r.err.find("wrote " + dir.Path("three file-2.fiad") + " (2 records, 384 bytes)\n"), std::string::npos);
}

TEST(CliDecode, UnwritableFolderIsExitOne) {
  TempDir dir;
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  tape.File({PatternRecord(1)});
  tape.Silence(RunFixture::kSkip);
  tape.WriteWav(dir.Path("t.wav"));
  // A folder no one may write in, even the root user the tests may run as.
  const CliResult r = RunCli("decode " + dir.Path("t.wav") + " --skip-time 1 --out /proc");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error writing file.\n/proc/t.fiad"), std::string::npos) << r.err;
}

class CorpusDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kCorpus + "/recordings")) GTEST_SKIP() << "no corpus at " << kCorpus;
  }
  std::string Recording(const std::string& name) { return kCorpus + "/recordings/" + name; }
  std::string Program(const std::string& name) { return Slurp(kCorpus + "/programs/" + name); }
  TempDir dir;
};

TEST_F(CorpusDecode, RealMachineRecording) {
  const CliResult plain = RunCli("decode " + Recording("real-print.wav") + " --out " + dir.path.string());
  EXPECT_EQ(plain.status, 1) << "the Natural detection shape misses the flat cell ends";

  const CliResult sine = RunCli("decode " + Recording("real-print.wav") + " --detection sine --out " + dir.path.string());
  ASSERT_EQ(sine.status, 0) << sine.err;
  EXPECT_EQ(Records(sine.out), "Rec #1 O.K.\n");
  const std::string fiad = Slurp(dir.path / "real-print.fiad");
  ASSERT_EQ(fiad.size(), 384u);
  EXPECT_EQ(fiad.substr(128, 64), Slurp(kCorpus + "/recordings/real-print.record1.bin"));

  // The original 16-bit recording needs no option at all: it is conditioned
  // and read with the Adaptive method.
  const CliResult any = RunCli("decode " + Recording("real-print-16bit.wav") + " --name P16 --out " + dir.path.string());
  ASSERT_EQ(any.status, 0) << any.err;
  EXPECT_EQ(any.err.substr(0, 41), "Conditioned: 16-bit mono 44100 Hz, +15 dB");
  EXPECT_EQ(Records(any.out), "Rec #1 O.K.\n");
  EXPECT_EQ(Slurp(dir.path / "P16.fiad").substr(128, 64), Slurp(kCorpus + "/recordings/real-print.record1.bin"));
  // So does the 8-bit one with the Adaptive method, unconditioned.
  const CliResult adaptive =
      RunCli("decode " + Recording("real-print.wav") + " --recognition adaptive --name P8 --out " + dir.path.string());
  EXPECT_EQ(Records(adaptive.out), "Rec #1 O.K.\n");
}

TEST_F(CorpusDecode, SquareWaveRecordingReadsWithTheCrossingMethod) {
  const CliResult r = RunCli("decode " + Recording("nim-retroload.wav") + " --recognition dc-offset --name NIM --out " +
                             dir.path.string());
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (int n = 1; n <= 10; ++n) expected += "Rec #" + std::to_string(n) + " O.K.\n";
  EXPECT_EQ(Records(r.out), expected);
  const std::string fiad = Slurp(dir.path / "NIM.fiad");
  const std::string program = Program("nim.prg");
  ASSERT_EQ(fiad.size(), 128u + 3 * 256);
  EXPECT_EQ(fiad.substr(128, program.size()), program);
  // Template methods do not read it, but must end cleanly on its square cells.
  for (const char* method : {"natural", "square", "triangle1"}) {
    const CliResult t = RunCli("decode " + Recording("nim-retroload.wav") + " --recognition " + method +
                               " --out " + dir.path.string());
    EXPECT_LE(t.status, 1) << method;
    EXPECT_TRUE(t.out.ends_with("End of Wav File\n\n")) << method;
  }
}

TEST_F(CorpusDecode, SineSegmentRecordingHoldsNineRecords) {
  const CliResult r = RunCli("decode " + Recording("nim-mltt.wav") + " --name NIM --out " + dir.path.string());
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (int n = 1; n <= 9; ++n) expected += "Rec #" + std::to_string(n) + " O.K.\n";
  EXPECT_EQ(Records(r.out), expected);
  const std::string fiad = Slurp(dir.path / "NIM.fiad");
  EXPECT_EQ(fiad.substr(128, 576), Program("nim.prg").substr(0, 576));
}

}  // namespace
}  // namespace sonatap
