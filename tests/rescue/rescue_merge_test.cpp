// Putting scans together: which files are the same, which are noise, and
// which bytes each record ends with.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/record_repair.h"
#include "app/rescue_merge.h"
#include "support/tape_sound.h"

namespace sonatap {
namespace {

int Sum(const RecordBytes& b) { return std::accumulate(b.begin(), b.end(), 0) & 0xFF; }

RecordBytes Bytes(int seed) {
  const Record r = PatternRecord(seed);
  RecordBytes b;
  std::copy(r.begin(), r.end(), b.begin());
  return b;
}

// A copy as read: `bytes`, checked against the checksum of `truth`.
CopyReading Copy(int record, bool second, const RecordBytes& bytes, const RecordBytes& truth, int64_t mark = 0) {
  return {record, second, bytes, Sum(truth), Sum(bytes) == Sum(truth), mark};
}

RecordBytes Damaged(RecordBytes b, int from, int count, uint8_t value = 0) {
  for (int i = from; i < from + count; ++i) b[i] = value;
  return b;
}

// A copy as Adaptive reads it across a dropout over bytes [from, from + count):
// zeros, marked as guessed.
CopyReading Bridged(bool second, const RecordBytes& truth, int from, int count) {
  CopyReading r = Copy(1, second, Damaged(truth, from, count), truth);
  for (int bit = from * 8; bit < (from + count) * 8; ++bit) r.guessed.set(bit);
  return r;
}

// A file of `records` records at `sync`, each read right in both copies.
ScannedFile File(int64_t sync, int records, int seed = 1) {
  ScannedFile f{{sync, records, records}, {}};
  for (int r = 1; r <= records; ++r) {
    const int64_t mark = sync + r * 40000;
    f.copies.push_back(Copy(r, false, Bytes(seed + r), Bytes(seed + r), mark));
    f.copies.push_back(Copy(r, true, Bytes(seed + r), Bytes(seed + r), mark + 20000));
  }
  return f;
}

ScanResult Scan(std::vector<ScannedFile> files) { return {std::move(files), true}; }

// A scan that found a file of one record, read as `copies`; `marksGuesses`:
// an Adaptive scan, which marks the dropouts it bridged.
ScanResult OneRecordScan(std::vector<CopyReading> copies, bool marksGuesses) {
  ScanResult scan = Scan({{{1000, 1, 1}, std::move(copies)}});
  scan.marksGuesses = marksGuesses;
  return scan;
}

TEST(RescueMerge, MatchesFilesAcrossScansByPlaceAndCount) {
  ScannedFile damaged = File(100000, 2);
  damaged.copies.resize(2);  // record 2 never read
  ScannedFile phantom{{900000, 7, 7}, {Copy(1, false, Bytes(9), Bytes(10))}};  // noise: nothing verifies
  const auto files = MergeScans({Scan({damaged, phantom}),
                                 Scan({File(100000 + 300, 2), File(2000000, 3, 50)}),  // the second file only here
                                 Scan({File(2000000 - 500, 3, 50)})});
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].header.syncPosition, 100000);
  EXPECT_EQ(files[0].Count(Verdict::Ok), 2);
  EXPECT_EQ(files[0].records[1].scan, 2);  // the first scan missed it
  EXPECT_EQ(files[1].header.secondCount, 3);
  EXPECT_EQ(files[1].records[2].bytes, Bytes(53));
  EXPECT_TRUE(AllVerified(files));
}

TEST(RescueMerge, AFileNothingVerifiesIsKeptWhenScansOfTwoFamiliesFoundIt) {
  const ScannedFile worn{{900000, 1, 1}, {Copy(1, false, Bytes(9), Bytes(10))}};
  EXPECT_TRUE(MergeScans({Scan({worn})}).empty());  // one scan's: as likely noise between files
  const auto files = MergeScans({Scan({worn}), Scan({worn})});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].records[0].verdict, Verdict::Bad);
  EXPECT_EQ(files[0].records[0].bytes, Bytes(9));
}

TEST(RescueMerge, AFileFoundInsideAnotherOrWithAMisreadCountGivesWay) {
  // A scan that lost its way took a block's gap and mark for a new sync; another misread the count.
  ScannedFile inside{{100000 + 60000, 40, 40}, {Copy(1, false, Bytes(3), Bytes(3), 170000)}};
  ScannedFile miscounted = File(100000, 9);
  miscounted.copies.resize(1);
  const auto files = MergeScans({Scan({File(100000, 3)}), Scan({inside, miscounted})});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].header.secondCount, 3);
}

TEST(RescueMerge, StopsOnlyWhenEveryRecordOfEveryFileIsVerified) {
  EXPECT_FALSE(AllVerified({}));
  EXPECT_FALSE(AllVerified(MergeScans({Scan({ScannedFile{{5000, 0, 0}, {}}})}, true)));  // a count of 0 is no file
  ScannedFile partly = File(100000, 2);
  partly.copies[2].good = partly.copies[3].good = false;
  EXPECT_FALSE(AllVerified(MergeScans({Scan({partly})}, true)));
  EXPECT_TRUE(AllVerified(MergeScans({Scan({partly}), Scan({File(100000, 2)})}, true)));
}

TEST(RescueMerge, VerifiedReadingsThatDifferAreSettledByTheOtherReadingsAndFlagged) {
  const RecordBytes truth = Bytes(4);
  RecordBytes impostor = truth;
  impostor[0] += 1, impostor[1] -= 1;  // same sum: the checksum cannot tell
  ScannedFile a{{1000, 1, 1}, {Copy(1, false, impostor, truth), Copy(1, true, truth, truth)}};
  ScannedFile b{{1000, 1, 1}, {Copy(1, false, truth, truth)}};
  const auto files = MergeScans({Scan({a}), Scan({b})});
  ASSERT_EQ(files.size(), 1u);
  const RescuedRecord& r = files[0].records[0];
  EXPECT_EQ(r.verdict, Verdict::Ok);
  EXPECT_TRUE(r.conflict);
  EXPECT_EQ(r.bytes, truth);
}

// Both copies lost bytes 3-5 to dropouts at one place. One method slipped
// there alike in both, and its garbage fits the sum by chance; the other
// scans read the bytes after the place as the tape has them.
TEST(RescueMerge, ACopyAndItsTwinSlippedAlikeByOneMethodAreNoWitnessesOfEachOther) {
  const RecordBytes truth = Bytes(6);
  RecordBytes slipped = truth;
  for (int i = 6; i < 40; i += 2) slipped[i] += 3, slipped[i + 1] -= 3;  // same sum
  const ScannedFile garbage{{1000, 1, 1}, {Copy(1, false, slipped, truth), Copy(1, true, slipped, truth)}};
  const ScannedFile bridged{{1000, 1, 1}, {Bridged(false, truth, 3, 3), Bridged(true, truth, 3, 3)}};
  const auto files = MergeScans({Scan({garbage}), Scan({bridged}), Scan({bridged})});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].records[0].verdict, Verdict::Ok);
}

// A dropout over bytes 22-24 of the first copy made two Adaptive scans slip
// alike, and the garbage fits the sum by chance; a template scan read it
// so too, marking nothing. The second copy, whole, is what the Adaptive
// scans, which mark dropouts, read without a guess (a third one missed the
// first copy's mark): their readings of it hold each other up.
TEST(RescueMerge, ACopyAdaptiveReadWithoutAGuessStandsAgainstOneThatSlippedAlike) {
  const RecordBytes truth = Bytes(8);
  RecordBytes slipped = Damaged(truth, 22, 3);
  for (int i = 25; i < 61; i += 2) slipped[i] += 5, slipped[i + 1] -= 5;
  slipped[40] = static_cast<uint8_t>(slipped[40] + truth[22] + truth[23] + truth[24]);  // same sum
  CopyReading bridged = Copy(1, false, slipped, truth);
  for (int bit = 22 * 8; bit < 25 * 8; ++bit) bridged.guessed.set(bit);
  ASSERT_TRUE(bridged.good);
  const CopyReading second = Copy(1, true, truth, truth);
  const ScanResult unmarked = OneRecordScan({Copy(1, false, slipped, truth), second}, false);
  const auto files = MergeScans({OneRecordScan({bridged, second}, true), OneRecordScan({bridged, second}, true),
                                 OneRecordScan({second}, true), unmarked});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].records[0].verdict, Verdict::Ok);
  EXPECT_EQ(files[0].records[0].bytes, truth);
}

