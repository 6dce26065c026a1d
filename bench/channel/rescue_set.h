#pragma once
// The rescue table: every case of the plain table, harsher tapes, worn
// sides and a long side of twelve files, each rescued by sonatap-cli
// (`decode FILE --rescue --report`) and scored record by record.
#include <filesystem>
#include <vector>

#include "channel/channel_setup.h"
#include "channel/long_side.h"

namespace sonatap::channel {

// Prints the table; false when a recording could not be made.
// `side` is made when a case first needs it.
bool RescueTable(const Options& o, const std::filesystem::path& dir, const std::vector<Source>& sources,
                 LongSide& side);

}  // namespace sonatap::channel
