#pragma once
// One side of a cassette as a user fills it: twelve tape files of every size
// saved one after the other, about 30 minutes with the gaps between them.
#include <filesystem>
#include <string>
#include <vector>

#include "channel/channel_setup.h"

namespace sonatap::channel {

struct LongSide {
  Side side;
  std::vector<Source> files;  // in the order they are on the side
};

// Five corpus files and seven made with `rebuild` from seeded bytes, each
// encoded by the CLI into `dir`; false (with a message) on failure.
bool MakeLongSide(const Options& o, const std::filesystem::path& dir, LongSide& out);

// The side as a sound card records it from a good deck: 16-bit stereo at
// 48 kHz, one channel dead, a little fast, with faint hiss (which a gain
// that follows fades lifts between the files).
Impairments SoundCardSide();

// The side's records that `dropouts` hit, as (file, record) from 0 and 1.
std::vector<std::pair<int, int>> HitRecords(const Side& side, const std::vector<Dropout>& dropouts);

}  // namespace sonatap::channel
