// Recordings as sound cards make them: other rates, widths, channels, speeds
// and levels, conditioned and decoded with no option at all.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "cli/cli_test_util.h"
#include "support/tape_sound.h"

namespace sonatap {
namespace {

struct Channel {
  int rate = 48000;
  int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  double speed = 1.0;      // > 1: the deck ran fast
  double level = 0.5;      // of full scale
  bool deadLeft = false;   // the tape on the right channel only
  bool inverted = false;
  double hum = 0;          // 50 Hz, share of the level
  bool lengthsLost = false;  // the recorder never wrote the WAV's lengths
  int files = 1;             // tape files of `records` records each
  int records = 3;
  double drift = 0;  // the speed grows by this much a minute
};

std::vector<Record> Records(int count) {
  std::vector<Record> records;
  for (int n = 1; n <= count; ++n) records.push_back(PatternRecord(n));
  return records;
}

// The tape's 8-bit samples through a deck and a sound card: resampled by
// linear interpolation, scaled, inverted, with hum, into one or two channels.
void WriteRecording(const std::string& path, const Channel& c) {
  TapeSound tape(3);  // square cells
  tape.Silence(4410);
  for (int f = 0; f < c.files; ++f) {
    tape.File(Records(c.records));
    tape.Silence(4410);
  }
  const std::vector<uint8_t>& in = tape.SampleBytes();
  const int channels = c.deadLeft ? 2 : 1;
  std::vector<float> out;
  for (double t = 0; t + 1 < static_cast<double>(in.size());
       t += (c.speed + c.drift * t / (60 * 44100.0)) * 44100.0 / c.rate) {
    const auto k = static_cast<size_t>(t);
    const double x = ((in[k] - 128.0) * (1 - (t - k)) + (in[k + 1] - 128.0) * (t - k)) / 128.0;
    const double n = static_cast<double>(out.size() / channels);
    const double y = (c.inverted ? -x : x) * c.level + c.hum * c.level * std::sin(2 * M_PI * 50 * n / c.rate);
    if (c.deadLeft) out.push_back(0);
    out.push_back(static_cast<float>(y));
  }
  SF_INFO info{};
  info.samplerate = c.rate;
  info.channels = channels;
  info.format = c.format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_writef_float(file, out.data(), static_cast<sf_count_t>(out.size() / channels));
  sf_close(file);
  if (c.lengthsLost) {
    std::string bytes = Slurp(path);
    bytes.replace(4, 4, 4, '\0');
    bytes.replace(bytes.find("data") + 4, 4, 4, '\0');
    std::ofstream(path, std::ios::binary) << bytes;
  }
}

TEST(Conditioning, RecordingsOfEveryKindDecodeWithNoOption) {
  const struct {
    Channel channel;
    const char* expected;  // the conditioning line up to the gain
  } cases[] = {
      {{48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1.04, 0.03, true, true, 0.2}, "16-bit stereo 48000 Hz, right channel"},
      {{22050, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.95, 0.5}, "float mono 22050 Hz"},
      {{96000, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1.0, 0.8, false, true}, "24-bit mono 96000 Hz"},
      {{44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.97, 0.5, false, false, 0, true}, "16-bit mono 44100 Hz"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string path = dir.Path(c.channel.format & SF_FORMAT_FLAC ? "side.flac" : "side.wav");
    WriteRecording(path, c.channel);
    const CliResult r = RunCli("decode " + path + " --name SIDE --skip-time 0 --out " + dir.path.string());
    ASSERT_EQ(r.status, 0) << c.expected << "\n" << r.err << r.out;
    EXPECT_EQ(r.err.substr(0, 13 + std::string(c.expected).size()), std::string("Conditioned: ") + c.expected);
    const size_t speedAt = r.err.find("speed ");
    ASSERT_NE(speedAt, std::string::npos);
    EXPECT_NEAR(std::stod(r.err.substr(speedAt + 6)), (c.channel.speed - 1) * 100, 0.2) << r.err;
    const std::string fiad = Slurp(dir.path / "SIDE.fiad");
    ASSERT_GE(fiad.size(), 128u + 3 * 64) << c.expected;
    for (int n = 0; n < 3; ++n) {
      const Record want = PatternRecord(n + 1);
      EXPECT_EQ(fiad.substr(128 + 64 * n, 64), std::string(want.begin(), want.end())) << c.expected << " record " << n;
    }
  }
}

TEST(Conditioning, TapeSpeedComesFromRunsOfWholeCells) {
  // A slow tape whose data far outweighs its leader: a whole cell beside half
  // of a 1 averages three quarters of a cell, near where a fast tape's cells
  // would lie. And a motor that drifts across a side: measured over all of
  // it, its speed lies between those of its ends.
  const struct {
    Channel channel;
    double percent;
  } cases[] = {
      {{48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.93, 0.5, false, false, 0, false, 1, 60}, -7},
      {{22050, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.95, 0.5, false, false, 0, false, 24, 3, 0.035}, 0},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteRecording(dir.Path("side.wav"), c.channel);
    const CliResult r = RunCli("condition " + dir.Path("side.wav") + " " + dir.Path("out.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t speedAt = r.err.find("speed ");
    ASSERT_NE(speedAt, std::string::npos) << r.err;
    EXPECT_NEAR(std::stod(r.err.substr(speedAt + 6)), c.percent, 1.0) << r.err;
  }
}

TEST(Conditioning, BadAudioGetsAMessageAndLeavesNothing) {
  TempDir dir, temp;
  const std::string refusal = "Error with file selected.";
  // A WAV whose header claims 0 channels at 0 Hz and 4 GB of data.
  std::string absurd("RIFF\xff\xff\xff\xffWAVEfmt \x10\0\0\0\x01\0\0\0\0\0\0\0\0\0\0\0\0\0\x10\0data\xff\xff\xff\xff", 44);
  dir.Write("absurd.wav", absurd + std::string(100, '\x10'));
  dir.Write("noise.bin", std::string(5000, '\x5a'));
  WriteRecording(dir.Path("full.flac"), {44100, SF_FORMAT_FLAC | SF_FORMAT_PCM_16});
  dir.Write("cut.flac", Slurp(dir.path / "full.flac").substr(0, 3000));
  // Cut past the first two minutes, which is all the first pass reads of a
  // side whose leaders it has seen at a steady speed: the end is found
  // missing while files are read.
  Channel side{22050, SF_FORMAT_FLAC | SF_FORMAT_PCM_16};
  side.files = 24;
  WriteRecording(dir.Path("side.flac"), side);
  const std::string sideBytes = Slurp(dir.path / "side.flac");
  dir.Write("side-cut.flac", sideBytes.substr(0, sideBytes.size() * 19 / 20));
  {
    SF_INFO info{0, 44100, 7, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* seven = sf_open(dir.Path("seven.wav").c_str(), SFM_WRITE, &info);
    const std::vector<short> frames(7 * 1000, 100);
    sf_writef_short(seven, frames.data(), 1000);
    sf_close(seven);
    info = {0, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    sf_close(sf_open(dir.Path("empty.wav").c_str(), SFM_WRITE, &info));
  }
  const struct {
    std::string file;
    std::string message;
  } cases[] = {
      {"absurd.wav", refusal},
      {"noise.bin", refusal},
      {"cut.flac", "The recording could not be read to its end (damaged or truncated).\n"},
      {"side-cut.flac", "The recording could not be read to its end (damaged or truncated).\n"},
      {"seven.wav", "Cannot use a recording of 7 channels (1 to 6 are read).\n"},
      {"empty.wav", "The recording holds no sound.\n"},
      {"", "Error accessing file.\n"},  // the folder itself
  };
  const std::filesystem::path out = dir.path / "out";
  std::filesystem::create_directory(out);
  setenv("TMPDIR", temp.path.c_str(), 1);
  for (const auto& c : cases) {
    const CliResult r = RunCli("decode " + dir.Path(c.file) + " --out " + out.string());
    EXPECT_EQ(r.status, 2) << c.file;
    EXPECT_EQ(r.err.substr(0, c.message.size()), c.message) << c.file;
  }
  unsetenv("TMPDIR");
  EXPECT_TRUE(std::filesystem::is_empty(out));
  EXPECT_TRUE(std::filesystem::is_empty(temp.path)) << "a conditioned file was left behind";
}

}  // namespace
}  // namespace sonatap
