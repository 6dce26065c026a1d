#include <gtest/gtest.h>

#include <regex>

#include "format/fiad_image.h"
#include "app/silent_views.h"
#include "engine/tuning_settings.h"
#include "engine/wav_writer.h"
#include "support/run_fixture.h"

namespace sonatap {
namespace {

// The decoder's lines for one cleanly read file of `records` records.
std::string CleanFileLines(int records) {
  std::string lines = "Reading Qty of Records\r\n";
  for (int r = 1; r <= records; ++r) {
    const std::string n = std::to_string(r);
    lines += "Locating Data Mark\r\n";
    if (r > 1) lines += "Skipping Rec #" + std::to_string(r - 1) + " 2nd copy\r\nLocating Data Mark\r\n";
    lines += "Reading Rec #" + n + " 1st copy\r\nRec #" + n + " O.K.\r\n";
  }
  return lines + "Finished.\r\n\r\n";
}

std::string FileStart(const std::string& position) {
  return "Wav File:tape.wav\r\nPosition:" + position + "\r\nLocating File sync\r\n";
}

// The "Position:" of the search after a file depends on where within a
// cell the last bit was recognised; the tests put it in its place.
std::string MaskSecondPosition(const std::string& log, int64_t low, int64_t high) {
  std::smatch m;
  const std::regex secondSearch("(Finished\\.\r\n\r\nWav File:tape\\.wav\r\nPosition:)(-?[0-9]+)");
  if (!std::regex_search(log, m, secondSearch)) return log;
  const int64_t position = std::stoll(m[2]);
  EXPECT_GE(position, low);
  EXPECT_LE(position, high);
  return m.prefix().str() + m[1].str() + "P" + m.suffix().str();
}

TEST(ConversionRun, CleanTwoRecordFileGivesTheLogNameAndImage) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  const std::vector<Record> records = {PatternRecord(1), PatternRecord(2)};
  tape.File(records);
  // The file ends with record 2's first copy (its twin is not awaited); the
  // end of a cell is detected up to a few samples before it is over.
  const int64_t endOfFile = 46 + tape.Samples() - 74 * 256;
  tape.Silence(RunFixture::kSkip);
  f.Wav(tape);
  f.prompts.texts = {"", "ELEVENCHARS", "TWO"};  // asked again until 1..10 characters

  const std::string log = MaskSecondPosition(f.Run(), endOfFile - 45 - 8, endOfFile - 45 + 40);
  EXPECT_EQ(log, std::string(kReadyText) + FileStart("1") + CleanFileLines(2) + FileStart("P") + "End of Wav File\r\n\r\n");

  ASSERT_EQ(f.prompts.textPrompts.size(), 3u);
  EXPECT_EQ(f.prompts.textPrompts[0], (Message{"Sonatap - Conversion complete", "Enter name of FIAD. (10 Chars Max)"}));
  EXPECT_EQ(f.prompts.textDefaults[2], "tape.wav");
  EXPECT_EQ(f.session->fiads.Entries(), std::vector<std::string>{"TWO"});
  EXPECT_EQ(f.storedSlots, std::vector<int>{1});

  auto data = std::make_unique<RecordData>();
  for (int r = 0; r < 2; ++r)
    for (int j = 0; j < 64; ++j) (*data)[r * 64 + j + 1] = records[r][j];
  FiadImage expected{};
  BuildPlain128Image(expected, "TWO", *data, 2);
  EXPECT_EQ(f.session->fiads.Slot(1).image, expected);
  EXPECT_EQ(f.session->fiads.Slot(1).recordCount, 2);
  EXPECT_EQ(f.view.calls, (std::vector<std::string>{"lock", "unlock"}));
}

TEST(ConversionRun, BadFirstBlockIsReadFromTheSecond) {
  RunFixture f;
  TapeSound tape;
  Record damaged = PatternRecord(3);
  damaged[10] ^= 0x55;
  tape.Silence(RunFixture::kSkip);
  tape.Header(3, 3);
  for (int r = 1; r <= 2; ++r) tape.Block(PatternRecord(r)), tape.Block(PatternRecord(r));
  tape.BlockWithChecksum(damaged, Checksum(PatternRecord(3)));  // a byte went wrong on tape
  tape.Block(PatternRecord(3));
  tape.Silence(RunFixture::kSkip);
  f.Wav(tape);
  f.prompts.texts = {"THREE"};
  const std::string log = f.Run();
  EXPECT_NE(log.find("Locating Data Mark\r\nRec #3 1st copy BAD!\r\nReading Rec #3 2nd copy\r\nRec #3 O.K.\r\nFinished."),
            std::string::npos)
      << log;
  const FiadImage& image = f.session->fiads.Slot(1).image;
  for (int j = 0; j < 64; ++j) EXPECT_EQ(image[128 + 128 + j], PatternRecord(3)[j]);
}

TEST(ConversionRun, HeaderOddities) {
  struct Case {
    int first, second, blocks;
    std::string expectedLines;
    int storedRecords;
  };
  const std::vector<Case> cases = {
      {4, 5, 5, "Reading Qty of Records\r\nLocating Data Mark\r\nRecord Qty BAD!:5,4\r\n", 5},
      {0, 0, 1, "Reading Qty of Records\r\nLocating Data Mark\r\nReading Rec #1 1st copy\r\nRec #1 O.K.\r\nFinished.", 0},
  };
  for (const Case& c : cases) {
    RunFixture f;
    TapeSound tape;
    tape.Silence(RunFixture::kSkip);
    tape.Header(c.first, c.second);
    for (int r = 1; r <= c.blocks; ++r) tape.Block(PatternRecord(r)), tape.Block(PatternRecord(r));
    tape.Silence(RunFixture::kSkip);
    f.Wav(tape);
    f.prompts.texts = {"ODD"};
    const std::string log = f.Run();
    EXPECT_NE(log.find(c.expectedLines), std::string::npos) << log;
    ASSERT_EQ(f.storedSlots.size(), 1u) << log;
    EXPECT_EQ(f.session->fiads.Slot(1).recordCount, c.storedRecords);
  }
}

TEST(ConversionRun, BothCopiesBadStillStoresTheFile) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  tape.Header(2, 2);
  tape.Block(PatternRecord(1)), tape.Block(PatternRecord(1));
  tape.Block(PatternRecord(2), 1), tape.Block(PatternRecord(2), 2);
  tape.Silence(RunFixture::kSkip);
  f.Wav(tape);
  f.prompts.texts = {"BAD"};
  const std::string log = f.Run();
  EXPECT_NE(log.find("Rec #2 1st copy BAD!\r\nReading Rec #2 2nd copy\r\nRec #2 both copies BAD!\r\nFinished."),
            std::string::npos)
      << log;
  EXPECT_EQ(f.storedSlots.size(), 1u);
}