// A dropout over bytes 19-21 of the first copy, which an Adaptive scan
// marks; two integrating scans read it without a mark as noise that fits
// the sum. Both read the second copy, lost at bytes 18-19, as the first has
// it but for bytes 20-21: there the first copy's readings read noise alike.
// At the end of a record, the noise runs on into the checksum byte, which the
// scan that marked the dropout reads as the tape has it.
TEST(RescueMerge, ReadingsOfACopyAlikeWhereItWasLostAreNoWitnessesOfEachOther) {
  const RecordBytes truth = Bytes(10);
  const auto noiseAt = [&](int at, int change) {
    RecordBytes noise = truth;
    noise[at] += 0xA2, noise[at + 1] += change;
    return noise;
  };
  const struct {
    RecordBytes noise;
    int dropout, secondLost;
  } cases[] = {{noiseAt(20, -0xA2), 19, 18}, {noiseAt(62, 0x31), 62, 0}};
  for (const auto& c : cases) {
    // Its checksum byte read as noise that fits.
    const ScanResult integrating =
        OneRecordScan({Copy(1, false, c.noise, c.noise), Bridged(true, truth, c.secondLost, 2)}, true);
    const auto files = MergeScans(
        {Scan({{{1000, 1, 1}, {Bridged(false, truth, c.dropout, std::min(3, kRecordBytes - c.dropout))}}}), integrating,
         integrating});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].records[0].verdict, Verdict::Ok) << "dropout at " << c.dropout;
  }
}

// Each reading by a scan of its own family, unless `families` names them;
// `marking`: scans that mark the dropouts they bridge.
std::optional<RecordBytes> Repair(const std::vector<CopyReading>& readings, const std::vector<int>& families = {},
                                  bool marking = false) {
  std::vector<Witnessed> witnessed;
  for (size_t i = 0; i < readings.size(); ++i)
    witnessed.push_back({&readings[i], families.empty() ? static_cast<int>(i) : families[i], marking});
  return RepairRecord(witnessed);
}

// The readings as two scans make them.
std::vector<CopyReading> Twice(std::vector<CopyReading> readings) {
  const size_t n = readings.size();
  for (size_t i = 0; i < n; ++i) readings.push_back(readings[i]);
  return readings;
}

// A copy as a scan reads it when dropouts at bytes `at` each wiped `wiped`
// bytes and lost `lost` bits there (gained, when negative): all after one, the
// checksum byte too, comes early (late), and the zeros before the next block
// follow. `guessed`: Adaptive bridged it, and the zeros are marked so.
struct Slip {
  int at, lost;
  bool guessed = false;
  int wiped = 2;
};
CopyReading Slipped(bool second, const RecordBytes& truth, std::vector<Slip> slips) {
  std::vector<bool> bits;
  for (int i = 0; i < kRecordBytes + 3; ++i) {
    const int byte = i < kRecordBytes ? truth[i] : i == kRecordBytes ? Sum(truth) : 0;
    for (int b = 7; b >= 0; --b) bits.push_back((byte >> b) & 1);
  }
  // The last first, so that each place is still where the tape has it.
  std::sort(slips.begin(), slips.end(), [](Slip a, Slip b) { return a.at > b.at; });
  for (const Slip& slip : slips) {
    const auto at = bits.begin() + slip.at * 8;
    if (slip.lost > 0) bits.erase(at, at + slip.lost);
    else bits.insert(at, -slip.lost, true);
    std::fill(bits.begin() + slip.at * 8, bits.begin() + (slip.at + slip.wiped) * 8, false);
  }
  std::array<uint8_t, kRecordBytes + 1> read{};
  for (size_t i = 0; i < read.size() * 8; ++i) read[i / 8] = static_cast<uint8_t>(read[i / 8] << 1 | bits[i]);
  CopyReading r = Copy(1, second, {}, truth);
  std::copy(read.begin(), read.begin() + kRecordBytes, r.bytes.begin());
  r.checksumRead = read[kRecordBytes];
  r.good = Sum(r.bytes) == r.checksumRead;
  // Where each bridged dropout lies in what was read: after the slips before it.
  for (const Slip& slip : slips) {
    int first = slip.at * 8;
    for (const Slip& before : slips) first -= before.at < slip.at ? before.lost : 0;
    for (int bit = first; slip.guessed && bit < first + slip.wiped * 8; ++bit) r.guessed.set(static_cast<size_t>(bit));
  }
  return r;
}

// Two methods that mark nothing lost a bit in a dropout of the first copy
// and read on shifted alike, and the shifted checksum byte fits by chance;
// two scans that bridged the dropout read on after it in step.
TEST(RescueMerge, AVerifiedReadingThatSlippedWhereOthersBridgedADropoutIsNoProof) {
  // A record whose reading shifted so passes its checksum.
  RecordBytes truth = Bytes(11);
  const auto slippedReading = [&] { return Slipped(false, truth, {{48, 1, false, 1}}); };
  while (!slippedReading().good) ++truth[40];
  const CopyReading slipped = slippedReading();
  const ScanResult unmarked = OneRecordScan({slipped, Slipped(true, truth, {{9, 1, false, 1}})}, false);
  const ScanResult bridged = OneRecordScan({Bridged(false, truth, 48, 3), Bridged(true, truth, 9, 3)}, true);
  const auto files = MergeScans({unmarked, unmarked, bridged, bridged});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].records[0].verdict, Verdict::Repaired);
  EXPECT_EQ(files[0].records[0].bytes, truth);
}

TEST(RecordRepair, PutsTogetherCopiesDamagedInDifferentPlaces) {
  const RecordBytes truth = Bytes(7);
  const std::vector<CopyReading> once = {Copy(1, false, Damaged(truth, 5, 3), truth),
                                         Copy(1, true, Damaged(truth, 40, 2, 0xFF), truth)};
  EXPECT_EQ(Repair(Twice(once)), truth);
  // Read once, five bytes rest on one reading each: the 8-bit sum alone is too weak a proof.
  EXPECT_EQ(Repair(once), std::nullopt);
  // Scans that misread the second copy's checksum byte alike outnumber the
  // readings of the right one.
  std::vector<CopyReading> outvoted = Twice(once);
  CopyReading misread = once[1];
  misread.checksumRead = (Sum(truth) + 1) & 0xFF;
  for (int i = 0; i < 5; ++i) outvoted.push_back(misread);
  EXPECT_EQ(Repair(outvoted), truth);
  // Dropouts a byte apart, each bridged with zeros: one damaged place to a
  // plain choice of copies, but each byte was read right in one copy.
  EXPECT_EQ(Repair(Twice({Bridged(false, truth, 40, 3), Bridged(true, truth, 44, 1)})), truth);
  // Read once too, but each copy guessed across its own dropout (three bytes
  // and two): the other copy's bytes there are all anyone read.
  EXPECT_EQ(Repair({Bridged(false, truth, 2, 3), Bridged(true, truth, 42, 2)}), truth);
  // The last block of a file: the signal stopped before the second copy's
  // checksum byte ended, and the first copy's last dropout took bytes 61 and
  // 62; bridged in step, it read byte 63 and the checksum byte after them.
  // Both copies have more dropouts than a stitch takes.
  CopyReading cut = Slipped(true, truth, {{9, 0, true, 1}, {19, 0, true, 1}, {46, 0, true, 1}});
  cut.checksumRead = Sum(truth) & 0xFC;
  cut.guessed.set(kRecordBytes * 8 + 6), cut.guessed.set(kRecordBytes * 8 + 7);
  const CopyReading first = Slipped(false, truth, {{4, 0, true, 1}, {14, 0, true, 1}, {24, 0, true, 1}, {61, 0, true, 2}});
  EXPECT_EQ(Repair(Twice({first, cut})), truth);
}

