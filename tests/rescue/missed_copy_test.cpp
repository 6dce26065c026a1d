// A copy whose data mark a scan missed, read out of the bits the scan
// delivered before the copy after it.
#include <gtest/gtest.h>

#include <optional>

#include "app/tape_scan.h"
#include "support/tape_sound.h"

namespace sonatap {
namespace {

constexpr int64_t kSecondMark = 40000;

// Record 1's second copy as read, not verified (bytes 40-41 guessed across
// a dropout), with the bits before it: the first copy's gap byte, mark, data
// and checksum, then the second copy's gap and mark, 8 bits to a cell of 32
// samples. `firstCopy` stands in for the first copy's data there. With
// `lateBits`, the scan took a 0xFF that many bits into the second copy's
// data for its mark, and read all of it that much later.
CopyReading SecondWithLead(const RecordBytes& truth, const RecordBytes& firstCopy, int lateBits = 0) {
  std::vector<uint8_t> tape = {0x00, 0xFF};
  tape.insert(tape.end(), firstCopy.begin(), firstCopy.end());
  tape.push_back(static_cast<uint8_t>(Checksum(firstCopy)));
  tape.insert(tape.end(), kGapBytes, 0x00);
  tape.push_back(0xFF);
  const size_t dataStart = tape.size();
  tape.insert(tape.end(), truth.begin(), truth.end());
  tape.push_back(static_cast<uint8_t>(Checksum(truth)));
  tape.push_back(0x00);
  const auto bit = [&tape](int i) { return (tape[static_cast<size_t>(i / 8)] >> (7 - i % 8)) & 1; };
  const auto byteAt = [&bit](int first) {
    int value = 0;
    for (int b = 0; b < 8; ++b) value = value << 1 | bit(first + b);
    return static_cast<uint8_t>(value);
  };
  const int dataBit = static_cast<int>(dataStart) * 8 + lateBits;
  CopyReading second{1, true, {}, byteAt(dataBit + kRecordBytes * 8), false, kSecondMark + lateBits * kCellSamples};
  for (int k = 0; k < kRecordBytes; ++k) second.bytes[static_cast<size_t>(k)] = byteAt(dataBit + 8 * k);
  for (int b = 40 * 8; b < 42 * 8; ++b) second.guessed.set(b);
  for (int i = 0; i < CopyReading::kLeadBits; ++i) second.lead[i] = bit(lateBits + i);
  second.leadRead = true;
  second.leadPosition = second.markPosition - (CopyReading::kLeadBits - 1) * kCellSamples;
  return second;
}

// The first copies a file holds once the missed ones are read.
std::vector<CopyReading> FirstCopiesAfter(std::vector<CopyReading> copies) {
  ScannedFile file{{0, 1, 1}, std::move(copies)};
  ReadMissedCopies(file);
  std::vector<CopyReading> firsts;
  for (const CopyReading& c : file.copies)
    if (!c.secondCopy) firsts.push_back(c);
  return firsts;
}

TEST(MissedCopy, AFirstCopyNoMarkWasReadOfComesFromTheBitsBeforeItsTwin) {
  const RecordBytes truth = PatternRecord(5);
  // Where the first copy's mark lies: 600 cells before the second's data, the mark 8 before it.
  constexpr int64_t kFirstMark = kSecondMark - kCopiesApartBits * kCellSamples;

  const std::vector<CopyReading> read = FirstCopiesAfter({SecondWithLead(truth, truth)});
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].bytes, truth);
  EXPECT_EQ(read[0].checksumRead, Checksum(truth));
  EXPECT_EQ(read[0].record, 1);
  EXPECT_FALSE(read[0].good);  // no mark was read: nothing proves where it begins
  EXPECT_EQ(read[0].markPosition, kFirstMark);