TEST(ConversionRun, SilenceFindsNothing) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(3 * RunFixture::kSkip);
  f.Wav(tape);
  EXPECT_EQ(f.Run(), std::string(kReadyText) + FileStart("1") + "End of Wav File\r\n\r\n");
  EXPECT_TRUE(f.storedSlots.empty());
  EXPECT_TRUE(f.prompts.textPrompts.empty());
}

TEST(ConversionRun, DataChunkAfterAnExtraChunk) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(100);
  f.session->tuning.AutoVolume = false;
  f.Wav(tape, "tape.wav", true);
  EXPECT_EQ(f.Run(), std::string(kReadyText) + FileStart("27") + "End of Wav File\r\n\r\n");
}

TEST(ConversionRun, StopEndsTheRunAtTheNextRefresh) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  tape.File({PatternRecord(1)});
  f.Wav(tape);
  f.view.stopAtPoll = 3;  // the first poll opens the run, then one per refresh
  const std::string log = f.Run();
  EXPECT_TRUE(log.ends_with("Locating File sync\r\nUser Break..\r\n\r\nEnd of Wav File\r\n\r\n")) << log;
  EXPECT_EQ(f.view.calls, (std::vector<std::string>{"lock", "release", "unlock"}));
  EXPECT_EQ(f.view.progress.size(), 2u);
  EXPECT_TRUE(f.storedSlots.empty());
}

TEST(ConversionRun, UnopenableRecordingIsReportedWithoutALogLine) {
  RunFixture f;
  f.session->conversion.wavPath = (f.dir / "missing.wav").string();
  EXPECT_EQ(f.Run(), kReadyText);
  EXPECT_EQ(f.prompts.messages, (std::vector<Message>{{"File Error", "Error accessing file."}}));
  EXPECT_EQ(f.view.calls, (std::vector<std::string>{"lock", "unlock"}));
}

// After a header, a tape of nothing but 0 bits: no block's mark ever comes.
std::string LostMarkLog(int recognitionMethod) {
  RunFixture f;
  f.session->tuning.RecognitionMethod = recognitionMethod;
  TapeSound tape(recognitionMethod);
  tape.Silence(RunFixture::kSkip);
  tape.Header(2, 2);
  tape.Zeros(3000);
  f.Wav(tape);
  return f.Run();
}

TEST(ConversionRun, LostDataMarkEndsTheRunAfterTenSearches) {
  for (int method : {1, kCrossingMethod}) {
    const std::string log = LostMarkLog(method);
    size_t badMarks = 0;
    for (size_t at = log.find("Bad Datamark @ "); at != std::string::npos; at = log.find("Bad Datamark @ ", at + 1))
      ++badMarks;
    EXPECT_EQ(badMarks, 10u) << "method " << method << "\n" << log;
    EXPECT_TRUE(log.ends_with("\r\nLost Data Mark!!\r\n\r\nEnd of Wav File\r\n\r\n")) << log;
  }
}