TEST(RecordRepair, ScansOfOneMethodVoteOnce) {
  const RecordBytes truth = Bytes(10);
  // Family 1 read each copy right but for one worn place; two scans of
  // family 2 read both copies slipped alike from byte 33 on.
  const RecordBytes slipped = Damaged(Damaged(truth, 33, 31, 0x3C), 18, 2, 0x99);
  const std::vector<CopyReading> readings = {
      Copy(1, false, Damaged(truth, 33, 2), truth), Copy(1, true, Damaged(truth, 18, 2), truth),
      Copy(1, false, Damaged(truth, 33, 31, 0x3C), truth), Copy(1, true, slipped, truth),
      Copy(1, false, Damaged(truth, 33, 31, 0x3C), truth), Copy(1, true, slipped, truth)};
  EXPECT_EQ(Repair(readings, {1, 1, 2, 2, 2, 2}), truth);
}

// `r` as read when a dropout took its last byte and its checksum byte,
// bridged with guessed zeros.
CopyReading EndGuessed(CopyReading r) {
  r.bytes[kRecordBytes - 1] = 0, r.checksumRead = 0;
  for (int bit = (kRecordBytes - 1) * 8; bit < (kRecordBytes + 1) * 8; ++bit) r.guessed.set(bit);
  return r;
}

TEST(RecordRepair, RealignsACopyThatLostBitsInADropout) {
  const RecordBytes truth = Bytes(8);
  // The second copy is damaged after the first one's slip, so neither copy
  // alone nor a plain choice of places is right.
  EXPECT_EQ(Repair(Twice({Slipped(false, truth, {{20, 3}}), Copy(1, true, Damaged(truth, 50, 4), truth)})), truth);
}

TEST(RecordRepair, StitchesCopiesThatBothSlippedInDifferentPlaces) {
  const RecordBytes truth = Bytes(12);
  // Each copy, its checksum byte too, is read shifted after its own dropout,
  // and by the same bits: the two tails agree with each other, not with the tape.
  const std::vector<CopyReading> readings = {Slipped(false, truth, {{18, 3}}), Slipped(true, truth, {{35, 3}})};
  EXPECT_EQ(Repair(Twice(readings)), truth);
  // A copy that gained bits reads the checksum byte's last bits late, past its end.
  EXPECT_EQ(Repair(Twice({Slipped(false, truth, {{40, -2}}), Slipped(true, truth, {{9, 3}})})), truth);
  // The second copy's dropout comes a byte after the end of the first's.
  EXPECT_EQ(Repair(Twice({Slipped(false, truth, {{40, 1, true}}), Bridged(true, truth, 43, 2)})), truth);
  // The second copy lost bytes 59-61; the first misread byte 62 as its
  // signal faded into a dropout over byte 63. Nothing after the second
  // copy's dropout shows it back in step: the first's damage runs on to the
  // checksum byte, which both read.
  CopyReading fading = Bridged(false, truth, 63, 1);
  fading.bytes[62] ^= 0x10;
  EXPECT_EQ(Repair(Twice({fading, Bridged(true, truth, 59, 3)})), truth);
  // The second copy lost bytes 14-16 and 22-24, the first 18-19 between
  // them: byte 21 alone shows the second copy back in step before its next
  // dropout. Three methods misread both copies' last bytes alike, so no
  // majority of the readings holds the record.
  std::vector<CopyReading> interleaved =
      Twice({Bridged(false, truth, 18, 2), Slipped(true, truth, {{14, 0, true, 3}, {22, 0, true, 3}})});
  for (int i = 0; i < 3; ++i)
    for (const bool second : {false, true}) interleaved.push_back(Copy(1, second, Damaged(truth, 50, 14, 0x5A), truth));
  EXPECT_EQ(Repair(interleaved), truth);
  // After the first copy's slip, the second's damaged places are filled with
  // its bytes as it read them slipped, which the other scan read slipped its own way.
  const CopyReading second = Slipped(true, truth, {{30, 1, true, 3}, {45, 1, true}});
  EXPECT_EQ(Repair({Slipped(false, truth, {{10, 1, true}}), second, Slipped(false, truth, {{10, 2, true}}), second}), truth);
  // Four places, each byte from one copy alone read so by both scans.
  EXPECT_EQ(Repair(Twice({Slipped(false, truth, {{10, 1, true}, {40, -1, true}}),
                          Slipped(true, truth, {{25, 2, true}, {55, 1, true}})})),
            truth);
  // Five places, each where one copy's reading guessed across a dropout and
  // the other read the bytes; three more methods read both copies as the
  // same garbage, and outvote them everywhere.
  const CopyReading first = Slipped(false, truth, {{15, 0, true}, {43, 0, true}, {56, 0, true}});
  const CopyReading other = Slipped(true, truth, {{28, 0, true}, {47, 0, true}});
  const CopyReading garbage = Copy(1, false, Damaged(truth, 0, kRecordBytes, 0x5A), truth);
  CopyReading garbageSecond = garbage;
  garbageSecond.secondCopy = true;
  EXPECT_EQ(Repair({first, other, first, other, garbage, garbageSecond, garbage, garbageSecond, garbage, garbageSecond},
                   {1, 1, 2, 2, 3, 3, 4, 4, 5, 5}),
            truth);
  // The first copy's dropout lies between two of the second's: between them
  // the two agree for three bytes only, and the second guesses again.
  const CopyReading between = Slipped(false, truth, {{30, 0, true, 2}});
  const CopyReading around = Slipped(true, truth, {{23, 0, true, 3}, {33, 0, true, 3}});
  EXPECT_EQ(Repair({between, around, between, around, garbage, garbageSecond, garbage, garbageSecond, garbage, garbageSecond},
                   {1, 1, 2, 2, 3, 3, 4, 4, 5, 5}),
            truth);
  // The same, but the first copy's last dropout took its last byte and its
  // checksum byte: the second copy's checksum byte, read alike by both
  // scans, is all there is.
  const CopyReading lostEnd = EndGuessed(first);
  EXPECT_EQ(Repair({lostEnd, other, lostEnd, other, garbage, garbageSecond, garbage, garbageSecond, garbage, garbageSecond},
                   {1, 1, 2, 2, 3, 3, 4, 4, 5, 5}),
            truth);
  // The copies' dropouts lie a few bytes apart, and every scan misread the
  // byte next to the first copy's, before it (at 11) or after it (at 57):
  // beside the second copy's dropout the two agree for three bytes only.
  // Four places in all, more than a plain choice of copies takes.
  CopyReading fadesEarly = Slipped(false, truth, {{12, 0, true, 1}, {57, 0, true, 2}});
  fadesEarly.bytes[11] ^= 0x21;
  EXPECT_EQ(Repair(Twice({fadesEarly, Slipped(true, truth, {{5, 0, true, 3}, {44, 0, true, 2}})})), truth);
  CopyReading comesBackLate = Slipped(false, truth, {{8, 0, true, 2}, {56, 0, true, 1}});
  comesBackLate.bytes[57] ^= 0x21;
  EXPECT_EQ(Repair(Twice({comesBackLate, Slipped(true, truth, {{34, 0, true, 2}, {52, 0, true, 1}})})), truth);
  // Read once: three bytes and two, each from the copy the other lost there.
  EXPECT_EQ(Repair({Slipped(false, truth, {{20, 1, true, 3}}), Slipped(true, truth, {{45, 1, true}})}), truth);
  // Two dropouts two bytes apart in one copy, over bytes 48-53 and 56-57,
  // make one damaged place of ten bytes; with the dropouts over that copy's
  // first byte and the other copy's bytes 7-9, four places, more than a
  // plain choice of copies takes.
  EXPECT_EQ(Repair(Twice({Slipped(false, truth, {{0, 0, false, 1}, {48, 0, false, 6}, {56, 0, false, 2}}),
                          Slipped(true, truth, {{7, 0, false, 3}})})),
            truth);
  // Two dropouts a byte apart in one copy make one damaged place of five bytes.
  EXPECT_EQ(Repair(Twice({Slipped(false, truth, {{40, 2}, {43, 3}}), Slipped(true, truth, {{50, 3}})})), truth);
  // The second copy's dropout took its last byte and checksum byte, bridged
  // with guessed zeros: the first copy's, put back in line, are all there is.
  EXPECT_EQ(Repair(Twice({Slipped(false, truth, {{9, 3}}), EndGuessed(Copy(1, true, Damaged(truth, 63, 1), truth))})),
            truth);
  // The same after two more dropouts of the second copy, the signal fading
  // over byte 62 before its last; and one of the first copy's, which
  // misread byte 20 before it. Four places.
  CopyReading fadesToTheEnd = EndGuessed(Slipped(true, truth, {{34, 0, true, 3}, {54, 0, true, 2}}));
  fadesToTheEnd.bytes[62] ^= 0x10;
  CopyReading fadesEarlier = Bridged(false, truth, 21, 2);
  fadesEarlier.bytes[20] ^= 0x10;
  EXPECT_EQ(Repair(Twice({fadesEarlier, fadesToTheEnd})), truth);
}

