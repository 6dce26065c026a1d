// The view of a WAV whose recorder never wrote its lengths back: which
// headers it takes, and the sound libsndfile then finds through it.
#include "engine/unfinished_wav.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/cli_test_util.h"

namespace sonatap {
namespace {

std::string Le32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

// 16-bit mono 8000 Hz: RIFF, fmt, an optional LIST chunk of odd length
// (padded to even), then data with `dataLength` and `sound` bytes after it.
std::string Wav(uint32_t riffLength, uint32_t dataLength, size_t sound, bool list) {
  std::string fmt = "fmt " + Le32(16) + std::string("\1\0\1\0", 4) + Le32(8000) + Le32(16000) + std::string("\2\0\x10\0", 4);
  std::string chunks = fmt + (list ? "LIST" + Le32(3) + "abc" + '\0' : "");
  return "RIFF" + Le32(riffLength) + "WAVE" + chunks + "data" + Le32(dataLength) + std::string(sound, '\x40');
}

TEST(UnfinishedWav, TakesOnlyAWavWhoseSoundLengthWasNeverWritten) {
  const struct {
    const char* name;
    std::string bytes;
    sf_count_t frames;  // through the view; -1: no view
  } cases[] = {
      {"both lengths lost", Wav(0, 0, 2000, false), 1000},
      {"after an odd-length chunk", Wav(0, 0, 2000, true), 1000},
      {"RIFF length kept", Wav(2036, 0, 2000, false), 1000},
      {"finished", Wav(2036, 2000, 2000, false), -1},
      {"no sound after the header", Wav(0, 0, 0, false), -1},
      {"not a WAV", "FORM" + Le32(0) + "AIFF" + std::string(100, '\0'), -1},
      {"no data chunk", Wav(0, 0, 0, false).substr(0, 36), -1},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.Write("in.wav", c.bytes);
    const auto view = UnfinishedWav::Open(dir.Path("in.wav"));
    ASSERT_EQ(view != nullptr, c.frames >= 0) << c.name;
    if (!view) continue;
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&UnfinishedWav::Io(), SFM_READ, &info, view.get());
    ASSERT_NE(file, nullptr) << c.name << ": " << sf_strerror(nullptr);
    EXPECT_EQ(info.frames, c.frames) << c.name;
    EXPECT_EQ(info.samplerate, 8000) << c.name;
    sf_close(file);
  }
}

}  // namespace
}  // namespace sonatap
