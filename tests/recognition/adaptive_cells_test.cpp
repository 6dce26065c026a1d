// The Adaptive method's margin: where a tall bump sets the peaks, changes
// that stop a little short of the usual margin are read only when asked.
#include <gtest/gtest.h>

#include <vector>

#include "engine/adaptive_cells.h"

namespace sonatap {
namespace {

// Whole cells of 32 samples at +-18 about the middle line, each with a
// one-sample bump to +-50 on its own side, somewhere in its middle: the
// peaks make a swing of 100, so the changes reach 0.18 of it, and the bumps
// come at no steady pace.
std::vector<uint8_t> BumpyLeader(int cells) {
  std::vector<uint8_t> samples;
  for (int c = 0; c < cells; ++c) {
    const int side = c % 2 ? -1 : 1;
    const int bump = 8 + c * 7 % 17;
    for (int i = 0; i < 32; ++i) samples.push_back(static_cast<uint8_t>(128 + side * (i == bump ? 50 : 18)));
  }
  return samples;
}

int ZerosRead(bool sensitive) {
  AdaptiveCells cells;
  cells.SetSensitive(sensitive);
  const std::vector<uint8_t> samples = BumpyLeader(200);
  int zeros = 0;
  for (std::span<const uint8_t> rest = samples; !rest.empty();) {
    size_t used = 0;
    zeros += cells.Process(rest, used) == AdaptiveCells::Event::Zero;
    rest = rest.subspan(used);
  }
  return zeros;
}

TEST(AdaptiveCells, ChangesShortOfTheMarginAreReadOnlyWhenSensitive) {
  EXPECT_EQ(ZerosRead(false), 0);
  EXPECT_GE(ZerosRead(true), 150);  // all but the leader the lock learns from
}

}  // namespace
}  // namespace sonatap