  // A dropout took the mark and the first data byte: their bits are guesses.
  CopyReading wiped = SecondWithLead(truth, truth);
  for (int bit = 8; bit < 24; ++bit) wiped.lead[bit] = false, wiped.leadGuessed.set(bit);
  // A dropout near its end made the first copy slip: it agrees with its twin
  // on little more than half its bytes, and is read all the same.
  RecordBytes slipped = truth;
  std::fill(slipped.begin() + 40, slipped.end(), 0x5A);
  // A scan's reading from a false mark, a 0xFF two bytes into the data, gives
  // way; one from the copy's own mark stays.
  const CopyReading falseMark{1, false, PatternRecord(6), 0, false, kFirstMark + 16 * kCellSamples};
  const CopyReading own{1, false, PatternRecord(6), 0, false, kFirstMark + 2};
  // The second copy's reading from a false mark 19 bits into its data puts
  // the first copy as late; the first copy's own reading, where its mark
  // lies, stays.
  const CopyReading ownBeforeALateTwin{1, false, truth, Checksum(truth), false, kFirstMark};
  // One its checksum verified stays, wherever it lies.
  const CopyReading verifiedElsewhere{1, false, PatternRecord(6), Checksum(PatternRecord(6)), true,
                                      kFirstMark + 16 * kCellSamples};
  // A twin verified across no dropout needs no other copy.
  CopyReading verified = SecondWithLead(truth, truth);
  verified.guessed.reset(), verified.good = true;

  RecordBytes wipedTruth = truth;
  wipedTruth[0] = 0x00;  // the guessed bits read as zeros
  const struct {
    const char* what;
    std::vector<CopyReading> copies;
    std::optional<RecordBytes> first;  // none: no first copy
  } cases[] = {
      {"mark and first byte wiped", {wiped}, wipedTruth},
      {"slipped near its end", {SecondWithLead(truth, slipped)}, slipped},
      {"a false mark's reading", {falseMark, SecondWithLead(truth, truth)}, truth},
      {"a reading from its own mark", {own, SecondWithLead(truth, truth)}, PatternRecord(6)},
      {"its twin read from a false mark", {ownBeforeALateTwin, SecondWithLead(truth, truth, 19)}, truth},
      {"a verified reading", {verifiedElsewhere, SecondWithLead(truth, truth)}, PatternRecord(6)},
      {"bits of another stretch of tape", {SecondWithLead(truth, PatternRecord(7))}, std::nullopt},
      {"a verified twin", {verified}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<CopyReading> firsts = FirstCopiesAfter(c.copies);
    ASSERT_EQ(firsts.size(), c.first ? 1u : 0u);
    if (c.first) {
      EXPECT_EQ(firsts[0].bytes, *c.first);
    }
  }
  const std::vector<CopyReading> wipedRead = FirstCopiesAfter({wiped});
  EXPECT_TRUE(wipedRead[0].GuessedByte(0));
  EXPECT_FALSE(wipedRead[0].GuessedByte(8));
}

// Record 1's second copy, its mark lost, out of the bits before record 2's
// first copy; its own first copy was read across a dropout.
TEST(MissedCopy, ASecondCopyNoMarkWasReadOfComesFromTheBitsBeforeTheNextRecord) {
  const RecordBytes truth = PatternRecord(5);
  constexpr int64_t kBlockSamples = kCopiesApartBits * kCellSamples;
  CopyReading next = SecondWithLead(PatternRecord(8), truth);
  next.record = 2, next.secondCopy = false;
  CopyReading first{1, false, truth, Checksum(truth), false, kSecondMark - 2 * kBlockSamples};
  for (int bit = 10 * 8; bit < 12 * 8; ++bit) first.guessed.set(bit);
  ScannedFile file{{0, 2, 2}, {first, next}};
  ReadMissedCopies(file);
  ASSERT_EQ(file.copies.size(), 3u);
  const CopyReading& second = file.copies.back();
  EXPECT_EQ(second.record, 1);
  EXPECT_TRUE(second.secondCopy);
  EXPECT_EQ(second.bytes, truth);
  EXPECT_FALSE(second.good);
  EXPECT_EQ(second.markPosition, kSecondMark - kBlockSamples);
}

}  // namespace
}  // namespace sonatap
