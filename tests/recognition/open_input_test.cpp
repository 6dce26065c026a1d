#include "app/open_input.h"

#include <gtest/gtest.h>

#include "engine/input_file.h"
#include "support/run_fixture.h"

namespace sonatap {
namespace {

std::string WavHeader(uint8_t blockAlign) {
  std::string h(reinterpret_cast<const char*>(WavHeaderTemplate.data()), 40);
  h[20] = 3;  // a format tag other than PCM is not examined
  h[32] = static_cast<char>(blockAlign);
  return h + std::string(4, '\0') + std::string(100, '\x80');
}

struct OpenFixture : RunFixture {
  FakeMainView main;
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  void Open(const std::string& path) {
    prompts.openFiles = {path};
    OpenInputFile(*session, prompts, main);
  }
};

TEST(OpenInputFile, AcceptsAWavRecordingByItsHeaderBytes) {
  OpenFixture f;
  f.session->monitor.text = "old lines\r\n";
  const std::string path = f.File("rec.WAV", WavHeader(1));
  f.Open(path);
  EXPECT_EQ(f.session->conversion.wavPath, path);
  EXPECT_EQ(f.main.wavName, "rec.WAV");
  EXPECT_EQ(f.main.monitor, kReadyText);
  EXPECT_EQ(f.main.progress, std::vector<int>{0});
  EXPECT_TRUE(f.prompts.messages.empty());
  const FileDialog& d = f.prompts.dialogs.front();
  EXPECT_EQ(d.title, "Open TI Cassette File sound/wav or FIAD");
  EXPECT_EQ(d.filter, "All Files | *.*|WAV File | *.wav|FIAD File |*.fiad");
  EXPECT_EQ(d.selectedFilter, 1);
}

TEST(OpenInputFile, AsksBeforeClearingDebugData) {
  for (bool yes : {false, true}) {
    OpenFixture f;
    f.session->debug.count = 4;
    f.prompts.yesNo = {yes};
    f.Open(f.File("rec.wav", WavHeader(1)));
    std::vector<Message> expected = {{"Sonatap - Debug Data", "Do you wish to clear Debug data."}};
    if (yes) expected.push_back({"Sonatap - Options", "Debug Data has been cleared"});
    EXPECT_EQ(f.prompts.messages, expected);
    EXPECT_EQ(f.session->debug.count, yes ? 0 : 4);
  }
}

TEST(OpenInputFile, RefusalsAndFailuresChangeNothing) {
  struct Case {
    std::string name, bytes;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"stereo.wav", WavHeader(2), kRefusalText},  // 8-bit stereo and 16-bit mono both say 2 at offset 32
      {"empty.wav", "", kRefusalText},
      {"garbage.bin", std::string(5000, '\x01'), kRefusalText},
      {"", "", kAccessErrorText},  // the folder itself
  };
  for (const Case& c : cases) {
    OpenFixture f;
    f.session->conversion.wavPath = "earlier.wav";
    const std::string path = c.name.empty() ? f.dir.string() : f.File(c.name, c.bytes);
    f.Open(path);
    EXPECT_EQ(f.prompts.messages, (std::vector<Message>{{"Sonatap - File Error!", c.text}})) << c.name;
    EXPECT_EQ(f.session->conversion.wavPath, "earlier.wav");
    EXPECT_TRUE(f.session->fiads.Entries().empty());
  }
}

TEST(OpenInputFile, LoadsAFiadIntoTheList) {
  OpenFixture f;
  std::string fiad(384, '\0');
  fiad.replace(0, 10, "HELLO WORL");
  fiad[12] = 1, fiad[15] = 1, fiad[16] = static_cast<char>(0xC0);
  f.Open(f.File("hello.fiad", fiad));
  EXPECT_EQ(f.session->fiads.Entries(), std::vector<std::string>{"HELLO"});
  EXPECT_EQ(f.session->fiads.Slot(1).recordCount, 3);
  EXPECT_EQ(f.main.refreshes, 1);
  EXPECT_TRUE(f.session->conversion.wavPath.empty());
}

TEST(OpenInputFile, CancellingChangesNothing) {
  OpenFixture f;
  f.Open("");
  EXPECT_TRUE(f.prompts.messages.empty());
  EXPECT_EQ(f.main.focuses, 1);
  EXPECT_TRUE(f.session->conversion.wavPath.empty());
}

}  // namespace
}  // namespace sonatap