TEST(RecordRepair, BitsNobodyReadAreNotRepaired) {
  RecordBytes truth = Bytes(13);
  truth[10] = truth[11] = 0;
  // Both copies bridged one dropout at those bytes with zeros: right, and the sum fits, but a guess.
  CopyReading guessed = Copy(1, false, truth, truth);
  for (int bit = 10 * 8 + 3; bit < 11 * 8 + 5; ++bit) guessed.guessed.set(bit);
  CopyReading second = guessed;
  second.secondCopy = true;
  EXPECT_EQ(Repair(Twice({guessed, second})), std::nullopt);
  // One copy read them.
  EXPECT_EQ(Repair(Twice({guessed, Copy(1, true, truth, truth)})), truth);
  // Both copies lost byte 24 to dropouts (the second bytes 22 to 24 too); a
  // method that marks no guesses read the second copy there, and misread
  // byte 40. Its byte 24 with the first copy's others fits the sum: but it
  // read a dropout, so it guessed too.
  const CopyReading unmarked = Copy(1, true, Damaged(truth, 40, 1, 0x5a), truth);
  EXPECT_EQ(Repair({Bridged(false, truth, 24, 1), Bridged(true, truth, 22, 3), unmarked}, {1, 1, 2}), std::nullopt);
  // But another Adaptive scan, which guessed across a dropout of its own
  // elsewhere, read the first copy's byte 24.
  EXPECT_EQ(Repair({Bridged(false, truth, 24, 1), Bridged(true, truth, 22, 3), Bridged(false, truth, 50, 1)}, {1, 1, 2}),
            truth);
  // Not one whose scan found the mark cells away and read another stretch
  // of tape: its bytes there fit by chance.
  CopyReading misframed = Bridged(false, Bytes(99), 50, 1);
  misframed.bytes[23] = truth[23], misframed.bytes[24] = truth[24];
  EXPECT_EQ(Repair({Bridged(false, truth, 24, 1), Bridged(true, truth, 22, 3), misframed}, {1, 1, 2}), std::nullopt);
  // Nor is a copy lost where scans that found its data mark a byte late,
  // and so read it one byte along, alike, guessed across a dropout: that lies
  // elsewhere on the tape.
  CopyReading late = Copy(1, true, {}, truth);
  std::copy(truth.begin() + 1, truth.end(), late.bytes.begin());
  for (int bit = 9 * 8; bit < 10 * 8; ++bit) late.guessed.set(bit);
  const std::vector<CopyReading> lateToo = {Bridged(false, truth, 9, 2), Bridged(false, truth, 9, 2),
                                            Copy(1, true, truth, truth), Copy(1, true, truth, truth), late, late};
  EXPECT_EQ(Repair(lateToo, {1, 2, 1, 2, 3, 4}), truth);
  // The first copy bridged bytes 5 and 6 with zeros; the second read them
  // but misread byte 24 as the value that makes those zeros fit the sum.
  // That record is guesswork against what both scans read, not a second
  // answer that casts doubt on the right one.
  const RecordBytes other = Bytes(14);
  RecordBytes misread = other;
  misread[24] = static_cast<uint8_t>(other[5] + other[6] + other[24]);
  EXPECT_EQ(Repair(Twice({Bridged(false, other, 5, 2), Copy(1, true, misread, other)})), other);
  // Both copies lost byte 43 (the first 41 to 43, the second 43 to 45); a
  // scan that found the second copy's dropout a byte later misread byte 43
  // as the signal faded, and guessed byte 44 as much under the tape's as
  // that is over it: the sum fits.
  RecordBytes fading = truth;
  fading[43] = static_cast<uint8_t>(truth[43] + 1);
  fading[44] = static_cast<uint8_t>(truth[44] - 1);
  CopyReading fadedOut = Copy(1, true, fading, truth);
  for (int bit = 44 * 8; bit < 46 * 8; ++bit) fadedOut.guessed.set(bit);
  CopyReading lostThere = fadedOut;
  lostThere.bytes[43] = truth[43];
  for (int bit = 43 * 8; bit < 44 * 8; ++bit) lostThere.guessed.set(bit);
  EXPECT_EQ(Repair({fadedOut, Bridged(false, truth, 41, 3), lostThere}, {1, 2, 3}), std::nullopt);
  // Three scans that mark dropouts read the first copy alike without one
  // (but for a misread first byte), where the second lost bytes 31 and 32;
  // a fourth took weak cells at the first copy's byte 32 for a dropout.
  CopyReading clean = Copy(1, false, truth, truth);
  clean.bytes[0] ^= 0x40;
  clean.good = false;
  CopyReading weak = Copy(1, false, truth, truth);
  for (int bit = 32 * 8; bit < 33 * 8; ++bit) weak.guessed.set(bit);
  const CopyReading lost = Bridged(true, truth, 31, 2);
  EXPECT_EQ(Repair({clean, lost, clean, lost, clean, lost, weak, lost}, {1, 1, 2, 2, 3, 3, 4, 4}, true), truth);
  // The second copy lost bytes 40-42, the first 43-44, as three scans that
  // mark dropouts read them; a fourth guessed the first copy's byte 42 too.
  const CopyReading reachesFurther = Bridged(false, truth, 42, 3);
  const CopyReading firstLost = Bridged(false, truth, 43, 2), secondLost = Bridged(true, truth, 40, 3);
  EXPECT_EQ(Repair({firstLost, secondLost, firstLost, secondLost, firstLost, secondLost, reachesFurther, secondLost},
                   {1, 1, 2, 2, 3, 3, 4, 4}, true),
            truth);
  // Two of them, and two more scans that lost bits in a dropout before in
  // each copy alike (one bit, two bits) and guessed the first copy's byte 42
  // too: each of those reads its second copy as it reads its first, but no
  // other scan does, so where they guess is not where the tape is damaged.
  const auto slippedAlike = [&](int bits) {
    return std::vector<CopyReading>{Slipped(false, truth, {{20, bits, true, 2}, {42, 0, true, 3}}),
                                    Slipped(true, truth, {{10, bits, true, 2}, {40, 0, true, 3}})};
  };
  std::vector<CopyReading> withSlipped = {firstLost, secondLost, firstLost, secondLost};
  for (const int bits : {1, 2})
    for (const CopyReading& r : slippedAlike(bits)) withSlipped.push_back(r);
  EXPECT_EQ(Repair(withSlipped, {1, 1, 2, 2, 3, 3, 4, 4}, true), truth);
  // Both copies lost byte 0, the second bytes 0-2; two scans read the first
  // copy's byte 0 two ways, and one guessed it: readings of a byte that was
  // there agree.
  CopyReading noiseRight = Copy(1, false, truth, truth), noiseWrong = noiseRight;
  noiseWrong.bytes[0] ^= 0x42;
  const CopyReading lostFirst = Bridged(true, truth, 0, 3);
  EXPECT_EQ(Repair({noiseRight, lostFirst, noiseWrong, lostFirst, Bridged(false, truth, 0, 1), lostFirst}, {1, 1, 2, 2, 3, 3},
                   true),
            std::nullopt);
}

