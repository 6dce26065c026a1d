// A first copy whose data mark a scan missed, read out of the bits the scan
// delivered before the second copy.
#include <gtest/gtest.h>

#include "app/tape_scan.h"
#include "support/tape_sound.h"

namespace sonatap {
namespace {

constexpr int64_t kSecondMark = 40000;

// Record 1's second copy as read, not verified (bytes 40-41 guessed across
// a dropout), with the bits before it: the first copy's gap byte, mark, data
// and checksum, then the second copy's gap and mark, 8 bits to a cell of 32
// samples. `firstCopy` stands in for the first copy's data there.
CopyReading SecondWithLead(const RecordBytes& truth, const RecordBytes& firstCopy) {
  CopyReading second{1, true, truth, Checksum(truth), false, kSecondMark};
  for (int bit = 40 * 8; bit < 42 * 8; ++bit) second.guessed.set(bit);
  std::vector<uint8_t> tape = {0x00, 0xFF};
  tape.insert(tape.end(), firstCopy.begin(), firstCopy.end());
  tape.push_back(static_cast<uint8_t>(Checksum(firstCopy)));
  tape.insert(tape.end(), kGapBytes, 0x00);
  tape.push_back(0xFF);
  for (int i = 0; i < CopyReading::kLeadBits; ++i) second.lead[i] = (tape[i / 8] >> (7 - i % 8)) & 1;
  second.leadRead = true;
  second.leadPosition = kSecondMark - (CopyReading::kLeadBits - 1) * kCellSamples;
  return second;
}

std::vector<const CopyReading*> FirstCopies(const ScannedFile& file) {
  std::vector<const CopyReading*> firsts;
  for (const CopyReading& c : file.copies)
    if (!c.secondCopy) firsts.push_back(&c);
  return firsts;
}

TEST(MissedCopy, AFirstCopyNoMarkWasReadOfComesFromTheBitsBeforeItsTwin) {
  const RecordBytes truth = PatternRecord(5);
  // Where the first copy's mark lies: 600 cells before the second's data, the mark 8 before it.
  constexpr int64_t kFirstMark = kSecondMark - kCopiesApartBits * kCellSamples;

  ScannedFile file{{0, 1, 1}, {SecondWithLead(truth, truth)}};
  ReadMissedFirstCopies(file);
  auto firsts = FirstCopies(file);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(firsts[0]->bytes, truth);
  EXPECT_EQ(firsts[0]->checksumRead, Checksum(truth));
  EXPECT_EQ(firsts[0]->record, 1);
  EXPECT_FALSE(firsts[0]->good);  // no mark was read: nothing proves where it begins
  EXPECT_EQ(firsts[0]->markPosition, kFirstMark);

  // A dropout took the mark and the first data byte: their bits are guesses.
  CopyReading wiped = SecondWithLead(truth, truth);
  for (int bit = 8; bit < 24; ++bit) wiped.lead[bit] = false, wiped.leadGuessed.set(bit);
  file = {{0, 1, 1}, {wiped}};
  ReadMissedFirstCopies(file);
  firsts = FirstCopies(file);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(std::vector<uint8_t>(firsts[0]->bytes.begin() + 1, firsts[0]->bytes.end()),
            std::vector<uint8_t>(truth.begin() + 1, truth.end()));
  EXPECT_TRUE(firsts[0]->GuessedByte(0));
  EXPECT_FALSE(firsts[0]->GuessedByte(8));

  // A dropout near its end made the first copy slip: it agrees with its
  // twin on little more than half its bytes, and is read all the same.
  RecordBytes slipped = truth;
  std::fill(slipped.begin() + 40, slipped.end(), 0x5A);
  file = {{0, 1, 1}, {SecondWithLead(truth, slipped)}};
  ReadMissedFirstCopies(file);
  firsts = FirstCopies(file);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(firsts[0]->bytes, slipped);

  // The scan read the copy from a false mark, a 0xFF two bytes into its
  // data: that reading gives way. One from its own mark stays.
  CopyReading falseMark{1, false, PatternRecord(6), 0, false, kFirstMark + 16 * kCellSamples};
  file = {{0, 1, 1}, {falseMark, SecondWithLead(truth, truth)}};
  ReadMissedFirstCopies(file);
  firsts = FirstCopies(file);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(firsts[0]->bytes, truth);
  CopyReading own{1, false, PatternRecord(6), 0, false, kFirstMark + 2};
  file = {{0, 1, 1}, {own, SecondWithLead(truth, truth)}};
  ReadMissedFirstCopies(file);
  firsts = FirstCopies(file);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(firsts[0]->bytes, PatternRecord(6));

  // Bits of another stretch of tape agree with the twin nowhere; a twin
  // verified across no dropout needs no other copy.
  file = {{0, 1, 1}, {SecondWithLead(truth, PatternRecord(7))}};
  ReadMissedFirstCopies(file);
  EXPECT_TRUE(FirstCopies(file).empty());
  CopyReading verified = SecondWithLead(truth, truth);
  verified.guessed.reset(), verified.good = true;
  file = {{0, 1, 1}, {verified}};
  ReadMissedFirstCopies(file);
  EXPECT_TRUE(FirstCopies(file).empty());
}

}  // namespace
}  // namespace sonatap
