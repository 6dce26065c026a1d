// The Adaptive method's margin: where a tall bump sets the peaks, changes
// that stop short of the usual margin are read only when asked; and its
// reading of the first 1s after a leader, before it knows a deck's lag;
// and of cells whose changes hiss or a deck's filters hide.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/adaptive_cells.h"

namespace sonatap {
namespace {

// Whole cells of 32 samples at +-`flat` about the middle line, each with a
// one-sample bump to +-`bump` on its own side: the peaks make a swing of
// twice that. The bumps come at sample `bumpAt` of each cell, the level
// coming back to the flat until the change, or (-1) somewhere in its middle
// at no steady pace.
std::vector<uint8_t> BumpyLeader(int flat, int bumpAt, int bump = 50) {
  std::vector<uint8_t> samples;
  for (int c = 0; c < 200; ++c) {
    const int side = c % 2 ? -1 : 1;
    const int at = bumpAt >= 0 ? bumpAt : 8 + c * 7 % 17;
    for (int i = 0; i < 32; ++i) samples.push_back(static_cast<uint8_t>(128 + side * (i == at ? bump : flat)));
  }
  return samples;
}

// Zeros read where the cells change, not at a bump.
int ZerosAtChanges(const std::vector<uint8_t>& samples, bool sensitive, bool readsFaintChanges = true) {
  AdaptiveCells cells;
  cells.SetSensitive(sensitive);
  cells.SetReadsFaintChanges(readsFaintChanges);
  int zeros = 0;
  for (std::span<const uint8_t> rest = samples; !rest.empty();) {
    size_t used = 0;
    const bool zero = cells.Process(rest, used) == AdaptiveCells::Event::Zero;
    rest = rest.subspan(used);
    zeros += zero && (samples.size() - rest.size()) % 32 <= 2;
  }
  return zeros;
}

TEST(AdaptiveCells, ChangesShortOfTheMarginAreReadWhenSensitiveOrSteep) {
  // 0.18 of the swing past the middle line: past the sensitive margin (and
  // past the level changes are timed at, where the usual reading of faint
  // changes times some of them on the cells' grid).
  EXPECT_EQ(ZerosAtChanges(BumpyLeader(18, -1), false, false), 0);
  EXPECT_GE(ZerosAtChanges(BumpyLeader(18, -1), true), 150);  // all but the leader the lock learns from
  // 0.12 past it: short of any margin, but each change falls 0.62 of the
  // swing from the bump 8 samples before it.
  EXPECT_EQ(ZerosAtChanges(BumpyLeader(12, 24), false), 0);
  EXPECT_GE(ZerosAtChanges(BumpyLeader(12, 24), true), 150);
  // A bump two samples before a cell's end, then the next cell 0.17 of the
  // swing past the line (past where changes are timed, short of the margin):
  // a fall of 0.65 of the swing within two samples is read as a change, but
  // not by a rescue's scans (they read a change at the next bump, a cell
  // late). A silence first shows that there is no hiss.
  std::vector<uint8_t> steep(2048, 128);
  const std::vector<uint8_t> cells = BumpyLeader(38, 30, 110);
  steep.insert(steep.end(), cells.begin(), cells.end());
  EXPECT_GE(ZerosAtChanges(steep, false), 150);
  EXPECT_EQ(ZerosAtChanges(steep, false, false), 0);
}

// A square wave that changes after each of `intervals` samples.
std::vector<uint8_t> SquareWave(const std::vector<int>& intervals) {
  std::vector<uint8_t> samples;
  int side = 1;
  for (int length : intervals) {
    samples.insert(samples.end(), length, static_cast<uint8_t>(128 + side * 60));
    side = -side;
  }
  return samples;
}

// A byte of pseudo-random hiss; `state` moves on.
int NoiseByte(uint32_t& state) {
  state = state * 1664525 + 1013904223;
  return static_cast<int>(state >> 24);
}

// The intervals between changes of `bits` as the tape writes them (a change
// at each cell's start, another in a 1's middle), cells `cell` samples long.
std::vector<int> Cells(const std::string& bits, int cell) {
  std::vector<int> intervals;
  for (const char bit : bits) intervals.insert(intervals.end(), bit == '1' ? 2 : 1, bit == '1' ? cell / 2 : cell);
  return intervals;
}

// A leader, then "0110100111000101" and four 0s.
const std::string kData = "0110100111000101";
std::vector<int> LeaderAndData(int cell = 32) { return Cells(std::string(200, '0') + kData + "0000", cell); }

// The bits `cells` reads from `samples`, to the recording's end where they
// are the last.
std::string Read(AdaptiveCells& cells, const std::vector<uint8_t>& samples, bool last = true) {
  std::string bits;
  for (std::span<const uint8_t> rest = samples;;) {
    size_t used = 0;
    if (rest.empty() && !last) return bits;
    switch (rest.empty() ? cells.Finish() : cells.Process(rest, used)) {
      case AdaptiveCells::Event::Zero: bits += '0'; break;
      case AdaptiveCells::Event::TwoZeros: bits += "00"; break;
      case AdaptiveCells::Event::One: bits += '1'; break;
      case AdaptiveCells::Event::OneZero: bits += "10"; break;
      default: break;
    }
    if (rest.empty()) return bits;
    rest = rest.subspan(used);
  }
}

std::string Bits(const std::vector<uint8_t>& samples, bool integrating = false, bool readsFaintChanges = true) {
  AdaptiveCells cells;
  cells.SetIntegrating(integrating);
  cells.SetReadsFaintChanges(readsFaintChanges);
  return Read(cells, samples);
}

TEST(AdaptiveCells, ReadsTheFirstOnesAfterALeaderThatADeckDelays) {
  // A strong high-pass delays the changes of the 1s against those of the 0s
  // by a quarter of a cell: the first half after the leader comes out 3/4 of
  // a cell long, the first 0 after the 1s as short.
  std::vector<int> intervals(300, 32);
  intervals.push_back(24);
  intervals.insert(intervals.end(), 15, 16);
  intervals.push_back(24);
  intervals.insert(intervals.end(), 8, 32);  // the last ends with the recording, which closes it
  const std::string bits = Bits(SquareWave(intervals));
  ASSERT_GE(bits.size(), 17u);
  EXPECT_EQ(bits.substr(bits.size() - 17), "11111111000000000");
  EXPECT_EQ(bits.find('1'), bits.size() - 17);  // no 0 read for the long half
}

TEST(AdaptiveCells, ALeaderOfAnotherLengthIsLearntAgain) {
  // A length learnt at 40 samples (as loud hiss between files can drag it
  // there), then a leader of 28-sample cells: 0.7 of the length learnt, so
  // two of them make a 1 of 1.4 and the 1's length stays at 40. A run of
  // intervals alike that are neither whole cells nor halves is a leader.
  std::vector<int> intervals(200, 40);
  const std::vector<int> after = LeaderAndData(28);
  intervals.insert(intervals.end(), after.begin(), after.end());
  EXPECT_NE(Bits(SquareWave(intervals)).find("0000" + kData), std::string::npos);
}

TEST(AdaptiveCells, HissBetweenFilesEndsTheLock) {
  // A file's data, then hiss lifted to the signal's level, changing at
  // random every quarter cell to two and a half cells, then the next file.
  // Read as bits, the hiss would give over a thousand; the lock ends within
  // a hundred, and the next file's leader locks again.
  std::vector<int> intervals = LeaderAndData();
  uint32_t seed = 7;
  for (int i = 0; i < 2000; ++i) intervals.push_back(8 + NoiseByte(seed) % 72);
  const std::vector<int> next = LeaderAndData();
  intervals.insert(intervals.end(), next.begin(), next.end());
  const std::string bits = Bits(SquareWave(intervals));
  const size_t first = bits.find(kData), second = bits.rfind(kData);
  ASSERT_NE(first, std::string::npos);
  ASSERT_GT(second, first);
  EXPECT_LT(second - first, kData.size() + 4 + 100 + 200);  // the zeros after it, the hiss, the next leader
}

TEST(AdaptiveCells, IntegratingReadsCellsThatHissBuriesEdgeByEdge) {
  // The data at +-40 under hiss of up to +-70.
  std::vector<uint8_t> samples = SquareWave(LeaderAndData());
  uint32_t seed = 1;
  for (uint8_t& s : samples) {
    const int hiss = NoiseByte(seed) * 140 / 255 - 70;
    s = static_cast<uint8_t>(std::clamp(128 + (s - 128) * 2 / 3 + hiss, 0, 255));
  }
  const std::string summed = Bits(samples, true);
  ASSERT_NE(summed.find(kData), std::string::npos);
  EXPECT_EQ(summed.find('1'), summed.find(kData) + 1);  // the leader's zeros before it, and nothing else
  EXPECT_EQ(Bits(samples).find(kData), std::string::npos);
}

TEST(AdaptiveCells, IntegratingReadsACellWhoseHalfATickTipsOver) {
  // In the sixth cell of the data (a 0), ten samples of its second half lie
  // on the other side: that half's sum tips over the middle line, as if
  // the cell changed side in its middle. The first half of the cell after
  // it, whole, shows which side the signal left at the boundary.
  std::vector<uint8_t> samples = SquareWave(LeaderAndData());
  const size_t tick = 200 * 32 + 5 * 32 + 20;
  for (size_t i = tick; i < tick + 10; ++i) samples[i] = static_cast<uint8_t>(256 - samples[i]);
  EXPECT_NE(Bits(samples, true).find(kData), std::string::npos);
}

TEST(AdaptiveCells, IntegratingTakesBitsAcrossADropoutForGuesses) {
  // A dropout of ten cells that rests a little off the middle line: its
  // half sums are small but all alike, so no change between them says
  // anything. Every bit given for it counts as a guess; the leader's do not.
  std::vector<uint8_t> samples = SquareWave(std::vector<int>(200, 32));
  const size_t dropoutStart = samples.size();
  samples.insert(samples.end(), 10 * 32, 135);
  const std::vector<uint8_t> after = SquareWave(std::vector<int>(40, 32));
  samples.insert(samples.end(), after.begin(), after.end());
  AdaptiveCells cells;
  cells.SetIntegrating(true);
  size_t at = 0, guessedInside = 0, guessedOutside = 0;
  while (at < samples.size()) {
    size_t used = 0;
    const AdaptiveCells::Event event = cells.Process(std::span(samples).subspan(at), used);
    at += used;
    if (event != AdaptiveCells::Event::Zero && event != AdaptiveCells::Event::One) continue;
    const bool inside = at > dropoutStart + 32 && at <= dropoutStart + 11 * 32;  // given a cell late
    if (cells.LastCellWeak()) ++(inside ? guessedInside : guessedOutside);
  }
  EXPECT_GE(guessedInside, 9u);
  EXPECT_LE(guessedOutside, 2u);  // the cells beside it
}

TEST(AdaptiveCells, IntegratingKeepsInStepAcrossADropoutOfHiss) {
  // Thirty cells of hiss of +-24 between the leader and the data: nothing
  // in them says where the cells lie, so the flywheel runs on as it was,
  // whatever the hiss.
  const std::vector<uint8_t> data = SquareWave(Cells("0000" + kData + kData + "0000", 32));
  for (uint32_t seed = 1; seed <= 10; ++seed) {
    std::vector<uint8_t> samples = SquareWave(std::vector<int>(200, 32));
    for (uint32_t i = 0, noise = seed; i < 30 * 32; ++i)
      samples.push_back(static_cast<uint8_t>(128 + NoiseByte(noise) * 49 / 256 - 24));
    samples.insert(samples.end(), data.begin(), data.end());
    EXPECT_NE(Bits(samples, true).find(kData + kData), std::string::npos) << "hiss " << seed;
  }
}

TEST(AdaptiveCells, IntegratingLocksAgainWithinAByteAfterAMove) {
  // A search that goes back moves the reading, here into a 1: the
  // flywheel's phase is lost, not the cell length. A byte of whole cells
  // gives the phase back (a block's gap is 64).
  AdaptiveCells cells;
  cells.SetIntegrating(true);
  Read(cells, SquareWave(std::vector<int>(200, 32)), false);
  cells.Restart();
  const std::vector<uint8_t> moved = SquareWave(Cells("10000000000" + kData + "0000", 32));
  const std::string after = Read(cells, moved, false);
  EXPECT_NE(after.find(kData), std::string::npos) << after;
  // Where the signal went away instead, the next bits need a leader's run
  // of whole cells again: a byte of them in hiss is no file.
  Read(cells, std::vector<uint8_t>(60 * 32, 128), false);
  EXPECT_EQ(Read(cells, moved).find(kData), std::string::npos);
}

TEST(AdaptiveCells, ReadsA1WhoseClosingChangeStaysUnderTheMargin) {
  // Cells through a deck's high-pass: a 0 rests at +-12 and rises to a
  // spike of +-50 only near its end, so the change that starts it stays
  // under the margin; a 1's halves swing fully. After a 1, only the spike
  // of the 0 shows where the 1 ended.
  const std::string data = std::string(300, '0') + kData + "0000";
  std::vector<uint8_t> samples;
  int side = 1;
  for (const char bit : data) {
    for (int i = 0; i < 32; ++i) {
      const bool secondHalfOfOne = bit == '1' && i >= 16;
      const int level = bit == '1' ? 50 : (i >= 24 && i < 29 ? 50 : 12);
      samples.push_back(static_cast<uint8_t>(128 + (secondHalfOfOne ? -side : side) * level));
    }
    side = bit == '1' ? side : -side;
  }
  EXPECT_NE(Bits(samples).find(kData), std::string::npos);
  EXPECT_EQ(Bits(samples, false, false).find(kData), std::string::npos);
}

}  // namespace
}  // namespace sonatap