TEST(RecordRepair, OfRecordsThatFitTheSumTakesTheOneNoWitnessContests) {
  RecordBytes truth = Bytes(15);
  truth[10] = 0x40, truth[11] = 0x20;
  // Both scans bridged the first copy's end and the second's bytes 11-12;
  // one scan read the second copy whole but for a bit moved from byte 10 to
  // byte 11, which its sum cannot see.
  const CopyReading firstCopy = Bridged(false, truth, 61, 2);
  RecordBytes moved = truth;
  moved[10] = 0x3F, moved[11] = 0x21;
  EXPECT_EQ(Repair({firstCopy, firstCopy, Copy(1, true, moved, truth), Bridged(true, truth, 11, 2)}, {1, 2, 1, 2}), truth);
  // Two Adaptive scans bridged the first copy's bytes 12-14 and the second's
  // 27-28, where the first read the tape's 0x80 0x80. Two scans that mark no
  // guesses read the second copy's dropout as zeros, which fit the sum too;
  // but that copy is wiped there, and its readings of the silence are no
  // witness against the other copy's.
  RecordBytes even = Bytes(16);
  even[27] = even[28] = 0x80;
  const CopyReading blank = Copy(1, true, Damaged(even, 27, 2), even);
  EXPECT_EQ(Repair({Bridged(false, even, 12, 3), Bridged(true, even, 27, 2), Bridged(false, even, 12, 3),
                    Bridged(true, even, 27, 2), blank, blank},
                   {1, 1, 2, 2, 3, 4}),
            even);
  // Add a dropout in the first copy at bytes 8-10, which one Adaptive scan
  // bridged in step and the other scans slipped two bits in, alike: bytes
  // 27-28 and 39-41, lost in the second copy, rest on the first scan alone.
  // The slipped scans read them shifted, which is no reading otherwise.
  const CopyReading bridgedSecond = Slipped(true, even, {{27, 0, true, 2}, {39, 0, true, 3}});
  const CopyReading blankSecond = Slipped(true, even, {{27, 0, false, 2}, {39, 0, false, 3}});
  const CopyReading slippedFirst = Slipped(false, even, {{8, 2, false, 3}});
  EXPECT_EQ(Repair({Slipped(false, even, {{8, 0, true, 3}}), bridgedSecond, Slipped(false, even, {{8, 2, true, 3}}),
                    bridgedSecond, slippedFirst, blankSecond, slippedFirst, blankSecond},
                   {1, 1, 2, 2, 3, 3, 4, 4}),
            even);
  // Of two scans of one method, one misread the tail of both copies alike,
  // as bytes that keep the sum: that method holds either record, and only
  // the other method's readings tell.
  const RecordBytes tape = Bytes(17);
  RecordBytes tail = tape;
  ++tail[50], --tail[51];
  CopyReading firstMisread = Bridged(false, tape, 7, 3), secondMisread = Bridged(true, tape, 39, 3);
  firstMisread.bytes = secondMisread.bytes = tail;
  firstMisread.bytes[7] = firstMisread.bytes[8] = firstMisread.bytes[9] = 0;
  secondMisread.bytes[39] = secondMisread.bytes[40] = secondMisread.bytes[41] = 0;
  EXPECT_EQ(Repair({firstMisread, secondMisread, Bridged(false, tape, 7, 3), Bridged(true, tape, 39, 3),
                    Bridged(false, tape, 7, 2), Bridged(true, tape, 39, 3)},
                   {1, 1, 1, 1, 2, 2}),
            tape);
  // Every scan misread the byte before each copy's dropout alike, and the
  // two misreadings keep the sum between them: the byte the other copy read
  // away from its dropout wins.
  CopyReading fadedFirst = Bridged(false, tape, 45, 1), fadedSecond = Bridged(true, tape, 20, 1);
  fadedFirst.bytes[44] += 3, fadedSecond.bytes[19] -= 3;
  EXPECT_EQ(Repair(Twice({fadedFirst, fadedSecond})), tape);
  // The same just after each dropout, where the signal comes back. The
  // bytes the dropouts took are zeros, as the guesses have them, so the two
  // misreadings are all that part the copies.
  RecordBytes zeros = tape;
  zeros[20] = zeros[45] = 0;
  CopyReading backFirst = Bridged(false, zeros, 45, 1), backSecond = Bridged(true, zeros, 20, 1);
  backFirst.bytes[46] += 3, backSecond.bytes[21] -= 3;
  EXPECT_EQ(Repair(Twice({backFirst, backSecond})), zeros);
  // But where the other copy is lost there too, the byte read just after a
  // dropout stands: two scans that read the second copy whole, but for a
  // value moved from byte 44 to byte 43, fit the sum as well, and nothing
  // tells the two records apart.
  RecordBytes moved43 = tape;
  moved43[43] += 3, moved43[44] -= 3;
  const CopyReading firstWiped = Bridged(false, tape, 43, 2), secondBack = Bridged(true, tape, 41, 2);
  const CopyReading secondMoved = Copy(1, true, moved43, tape);
  EXPECT_EQ(Repair({firstWiped, secondBack, firstWiped, secondBack, secondMoved, secondMoved}, {1, 1, 2, 2, 3, 4}),
            std::nullopt);
  // Two methods read the second copy a bit early from different places on
  // (bytes 33 and 37), where no dropout shows, and the first copy slipped
  // after its dropout. A record in step up to byte 37 and in their frame
  // after it is held there by both, though one of them read byte 36 early
  // already; for some records it fits the sum too.
  for (int seed = 180; seed < 300; ++seed) {
    const RecordBytes record = Bytes(seed);
    const CopyReading slippedFirst = Slipped(false, record, {{9, 1, true, 3}});
    const CopyReading earlyAt33 = Slipped(true, record, {{33, 1, false, 0}, {61, 0, true, 2}});
    const CopyReading earlyAt37 = Slipped(true, record, {{37, 1, false, 0}, {61, 0, true, 2}});
    EXPECT_EQ(Repair({Bridged(false, record, 9, 3), Bridged(true, record, 61, 2), slippedFirst, earlyAt33, slippedFirst, earlyAt37},
                     {1, 1, 2, 2, 3, 3}),
              record)
        << "record " << seed;
  }
  // One scan read the first copy whole but for bytes 29-33, bridged in step;
  // two more slipped a bit there. The second copy's dropout took bytes
  // 57-59 (57-58 in the other two scans, which misread byte 59 as the value
  // that makes their guessed zeros fit the sum). A scan that found both copies' data marks
  // cells late read garbage, zeros at 57-58 in both, which hold that record
  // there and contest the tape's, read by one scan alone; but that scan read
  // another stretch of tape, and contests nothing.
  const RecordBytes late = Bytes(19);
  RecordBytes zerosFit = Damaged(late, 57, 2);
  zerosFit[59] = static_cast<uint8_t>(late[57] + late[58] + late[59]);
  CopyReading secondZeros = Bridged(true, late, 57, 2);
  secondZeros.bytes = zerosFit;
  CopyReading elsewhere = Copy(1, false, Damaged(late, 0, kRecordBytes), late);
  CopyReading elsewhereSecond = Copy(1, true, Damaged(Damaged(late, 0, kRecordBytes, 0x5A), 57, 2), late);
  elsewhere.checksumRead = elsewhereSecond.checksumRead = 0;
  const CopyReading slippedAt29 = Slipped(false, late, {{29, 1, true, 5}});
  EXPECT_EQ(Repair({Bridged(false, late, 29, 5), Bridged(true, late, 57, 3), slippedAt29, secondZeros, slippedAt29, secondZeros, elsewhere,
                    elsewhereSecond},
                   {1, 1, 2, 2, 3, 3, 4, 4}),
            late);
  // One scan read each copy; the second copy's guessed zeros fit the sum as
  // well as the bytes the first copy read there.
  RecordBytes pair = Bytes(18);
  pair[38] = pair[39] = 0x80;
  EXPECT_EQ(Repair({Bridged(false, pair, 17, 1), Bridged(true, pair, 38, 2)}, {1, 1}), pair);
}