TEST(ConversionRun, StatusAndGfxWindowsFollowTheirBoxesAtTheRefresh) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  tape.File({PatternRecord(1)});
  tape.Silence(RunFixture::kSkip);
  f.Wav(tape);
  f.prompts.texts = {"WIN"};
  f.view.controls = [](int poll) { return RunControls{false, poll >= 2 && poll < 360, poll >= 3 && poll < 6}; };
  f.Run();
  EXPECT_EQ(f.view.calls, (std::vector<std::string>{"lock", "status+", "gfx+", "gfx-", "status-", "unlock"}));
  EXPECT_EQ(f.view.gfxShown, 3);
  EXPECT_EQ(f.view.status.fileSize, std::to_string((44 + tape.Samples() + 512) / 1024) + "Kb");
  // Closed in the middle of record 1's first block (sample 251,000 or so).
  EXPECT_FALSE(f.view.status.byteIndex.empty());
  EXPECT_EQ(f.view.status.recordNumber, "1");
  EXPECT_EQ(f.view.status.recordCount, "1");
  EXPECT_FALSE(f.view.status.wavPos.empty());
  EXPECT_FALSE(f.session->display.statusOpen || f.session->display.gfxOpen);
}

TEST(ConversionRun, GfxTraceIsDrawnOffScreen) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(800);
  f.session->tuning.SkipTime = 0;
  f.Wav(tape);
  f.view.controls = [](int) { return RunControls{false, false, true}; };
  f.Run();
  // The window opened at the first refresh (sample 701): the rest of the
  // samples were drawn from column 1 on, over the middle line and levels.
  const RasterImage& g = f.session->display.gfx;
  EXPECT_EQ(g.At(5, 128), colour::kWhite);  // the flat trace at 128 covers the green middle line
  EXPECT_EQ(g.At(5, 209), colour::kLightBlue);
  EXPECT_EQ(g.At(5, 47), colour::kLightBlue);
  EXPECT_EQ(g.At(5, 0), colour::kBlack);
}

TEST(FileSize, RoundsHalfUpAndShowsLargeSizesInFull) {
  EXPECT_EQ(FileSizeText(1500000), "1465Kb");
  EXPECT_EQ(FileSizeText(512), "1Kb");
  EXPECT_EQ(FileSizeText(511), "0Kb");
  EXPECT_EQ(FileSizeText(int64_t{40} << 20), "40960Kb");
}

}  // namespace
}  // namespace sonatap

namespace sonatap {
namespace {

// The largest FIAD goes to tape and back byte for byte, although its raw
// tape bytes (33,267 of them) outrun the 32,500 the stream keeps.
TEST(ConversionRun, LargestFiadRoundTrips) {
  RunFixture f;
  auto data = std::make_unique<RecordData>();
  for (int i = 1; i < kRecordDataEntries; ++i) (*data)[i] = static_cast<uint8_t>(i * 13 + i / 256);
  FiadImage original{};
  ASSERT_TRUE(BuildPlain128Image(original, "BIG", *data, kMaxBuiltRecords));
  const std::string path = (f.dir / "big.wav").string();
  NoProgress progress;
  ASSERT_FALSE(WriteWavFile(path, original, HeaderKind::Plain128, f.session->shapes.set, progress));
  f.session->conversion.wavPath = path;
  f.session->tuning.SkipTime = 0;
  f.prompts.texts = {"BIG", "REST"};  // the last record's second copy is heard as another file
  f.Run();
  ASSERT_FALSE(f.storedSlots.empty());
  EXPECT_EQ(f.session->fiads.Slot(f.storedSlots[0]).image, original);
}

}  // namespace
}  // namespace sonatap

namespace sonatap {
namespace {

// A recording cut short while the run reads it: the run ends where the
// samples stop coming, with the usual closing line after its own.
TEST(ConversionRun, ReadErrorEndsTheRun) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  tape.File({PatternRecord(1)});
  tape.Silence(30 * RunFixture::kSkip);
  const std::string path = f.Wav(tape);
  f.view.controls = [&path](int poll) {
    if (poll == 2) std::filesystem::resize_file(path, 100000);  // at the first refresh
    return RunControls{};
  };
  const std::string log = f.Run();
  const std::smatch m = [&log] {
    std::smatch match;
    std::regex_search(log, match, std::regex("\r\nError reading Wav File @ ([0-9]+)\r\n\r\nEnd of Wav File\r\n\r\n$"));
    return match;
  }();
  ASSERT_FALSE(m.empty()) << log;
  EXPECT_GE(std::stoll(m[1]), 100000);
}

// Prompts that always give one name: every file of a recording is stored
// under a name of its own and the run ends.
TEST(ConversionRun, BatchNamesEndAMultiFileRun) {
  RunFixture f;
  TapeSound tape;
  for (int file = 0; file < 3; ++file) {
    tape.Silence(RunFixture::kSkip);
    tape.File({PatternRecord(file)});
  }
  tape.Silence(RunFixture::kSkip);
  f.Wav(tape);
  NamingPrompts batch("TAPE");
  RunServices services{f.view, batch, f.volumeProgress, f.debugger, nullptr};
  RunConversion(*f.session, services);
  EXPECT_EQ(f.session->fiads.Entries(), (std::vector<std::string>{"TAPE3", "TAPE2", "TAPE"}));
  EXPECT_TRUE(f.session->monitor.text.ends_with("End of Wav File\r\n\r\n"));
}

}  // namespace
}  // namespace sonatap
