// The decoder as a scan that only collects what it found: a listener of a
// few lines gets each file's header and every record copy with its bytes,
// checksum, verdict and where its mark was found.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "engine/bit_recogniser.h"
#include "engine/sample_buffer.h"
#include "support/run_fixture.h"

namespace sonatap {
namespace {

struct Collector final : DecoderEvents {
  SampleBuffer* samples = nullptr;
  BitRecogniser* recogniser = nullptr;
  RecordDecoder* decoder = nullptr;
  bool doubtFirstCopies = false;
  std::vector<TapeFileHeader> headers;
  struct Copy {
    int record;
    bool second;
    Record bytes;
    int checksum;
    bool good;
    int64_t mark;
  };
  std::vector<Copy> copies;

  void CountBytesRead(const TapeFileHeader& h) override { headers.push_back(h); }
  void CopyRead(const RecordCopy& c) override {
    Record bytes;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin());
    copies.push_back({c.record, c.secondCopy, bytes, c.checksumRead, c.good, c.markPosition});
    if (doubtFirstCopies && !c.secondCopy) decoder->DoubtCopy();
  }
  void MarkLost(int64_t, int64_t from) override { MoveTo(from); }
  void FileSearchBegun(int64_t skipTo) override {
    recogniser->BeginFile();
    MoveTo(skipTo);
  }
  void MoveTo(int64_t position) {
    samples->Seek(position);
    recogniser->Restart();
  }
};

// Runs the decoder over `tape` until the data mark is lost for good or the
// recording ends.
void Collect(RunFixture& f, const TapeSound& tape, const DecoderSettings& settings, Collector& collector) {
  f.Wav(tape);
  SampleBuffer samples;
  ASSERT_TRUE(samples.Open(f.session->conversion.wavPath));
  RecordDecoder decoder(f.session->decoder, settings, collector);
  BitRecogniser recogniser(f.session->conversion, f.session->tuning, f.session->shapes, decoder);
  collector.samples = &samples;
  collector.recogniser = &recogniser;
  collector.decoder = &decoder;
  samples.Seek(kWavHeaderSize);
  decoder.BeginFileSearch(samples.Position());
  while (!samples.AtEnd() && !recogniser.ProcessSample(samples.ReadNext(), samples.Position())) {
  }
}

TEST(DecoderEvents, AListenerCollectsHeadersAndRecordCopies) {
  RunFixture f;
  TapeSound tape;
  tape.Silence(1000);
  const Record one = PatternRecord(1), two = PatternRecord(2);
  tape.Header(2, 2);
  tape.Block(one, 1);  // a bad first copy: the second is read
  tape.Block(one);
  tape.Block(two);
  tape.Block(two);
  tape.Silence(2 * RunFixture::kSkip);
  Collector collector;
  // Skips past the last record's second copy.
  ASSERT_NO_FATAL_FAILURE(Collect(f, tape, {"tape.wav", 1}, collector));

  ASSERT_EQ(collector.headers.size(), 1u);
  EXPECT_EQ(collector.headers[0].firstCount, 2);
  EXPECT_EQ(collector.headers[0].secondCount, 2);
  // The header's mark ends 1000 + 768 * 256 samples into the data, the block
  // marks 74 * 256 samples apart after it; marks are found near their end.
  const int64_t sync = kWavHeaderSize + 1000 + 769 * 256;
  EXPECT_NEAR(static_cast<double>(collector.headers[0].syncPosition), sync, 40);
  ASSERT_EQ(collector.copies.size(), 3u);
  const int64_t marks[] = {sync + 2 * 256 + 9 * 256, sync + 2 * 256 + 83 * 256, sync + 2 * 256 + 157 * 256};
  const struct {
    int record;
    bool second;
    const Record& bytes;
    int checksum;
    bool good;
  } expected[] = {{1, false, one, (Checksum(one) + 1) & 0xFF, false},
                  {1, true, one, Checksum(one), true},
                  {2, false, two, Checksum(two), true}};
  for (int i = 0; i < 3; ++i) {
    const Collector::Copy& c = collector.copies[i];
    EXPECT_EQ(c.record, expected[i].record) << i;
    EXPECT_EQ(c.second, expected[i].second) << i;
    EXPECT_EQ(c.bytes, expected[i].bytes) << i;
    EXPECT_EQ(c.checksum, expected[i].checksum) << i;
    EXPECT_EQ(c.good, expected[i].good) << i;
    EXPECT_NEAR(static_cast<double>(c.mark), marks[i], 40) << i;
  }
}

// A first copy its listener doubts, its sum fitting or not, has its twin read.
TEST(DecoderEvents, ADoubtedFirstCopyHasItsTwinRead) {
  using Read = std::vector<std::pair<int, bool>>;  // record, second copy
  for (const bool doubt : {false, true}) {
    RunFixture f;
    TapeSound tape;
    tape.Silence(1000);
    tape.Header(2, 2);
    for (const int record : {1, 1, 2, 2}) tape.Block(PatternRecord(record));
    tape.Silence(2 * RunFixture::kSkip);
    Collector collector;
    collector.doubtFirstCopies = doubt;
    ASSERT_NO_FATAL_FAILURE(Collect(f, tape, {"tape.wav", 1}, collector));
    Read read;
    for (const Collector::Copy& c : collector.copies) read.emplace_back(c.record, c.second);
    const Read expected = doubt ? Read{{1, false}, {1, true}, {2, false}, {2, true}} : Read{{1, false}, {2, false}};
    EXPECT_EQ(read, expected) << doubt;
  }
}

// A second copy passed over after a good first one: read and reported, its
// sum checked, only when asked (a scan keeps every reading).
TEST(DecoderEvents, ACopyPassedOverIsReadWhenAsked) {
  using Read = std::vector<std::tuple<int, bool, bool>>;  // record, second copy, good
  for (const bool readsSkipped : {false, true}) {
    RunFixture f;
    TapeSound tape;
    tape.Silence(1000);
    tape.Header(2, 2);
    tape.Block(PatternRecord(1));
    tape.Block(PatternRecord(1), 1);  // its sum off by one
    tape.Block(PatternRecord(2));
    tape.Block(PatternRecord(2));
    tape.Silence(2 * RunFixture::kSkip);
    Collector collector;
    DecoderSettings settings{"tape.wav", 1};
    settings.readsSkippedCopies = readsSkipped;
    ASSERT_NO_FATAL_FAILURE(Collect(f, tape, settings, collector));
    Read read;
    for (const Collector::Copy& c : collector.copies) read.emplace_back(c.record, c.second, c.good);
    const Read expected = readsSkipped ? Read{{1, false, true}, {1, true, false}, {2, false, true}}
                                       : Read{{1, false, true}, {2, false, true}};
    EXPECT_EQ(read, expected) << readsSkipped;
    if (readsSkipped && collector.copies.size() == 3) {
      EXPECT_EQ(collector.copies[1].bytes, PatternRecord(1));
      EXPECT_EQ(collector.copies[1].checksum, (Checksum(PatternRecord(1)) + 1) & 0xFF);
    }
  }
}

// A dropout over a block's mark: a run gives the file up there; an
// unattended scan reads on, and the blocks after it keep their numbers,
// counted from the last block read, verified or not (on a worn tape every
// block before the lost mark may be damaged).
TEST(DecoderEvents, AScanReadsOnPastALostMark) {
  using R = std::vector<std::tuple<int, bool, bool>>;  // record, second copy, verified
  const struct {
    bool resume;
    int firstChecksumError;  // added to both copies' checksum bytes of record 1
    R expected;
  } cases[] = {
      {false, 0, {{1, false, true}}},
      {true, 0, {{1, false, true}, {2, true, true}, {3, false, true}}},
      {true, 1, {{1, false, false}, {1, true, false}, {2, true, true}, {3, false, true}}},
  };
  for (const auto& c : cases) {
    RunFixture f;
    f.session->tuning.RecognitionMethod = kAdaptiveMethod;
    TapeSound tape(kAdaptiveMethod);
    tape.Silence(1000);
    tape.Header(3, 3);
    for (const int record : {1, 1, 0, 2, 3, 3}) {
      if (record == 0) tape.Zeros(8 + 1 + 65);  // record 2's first copy: no mark where it was, whatever the phase
      else tape.Block(PatternRecord(record), record == 1 ? c.firstChecksumError : 0);
    }
    tape.Silence(2 * RunFixture::kSkip);
    Collector collector;
    ASSERT_NO_FATAL_FAILURE(Collect(f, tape, {"tape.wav", 0, true, c.resume}, collector));
    R read;
    for (const Collector::Copy& copy : collector.copies)
      if (copy.bytes == PatternRecord(copy.record)) read.emplace_back(copy.record, copy.second, copy.good);
    EXPECT_EQ(read, c.expected) << c.resume << " " << c.firstChecksumError;
  }
}

}  // namespace
}  // namespace sonatap