// Byte `k` of a run of hex digits.
uint8_t HexByte(const std::string& hex, int k) {
  return static_cast<uint8_t>(std::stoi(hex.substr(2 * static_cast<size_t>(k), 2), nullptr, 16));
}

RecordBytes FromHex(const std::string& hex) {
  RecordBytes bytes;
  for (int k = 0; k < kRecordBytes; ++k) bytes[k] = HexByte(hex, k);
  return bytes;
}

// A reading of a record a rescue made, as it logged it.
struct RealReading {
  int family;
  bool marksGuesses, second;
  const char* hex;  // the data and the checksum byte; "??" a byte guessed
  std::vector<std::pair<int, int>> guessed = {};  // bits [first, end) guessed
};

std::vector<CopyReading> Readings(std::span<const RealReading> rows) {
  std::vector<CopyReading> copies;
  for (const RealReading& row : rows) {
    CopyReading& c = copies.emplace_back(CopyReading{1, row.second});
    const std::string hex = row.hex;
    for (int k = 0; k <= kRecordBytes; ++k) {
      if (hex.substr(2 * static_cast<size_t>(k), 2) == "??") {
        for (int bit = k * 8; bit < k * 8 + 8; ++bit) c.guessed.set(bit);
        continue;
      }
      const uint8_t value = HexByte(hex, k);
      if (k < kRecordBytes) c.bytes[k] = value;
      else c.checksumRead = value;
    }
    for (const auto& [first, end] : row.guessed)
      for (int bit = first; bit < end; ++bit) c.guessed.set(bit);
  }
  return copies;
}

std::optional<RecordBytes> RepairReal(std::span<const RealReading> rows) {
  const std::vector<CopyReading> copies = Readings(rows);
  std::vector<Witnessed> witnessed;
  for (size_t i = 0; i < copies.size(); ++i) witnessed.push_back({&copies[i], rows[i].family, rows[i].marksGuesses});
  return RepairRecord(witnessed);
}

// Real readings of a record of a side with dropouts, nine scans of five
// methods: the first copy lost bytes 16-17, the second bytes 30-31, and most
// scans slipped a bit in one or both and read on shifted. The tape's record
// is stitched from the readings that stayed in step. A copy's tail realigned
// across a slip it did not make reads garbage, and here that fits the sum
// too; but witnesses contest it, and it holds no repair back.
TEST(RecordRepair, AFitThatWitnessesContestHoldsNoRepairBack) {
  const RealReading rows[] = {
      {1, false, false,
       "d8b7c7104142434445464748494a4b4c4c049ea16790026f679002676d71b76f900664726d6c002d08836f90026b6d81900664726b6192187503921860004f000c",
       {}},
      {1, false, true,
       "d8b7c7104142434445464748494a4b4c4d4e4f50b3c80137b3c80133b6b8806f900664726d6c002d08836f90026b6d81900664726b6192187503921860004f39d6",
       {}},
      {22, false, false,
       "d8b7c7104142434445464748494a4b4c4c009ea16790026f679002676d71b76f900664726d6c002d08836f90026b6d81900664726b6192187503921860004f2c00",
       {}},
      {23, true, true,
       "d8b7c7104142434445464748494a4b4c4d4e4f50b3c80137b3c80133b6b8803f900664726d6c002d08836f90026b6d81900664726b6192187503921860004f39d6",
       {{241, 250}}},
      {24, true, false,
       "d8b7c7104142434445464748494a4b4c4d7e4f50b3c80137b3c80133b6b8dbb7c803323936b600168441b7c80135b6c0c803323935b0c90c3a81c90c30002793eb",
       {{134, 141}, {508, 517}}},
      {24, true, true,
       "d8b7c7104142434445464748494a4b4c4d4e4f50b3c80137b3c80133b6b8f9b7c803323936b600168441b7c80135b6c0c803323935b0c90c3a81c90c3000279ceb",
       {{242, 250}}},
      {40, true, false,
       "d8b7c7104142434445464748494a4b4c4d7e4f50b3c80137b3c80133b6b8dbb7c803323936b600168441b7c80135b6c0c803323935b0c90c3a81c90c30002793f3",
       {{134, 141}, {508, 517}}},
      {40, true, true,
       "d8b7c7104142434445464748494a4b4c4d4e4f50b3c80137b3c80133b6b8f9b7c803323936b600168441b7c80135b6c0c803323935b0c90c3a81c90c3000279ceb",
       {{242, 250}}},
      {7, true, false,
       "d8b7c7104142434445464748494a4b4c4c064f50b3c80137b3c80133b6b8dbb7c803323936b600168441b7c80135b6c0c803323935b0c90c3a81c90c3000279003",
       {{134, 141}, {508, 517}}},
  };
  EXPECT_EQ(RepairReal(rows),
            FromHex("d8b7c7104142434445464748494a4b4c4d4e4f50b3c80137b3c80133b6b8dbb7c803323936b600168441b7c80135b6c0c8033239"
                    "35b0c90c3a81c90c3000279c"));
}

// Real readings of a record of a sound-card side with dropouts: the first
// copy lost bytes 19-20, the second 48-49. Two methods read the first copy's
// as d9 ec, without a guess, where the tape has df e6, which has the same
// sum: that reading fits the checksum. But another scan guessed there, in
// that copy alone, and the second copy's readings read the tape's bytes.
// (Two scans found the first copy's mark some bits away and read garbage.)
TEST(RecordRepair, BytesReadWhereOnlyTheirCopyIsWipedHoldNothingAgainstTheOtherCopy) {
  const RealReading rows[] = {
      {7, true, false,
       "3d358c99a628ddf72243d05fa7e3??ff5229eec20f116fdc8c673126081015089b68c429e4b8c2b35f176898ff5e61448d3a47c5e056867d6a370ebc55e6cad780"},
      {23, true, false,
       "3d3f19334c51b9d72243d0bf7f875bfe??73dd858f916fdc8c673126081015089b68c429e4b8c2b35f176898ff5e61448d3a47c5e056867d6a370ee855e7d7de00"},
      {8, true, false,
       "3d358c99a628dceb9121e82fd3f089bfe2453dd9ec3c45bf72319cc498204054226da310a792e30acd7c5da263fd79851234e91f17815a19f5a8dc3ad0abcd95af"},
      {8, true, true,
       "3d358c99a628dceb9121e82fd3f089bfe2453ddfe63c45bf72319cc498204054226da310a792e30acd7c5da263fd798502??e91f17815a19f5a8dc3ad0abcd95af"},
      {40, true, false,
       "3d358c99a628dceb9121e82fd3f089bfe2453dd9ec3c45bf72319cc498204054226da310a792e30acd7c5da263fd79851234e91f17815a19f5a8dc3ad0abcd95af"},
      {40, true, true,
       "3d358c99a628dceb9121e82fd3f089bfe2453ddfe63c45bf72319cc498204054226da310a792e30acd7c5da263fd7985????e91f17815a19f5a8dc3ad0abcd95af"},
      {56, true, false,
       "3d358c99a628dceb9121e82fd3f089bfe2453d??????45bf72319cc498204054226da310a792e30acd7c5da263fd79851234e91f17815a19f5a8dc3ad0abcd95af"},
      {56, true, true,
       "3d358c99a628dceb9121e82fd3f089bfe2453ddfe63c45bf72319cc498204054226da310a792e30acd7c5da263fd7985????e91f17815a19f5a8dc3ad0abcd95af"},
  };
  EXPECT_EQ(RepairReal(rows),
            FromHex("3d358c99a628dceb9121e82fd3f089bfe2453ddfe63c45bf72319cc498204054226da310a792e30acd7c5da263fd79851234e91f"
                    "17815a19f5a8dc3ad0abcd95"));
}

