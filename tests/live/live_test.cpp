// Playing and recording through a fake sound device: the samples that reach
// the device, the files recorded, the level meter, Stop, a device that goes
// away, the menu items, and the CLI's exit statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "cli/cli_test_util.h"
#include "engine/input_file.h"
#include "live/level_meter.h"
#include "live/play_logic.h"
#include "live/record_logic.h"
#include "app/main_window_logic.h"
#include "support/scripted_fakes.h"
#include "engine/wav_writer.h"

namespace sonatap::live {
namespace {

// An output that keeps what it plays, an input that serves a sound; either
// goes away after `lifetime` frames (never when negative).
class FakeOutput final : public OutputStream {
 public:
  FakeOutput(std::vector<int16_t>& heard, int64_t lifetime) : heard_(heard), lifetime_(lifetime) {}
  bool Write(const int16_t* samples, long frames) override {
    if (lifetime_ >= 0 && static_cast<int64_t>(heard_.size()) + frames > lifetime_) return false;
    heard_.insert(heard_.end(), samples, samples + frames);
    ++blocks;
    return true;
  }
  void Drain() override {}
  std::string Error() const override { return "unplugged"; }
  int blocks = 0;

 private:
  std::vector<int16_t>& heard_;
  int64_t lifetime_;
};

class FakeInput final : public InputStream {
 public:
  FakeInput(const std::vector<int16_t>& sound, int channels, int64_t lifetime)
      : sound_(sound), channels_(channels), lifetime_(lifetime) {}
  bool Read(int16_t* samples, long frames) override {
    if (lifetime_ >= 0 && served_ + frames > lifetime_) return false;
    for (long f = 0; f < frames; ++f, ++served_) {
      const int16_t s = served_ < static_cast<int64_t>(sound_.size()) ? sound_[served_] : 0;
      for (int c = 0; c < channels_; ++c) samples[f * channels_ + c] = s;
    }
    return true;
  }
  std::string Error() const override { return "unplugged"; }

 private:
  const std::vector<int16_t>& sound_;
  int channels_;
  int64_t lifetime_, served_ = 0;
};

class FakeAudio final : public AudioSystem {
 public:
  std::vector<DeviceInfo> devices = {{"Tape Deck Line In", 2, 0, 48000, true, false},
                                     {"Speakers", 0, 2, 48000, false, true},
                                     {"Cassette Out", 0, 1, 44100, false, false}};
  std::vector<int16_t> heard, sound;
  int64_t lifetime = -1;
  StreamFormat opened{0, 0};
  std::string Problem() const override { return devices.empty() ? "no sound here" : ""; }
  std::vector<DeviceInfo> Devices() const override { return devices; }
  std::unique_ptr<OutputStream> OpenOutput(const std::string& name, StreamFormat format,
                                           std::string& error) override {
    if (FindDevice(devices, name, Direction::Output, error) < 0) return nullptr;
    opened = format;
    return std::make_unique<FakeOutput>(heard, lifetime);
  }
  std::unique_ptr<InputStream> OpenInput(const std::string& name, StreamFormat format, std::string& error) override {
    const int found = FindDevice(devices, name, Direction::Input, error);
    if (found < 0) return nullptr;
    opened = format;
    return std::make_unique<FakeInput>(sound, format.channels, lifetime);
  }
};

class Live : public ::testing::Test {
 protected:
  void SetUp() override {
    Shapes shapes;
    LoadShapeSet(shapes, 1, 1);
    shapes_ = shapes.set;
    ASSERT_EQ(ReadInputFile(SONATAP_EXAMPLES "/hello.fiad", *image).kind, InputKind::Fiad);
    // The tape sound a WAV save writes, as 16-bit samples.
    NoProgress none;
    const std::string wav = dir.Path("hello.wav");
    ASSERT_FALSE(WriteWavFile(wav, *image, HeaderKind::Plain128, shapes_, none).has_value());
    const std::string bytes = Slurp(wav);
    for (size_t i = kWavHeaderSize; i < bytes.size(); ++i)
      tape.push_back(static_cast<int16_t>((static_cast<uint8_t>(bytes[i]) - 128) * 256));
  }