// Real readings of another sound-card side: the second copy lost bytes
// 46-47, and two methods misread byte 48 after it alike (a3 for 23). The
// first copy was read right, but a scan that found its data mark some bits
// away guessed part of its byte 48: beside the second copy's dropout, that
// takes nothing from the first copy's readings.
TEST(RecordRepair, BesideTheOtherCopysDropoutAGuessTakesNoHoldAway) {
  const RealReading rows[] = {
      {39, true, false,
       "ca1fcb1057a51807c50f90f5c7fe2c3a9e7708e15953929dd6b607d6b489b192503bc3979cd95ccc21129678f926f5f00e4374949f9d4dfee293343ed64b5a3580",
       {{384, 387}, {434, 436}}},
      {23, true, true,
       "650dd2c415e94601f143e43d71ff8b0ea79dc2385654e4a775ad81f5ad226c64941fe1cbced95ccc62252cf1f698092721ba4a4fcea2ff71499a1f6b25ad2d6000",
       {{366, 371}}},
      {8, true, false,
       "650dd2c415e94601f143e43d71ff8b0ea79dc2385654e4a775ad81f5ad226c64940ef0e5e73657330844a59e3e49bd7c2390dd2513f3a8bfdc526687dac96b4b58"},
      {40, true, false,
       "650dd2c415e94601f143e43d71ff8b0ea79dc2385654e4a775ad81f5ad226c64940ef0e5e73657330844a59e3e49bd7c2390dd2513f3a8bfdc526687dac96b4b58"},
      {40, true, true,
       "650dd2c415e94601f143e43d71ff8b0ea79dc2385654e4a775ad81f5ad226c64940ef0e5e73657330844a59e3e499afaa390dd2513f3a8bfdc526687dac96b4b58",
       {{369, 371}, {372, 381}}},
      {56, true, true,
       "650dd2c415e94601f143e43d71ff8b0ea79dc2385654e4a775ad81f5ad226c64940ef0e5e73657330844a59e3e29fc3aa390dd2513f3a8bfdc526687dac96b4b58",
       {{290, 292}, {361, 363}, {372, 375}, {376, 378}, {380, 384}}},
  };
  EXPECT_EQ(RepairReal(rows),
            FromHex("650dd2c415e94601f143e43d71ff8b0ea79dc2385654e4a775ad81f5ad226c64940ef0e5e73657330844a59e3e49bd7c2390dd251"
                    "3f3a8bfdc526687dac96b4b"));
}

// One method bridged the first copy's dropout at bytes 16-17 in step and
// slipped a bit in the second copy's at 30-31; another slipped a bit in
// both. Three readings then carry the tail shifted alike, against one in
// step, and now and then the shifted checksum byte fits it: that record
// slips at 30, where the reading in step reads straight on.
TEST(RecordRepair, ARecordThatSlipsWhereAReadingInStepRunsOnIsNoRepair) {
  int right = 0;
  for (int seed = 1; seed <= 500; ++seed) {
    const RecordBytes truth = Bytes(seed);
    const std::vector<CopyReading> readings = {Bridged(false, truth, 16, 2), Slipped(true, truth, {{30, 1, true}}),
                                               Slipped(false, truth, {{16, 1, true}}), Slipped(true, truth, {{30, 1, true}})};
    const auto repaired = Repair(readings, {1, 1, 2, 2});
    if (repaired) {
      EXPECT_EQ(*repaired, truth) << "seed " << seed;
    }
    right += repaired == truth;
  }
  EXPECT_GT(right, 480);
  // Records end in zeros, which read the same at any shift: a reading that
  // misread one of them and reads on is no slip against the record.
  RecordBytes zeros = Bytes(30);
  std::fill(zeros.begin() + 40, zeros.end(), 0);
  EXPECT_EQ(Repair(Twice({Bridged(false, zeros, 47, 2), Bridged(true, zeros, 49, 2),
                          Copy(1, true, Damaged(zeros, 49, 1, 0x02), zeros)})),
            zeros);
}

TEST(RecordRepair, ReadingsOfNoiseContestNothing) {
  // The first copy lost bytes 30-31; one scan read the second copy with a
  // bit moved from byte 31 to 32, which keeps the sum, and another read it
  // right: the tape's byte 31 rests on that one.
  RecordBytes truth = Bytes(21);
  std::replace(truth.begin(), truth.end(), uint8_t{0xFF}, uint8_t{0xFE});
  RecordBytes moved = truth;
  --moved[31], ++moved[32];
  std::vector<CopyReading> readings = {Bridged(false, truth, 30, 2), Bridged(false, truth, 30, 2), Copy(1, true, moved, truth),
                                       Copy(1, true, truth, truth)};
  std::vector<int> families = {1, 2, 1, 2};
  // Two scans read a silence as ones where the second copy lies: alike, but
  // they read no stretch of this record.
  RecordBytes ones;
  ones.fill(0xFF);
  readings.push_back(Copy(1, true, ones, truth)), readings.push_back(Copy(1, true, ones, truth));
  families.insert(families.end(), {3, 4});
  EXPECT_EQ(Repair(readings, families), truth);
  // A scan in step with the record read byte 31 as ones too: one witness.
  RecordBytes oneByte = truth;
  oneByte[31] = 0xFF;
  readings.push_back(Copy(1, true, oneByte, truth));
  families.push_back(5);
  EXPECT_EQ(Repair(readings, families), truth);
}

TEST(RecordRepair, RefusesWhatTheChecksumDoesNotConfirm) {
  const RecordBytes truth = Bytes(9);
  // Both copies hit in the same place: no reading holds those bytes.
  EXPECT_EQ(Repair({Copy(1, false, Damaged(truth, 10, 4, 0x00), truth), Copy(1, true, Damaged(truth, 10, 4, 0x55), truth)}),
            std::nullopt);
  // Both scans read the first copy slipped from byte 8 on, its checksum byte
  // too, and the second with byte 39 wrong alike. That slipped checksum byte
  // is the sum of the second copy as read, but no reading that ends as the
  // second copy does holds it.
  const RecordBytes slipped = Damaged(truth, 8, 56, 0x5A);
  RecordBytes misread = truth;
  misread[39] ^= 0x10;
  CopyReading shifted = Copy(1, false, slipped, truth);
  shifted.checksumRead = Sum(misread);
  ASSERT_NE(Sum(slipped), Sum(misread));
  EXPECT_EQ(Repair(Twice({shifted, Copy(1, true, misread, truth)})), std::nullopt);
  EXPECT_EQ(Repair({}), std::nullopt);
}

TEST(RescueMerge, ARecordNoReadingVerifiedIsRepairedOrBad) {
  const RecordBytes one = Bytes(11), two = Bytes(12), three = Bytes(13);
  ScannedFile f{{1000, 3, 3},
                {Copy(1, false, Damaged(one, 0, 2), one, 5000), Copy(1, true, Damaged(one, 60, 2), one, 6000),
                 Copy(2, false, Damaged(two, 3, 2, 1), two, 7000), Copy(2, true, Damaged(two, 3, 2, 2), two, 8000),
                 Copy(3, false, three, three, 9000), Copy(3, true, three, three, 9500)}};
  const auto files = MergeScans({Scan({f})});
  ASSERT_EQ(files.size(), 1u);
  const auto& r = files[0].records;
  EXPECT_EQ(r[0].verdict, Verdict::Repaired);
  EXPECT_EQ(r[0].bytes, one);
  EXPECT_EQ(r[0].scan, 0);
  EXPECT_EQ(r[0].position, 5000);
  EXPECT_EQ(r[1].verdict, Verdict::Bad);
  EXPECT_EQ(r[1].bytes, Damaged(two, 3, 2, 1));  // the best guess: the earlier reading on a tie
  EXPECT_EQ(files[0].Count(Verdict::Ok), 1);
}

TEST(RescueMerge, AScanKeptOutOfRepairsStillVerifies) {
  const RecordBytes truth = Bytes(41);
  const ScannedFile damaged{{1000, 1, 1},
                            {Copy(1, false, Damaged(truth, 0, 2), truth, 5000), Copy(1, true, Damaged(truth, 60, 2), truth, 6000)}};
  EXPECT_EQ(MergeScans({Scan({damaged})})[0].records[0].verdict, Verdict::Repaired);
  ScanResult outOfRepairs = Scan({damaged});
  outOfRepairs.repairs = false;
  const auto files = MergeScans({outOfRepairs, outOfRepairs});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].records[0].verdict, Verdict::Bad);
  ScanResult verified = Scan({ScannedFile{{1000, 1, 1}, {Copy(1, false, truth, truth, 5000)}}});
  verified.repairs = false;
  EXPECT_EQ(MergeScans({verified, Scan({damaged})})[0].records[0].verdict, Verdict::Ok);
}

TEST(RescueMerge, AVerifiedReadingNoOtherReadingConfirmsIsNoProof) {
  // Garbage passes an 8-bit sum now and then; a scan that lost count of the
  // blocks puts a verified block a whole block away from where the others found it.
  const RecordBytes truth = Bytes(21), garbage = Bytes(99);
  // Scan a read its neighbour badly, so nothing stands by its verified garbage.
  const CopyReading other = Copy(2, false, Bytes(22), Bytes(22), 90000);
  ScannedFile a{{1000, 2, 2}, {Copy(1, false, garbage, garbage, 50000), Copy(1, true, Damaged(truth, 9, 2), truth, 70000),
                               Copy(2, false, Damaged(Bytes(22), 0, 1), Bytes(22), 90000)}};
  ScannedFile b{{1000, 2, 2}, {Copy(1, false, Damaged(truth, 40, 2), truth, 50010), other, other}};
  ScannedFile shifted{{1000, 2, 2}, {Copy(1, false, Bytes(5), Bytes(5), 50000 - 18944)}};
  const auto files = MergeScans({Scan({a}), Scan({b}), Scan({shifted}), Scan({shifted})});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].records[0].verdict, Verdict::Ok);
  EXPECT_NE(files[0].records[0].bytes, garbage);
}

TEST(RescueMerge, ALoneReadingIsProofOnlyWhereItsScanReadTheWholeFile) {
  // The only scan that found the file read record 2's first copy and nothing of its second.
  ScannedFile f = File(1000, 4);
  f.copies.erase(f.copies.begin() + 3);
  EXPECT_EQ(MergeScans({Scan({f})})[0].records[1].verdict, Verdict::Ok);
  // It verified no copy of record 4: the file lies where the tape is worn.
  f.copies[5].good = f.copies[6].good = false;
  const auto files = MergeScans({Scan({f})});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].records[0].verdict, Verdict::Ok);
  EXPECT_EQ(files[0].records[1].verdict, Verdict::Bad);
  EXPECT_EQ(files[0].records[1].bytes, Bytes(3));
}

// A file of three records, read right but for the second: `copies` are the
// copies of it that were read.
ScannedFile WithRecordTwo(std::vector<CopyReading> copies) {
  ScannedFile f = File(1000, 3, 40);
  std::erase_if(f.copies, [](const CopyReading& c) { return c.record == 2; });
  for (CopyReading& c : copies) {
    c.record = 2;
    c.markPosition = 1000 + 2 * 40000 + (c.secondCopy ? 20000 : 0);
    f.copies.push_back(c);
  }
  return f;
}

// `truth` with its bytes from `from` on misread, their sum kept.
RecordBytes GarbageFrom(const RecordBytes& truth, int from) {
  RecordBytes garbage = Damaged(truth, from, kRecordBytes - from, 0x33);
  garbage[kRecordBytes - 1] = static_cast<uint8_t>(garbage[kRecordBytes - 1] + Sum(truth) - Sum(garbage));
  return garbage;
}

TEST(RescueMerge, AVerifiedReadingAcrossADropoutNobodyElseMarkedIsNoProof) {
  // Both copies lost bytes 45-47, which Adaptive scans bridged; a template
  // scan read the first copy's tail after byte 37 as garbage that passed
  // its sum, where two scans read it otherwise.
  const RecordBytes truth = Bytes(42);
  const ScannedFile bridged = WithRecordTwo({Bridged(false, truth, 45, 3), Bridged(true, truth, 45, 3)});
  const ScannedFile garbled = WithRecordTwo({Copy(2, false, GarbageFrom(truth, 37), truth)});
  EXPECT_EQ(MergeScans({Scan({garbled}), Scan({bridged}), Scan({bridged})})[0].records[1].verdict, Verdict::Bad);
  // Two template scans read the second copy after a dropout at byte 37 as
  // the same garbage, which passed its sum; two Adaptive scans bridged that
  // dropout, and read the first copy whole (its byte 13, bridged too, was
  // a zero) and the second after it otherwise.
  RecordBytes zero = Bytes(43);
  zero[13] = 0;
  const ScannedFile templates =
      WithRecordTwo({Copy(2, false, Damaged(zero, 13, 40, 0x55), zero), Copy(2, true, GarbageFrom(zero, 37), zero)});
  const ScannedFile adaptive = WithRecordTwo({Bridged(false, zero, 13, 1), Bridged(true, zero, 37, 1)});
  const auto files = MergeScans({Scan({templates}), Scan({templates}), Scan({adaptive}), Scan({adaptive})});
  EXPECT_EQ(files[0].records[1].verdict, Verdict::Repaired);
  EXPECT_EQ(files[0].records[1].bytes, zero);
}

TEST(RescueMerge, CopiesAreNumberedByWhereTheyLie) {
  // A scan lost record 2's first copy and went on a block late: it took
  // the second copy for the first and record 3's first for record 2's second.
  ScannedFile late = File(1000, 4);
  late.copies.erase(late.copies.begin() + 2);
  for (size_t i = 2; i < late.copies.size(); ++i) {
    late.copies[i].record = static_cast<int>(i / 2 + 1);
    late.copies[i].secondCopy = i % 2 != 0;
  }
  NumberCopiesByPlace(late);
  ScannedFile right = File(1000, 4);
  right.copies.erase(right.copies.begin() + 2);
  for (size_t i = 0; i < late.copies.size(); ++i) {
    EXPECT_EQ(late.copies[i].record, right.copies[i].record) << i;
    EXPECT_EQ(late.copies[i].secondCopy, right.copies[i].secondCopy) << i;
  }
}

TEST(RescueMerge, AReadingGuessedAcrossADropoutIsProofOnlyWithAnUnguessedWitness) {
  const RecordBytes truth = Bytes(31);
  CopyReading guessed = Copy(1, false, truth, truth, 50000);
  guessed.guessed.set(20 * 8);
  const ScannedFile bridged{{1000, 1, 1}, {guessed}};
  // Scans of two families that bridged the same dropout guess alike.
  EXPECT_NE(MergeScans({Scan({bridged}), Scan({bridged})})[0].records[0].verdict, Verdict::Ok);
  const ScannedFile read{{1000, 1, 1}, {Copy(1, true, truth, truth, 70000)}};
  EXPECT_EQ(MergeScans({Scan({bridged}), Scan({read})})[0].records[0].verdict, Verdict::Ok);
  // A guess that passed the sum with other bytes says nothing against a reading that guessed nothing.
  CopyReading wrongGuess = Copy(1, false, Damaged(truth, 20, 3), truth, 50000);
  wrongGuess.good = true;
  wrongGuess.guessed.set(20 * 8);
  const auto files = MergeScans({Scan({ScannedFile{{1000, 1, 1}, {wrongGuess}}}), Scan({read})});
  EXPECT_EQ(files[0].records[0].verdict, Verdict::Ok);
  EXPECT_EQ(files[0].records[0].bytes, truth);
}

}  // namespace
}  // namespace sonatap