  TempDir dir;
  std::unique_ptr<FiadImage> image = std::make_unique<FiadImage>();
  ShapeSet shapes_{};
  std::vector<int16_t> tape;
  FakeAudio audio;
};

uint32_t Le32(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
         static_cast<uint8_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

// The file's two lengths agree with its size, and it holds `frames` stereo frames.
void ExpectWholeWav(const std::string& path, int64_t frames) {
  const std::string bytes = Slurp(path);
  ASSERT_GE(bytes.size(), 44u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
  EXPECT_EQ(Le32(bytes, 40), bytes.size() - 44);
  EXPECT_EQ(static_cast<int64_t>(bytes.size() - 44), frames * 4);
}

TEST(LevelMeterTest, DecibelsAndBarPositions) {
  struct Row {
    int peak;
    double db;
  };
  for (const Row& row : {Row{32768, 0.0}, Row{16384, -6.0206}, Row{3277, -20.0}, Row{33, -59.94}, Row{32, -60.0},
                         Row{1, -60.0}, Row{0, -60.0}})
    EXPECT_NEAR(PeakDb(row.peak), row.db, 0.01) << row.peak;
  for (auto [db, percent] : {std::pair{-60.0, 0}, {-90.0, 0}, {-30.0, 50}, {-6.0, 90}, {0.0, 100}, {3.0, 100}})
    EXPECT_EQ(BarPercent(db), percent) << db;
}

TEST(LevelMeterTest, PeaksPerChannelFallSlowlyAndCountClipping) {
  LevelMeter meter(2);
  EXPECT_EQ(meter.Advice(), "Start the tape: aim for peaks at the marker.");
  std::vector<int16_t> block = {16384, 100, -16384, -32768, 0, 32767, 5, 0};  // four stereo frames
  meter.Feed(block.data(), 4, 44100);
  EXPECT_NEAR(meter.ShownDb(0), -6.02, 0.01);
  EXPECT_NEAR(meter.ShownDb(1), 0.0, 0.01);
  EXPECT_EQ(meter.ClippedSamples(0), 0);
  EXPECT_EQ(meter.ClippedSamples(1), 2);
  EXPECT_EQ(meter.Advice(), "Too loud: turn the deck's volume down.");
  std::vector<int16_t> quiet(2 * 22050, 0);  // half a second of silence: 10 dB down
  meter.Feed(quiet.data(), 22050, 44100);
  EXPECT_NEAR(meter.ShownDb(0), -16.02, 0.01);
  EXPECT_NEAR(meter.ShownDb(1), -10.0, 0.01);
  EXPECT_EQ(meter.Advice(), "Good level.");
  meter.Feed(quiet.data(), 22050, 44100);
  meter.Feed(quiet.data(), 22050, 44100);
  EXPECT_EQ(meter.Advice(), "Too quiet: turn the deck's volume up.");
}

TEST(FindDeviceTest, DefaultExactOrTheOnlyPartialName) {
  const std::vector<DeviceInfo> devices = {{"USB Audio: Line", 2, 2, 44100, false, false},
                                           {"USB Audio: Mic", 1, 0, 44100, true, false},
                                           {"HDA Intel: Line", 2, 2, 48000, false, true}};
  struct Row {
    const char* name;
    Direction direction;
    int index;
    const char* error;
  };
  for (const Row& row : {Row{"", Direction::Input, 1, ""}, Row{"", Direction::Output, 2, ""},
                         Row{"USB Audio: Line", Direction::Input, 0, ""}, Row{"mic", Direction::Input, 1, ""},
                         Row{"mic", Direction::Output, -1, "No audio output device is called 'mic'."},
                         Row{"line", Direction::Input, -1, "More than one audio input device is called 'line'."},
                         Row{"hda", Direction::Output, 2, ""}}) {
    std::string error;
    EXPECT_EQ(FindDevice(devices, row.name, row.direction, error), row.index) << row.name;
    EXPECT_EQ(error, row.error) << row.name;
  }
  std::string error;
  EXPECT_EQ(FindDevice({}, "", Direction::Output, error), -1);
  EXPECT_EQ(error, "No audio output device was found.");
}

TEST_F(Live, PlaysTheSamplesAWavSaveWritesAtFullVolume) {
  PlayLogic logic(audio);
  EXPECT_EQ(logic.DeviceNames(), (std::vector<std::string>{"Speakers", "Cassette Out"}));
  EXPECT_EQ(logic.DefaultDevice(), 0);
  ASSERT_EQ(logic.UseFiad(*image, HeaderKind::Plain128, shapes_), "");
  EXPECT_EQ(logic.TotalFrames(), static_cast<int64_t>(tape.size()));
  EXPECT_EQ(logic.TimeText(), "0:00 / 0:05");
  int polls = 0;
  const PlayOutcome outcome = logic.Play("cassette", [&] { ++polls; });
  EXPECT_EQ(outcome.end, PlayEnd::Finished);
  EXPECT_EQ(outcome.message, "Played to the end (0:05).");
  EXPECT_EQ(audio.opened.rate, 44100);
  EXPECT_EQ(audio.opened.channels, 1);
  EXPECT_TRUE(audio.heard == tape);
  EXPECT_EQ(polls, static_cast<int>((tape.size() + kPlayBlockFrames - 1) / kPlayBlockFrames));
  EXPECT_EQ(logic.Percent(), 100);
}

TEST_F(Live, VolumeStopAndAVanishingOutput) {
  PlayLogic logic(audio);
  ASSERT_EQ(logic.UseFiad(*image, HeaderKind::Plain128, shapes_), "");
  logic.SetVolume(50);
  int polls = 0;
  PlayOutcome outcome = logic.Play("", [&] {
    if (++polls == 3) logic.Stop();
  });
  EXPECT_EQ(outcome.end, PlayEnd::Stopped);
  EXPECT_EQ(outcome.message, "Stopped at 0:00.");
  ASSERT_EQ(audio.heard.size(), static_cast<size_t>(3 * kPlayBlockFrames));
  for (size_t i = 0; i < audio.heard.size(); ++i) ASSERT_EQ(audio.heard[i], tape[i] / 2) << i;

  audio.heard.clear();
  audio.lifetime = 44100;
  outcome = logic.Play("", {});
  EXPECT_EQ(outcome.end, PlayEnd::DeviceLost);
  EXPECT_EQ(outcome.message, "The audio device went away after 0:00 (unplugged).");

  outcome = logic.Play("Tape Deck", {});  // records only
  EXPECT_EQ(outcome.end, PlayEnd::NotOpened);
  EXPECT_EQ(outcome.message, "No audio output device is called 'Tape Deck'.");
}

TEST_F(Live, PlaysAWavFileAsItIs) {
  PlayLogic logic(audio);
  ASSERT_EQ(logic.UseFile(dir.Path("hello.wav")), "");
  EXPECT_EQ(logic.Play("", {}).end, PlayEnd::Finished);
  ASSERT_EQ(audio.heard.size(), tape.size());
  EXPECT_TRUE(audio.heard == tape);
  EXPECT_NE(logic.UseFile(dir.Path("none.wav")), "");
}

TEST_F(Live, ARecordingStoppedAfterTheTapeIsWholeAndDecodes) {
  audio.sound = tape;
  RecordLogic logic(audio);
  EXPECT_EQ(logic.DeviceNames(), std::vector<std::string>{"Tape Deck Line In"});
  const std::string path = dir.Path("rec.wav");
  const RecordOutcome outcome = logic.Record("", path, 0, [&] {
    if (logic.Frames() > static_cast<int64_t>(tape.size()) + 44100) logic.Stop();
  });
  EXPECT_EQ(outcome.end, RecordEnd::Stopped);
  EXPECT_EQ(audio.opened.rate, 44100);
  EXPECT_EQ(audio.opened.channels, 2);
  EXPECT_EQ(logic.Meter().Advice(), "Too quiet: turn the deck's volume up.");  // a second of silence at the end
  ExpectWholeWav(path, outcome.frames);
  EXPECT_EQ(logic.SizeWrittenText(), SizeText(static_cast<int64_t>(Slurp(path).size())));

  const CliResult decoded = RunCli("decode " + path + " --out " + dir.path.string() + " --name HELLO");
  ASSERT_EQ(decoded.status, 0) << decoded.err << decoded.out;
  EXPECT_EQ(Slurp(dir.Path("HELLO.fiad")), Slurp(SONATAP_EXAMPLES "/hello.fiad"));
}

TEST_F(Live, AVanishingInputKeepsWhatCameBefore) {
  audio.sound = tape;
  audio.lifetime = 3 * 2205 + 100;  // dies during the fourth block
  RecordLogic logic(audio);
  const std::string path = dir.Path("cut.wav");
  const RecordOutcome outcome = logic.Record("deck", path, 0, {});
  EXPECT_EQ(outcome.end, RecordEnd::DeviceLost);
  EXPECT_TRUE(outcome.Kept());
  EXPECT_EQ(outcome.frames, 3 * 2205);
  EXPECT_EQ(outcome.message,
            "The recording device went away after 0:00 (unplugged).\r\nWhat was recorded is kept in " + path + ".");
  ExpectWholeWav(path, 3 * 2205);

  audio.lifetime = -1;  // --seconds: exactly that long
  EXPECT_EQ(logic.Record("", path, 2, {}).end, RecordEnd::Finished);
  ExpectWholeWav(path, 2 * 44100);
}

TEST_F(Live, NoDeviceAtAllIsSaid) {
  audio.devices.clear();
  EXPECT_EQ(PlayLogic(audio).NoDeviceText(), "There is no audio output device to play to.\r\nno sound here");
  RecordLogic logic(audio);
  EXPECT_EQ(logic.NoDeviceText(), "There is no audio input device to record from.\r\nno sound here");
  const RecordOutcome outcome = logic.Record("", dir.Path("none.wav"), 1, {});
  EXPECT_EQ(outcome.end, RecordEnd::NotOpened);
  EXPECT_FALSE(outcome.Kept());
}

TEST(LiveMenuTest, RecordFromTapeImportsTheRecordingAndPlayToTiTakesTheSelection) {
  std::unique_ptr<Session> session = Session::Create();
  Ports ports;
  MainWindowLogic logic(*session, ports);
  logic.Handle({EventKind::Menu, menu_item::kRecordFromTape});  // nothing recorded
  EXPECT_TRUE(session->conversion.wavPath.empty());

  ports.recorded = SONATAP_EXAMPLES "/ti99-print.wav";
  logic.Handle({EventKind::Menu, menu_item::kRecordFromTape});
  EXPECT_FALSE(session->conversion.wavPath.empty());
  EXPECT_EQ(ports.wavName, "ti99-print.wav");
  EXPECT_NE(ports.monitor.find("Conditioned: "), std::string::npos) << ports.monitor;
  EXPECT_TRUE(ports.applied.back().start);

  logic.Handle({EventKind::Menu, menu_item::kPlayToTi});  // nothing selected
  EXPECT_TRUE(ports.played.empty());
}

TEST(LiveCliTest, ExitStatuses) {
  TempDir dir;
  struct Row {
    std::string args;
    int status;
    std::string message;
  };
  for (const Row& row : {Row{"play " + dir.Path("none.fiad"), 2, "Cannot read"},
                         Row{"play " SONATAP_EXAMPLES "/hello.fiad --device no-such-card-xyz", 1, "audio output"},
                         Row{"record " + dir.Path("r.wav") + " --device no-such-card-xyz", 1, "audio input"},
                         Row{"record " + dir.Path("r.wav") + " --seconds 0", 2, "seconds"},
                         Row{"record", 2, "record needs OUT"}, Row{"devices extra", 2, "devices takes no FILE"}}) {
    const CliResult result = RunCli(row.args);
    EXPECT_EQ(result.status, row.status) << row.args << ": " << result.err;
    EXPECT_NE(result.err.find(row.message), std::string::npos) << row.args << ": " << result.err;
  }
}

}  // namespace
}  // namespace sonatap::live
