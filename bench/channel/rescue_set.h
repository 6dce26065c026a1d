#pragma once
// The rescue table: every case of the plain table, harsher tapes, worn
// sides and a long side of twelve files, each rescued by sonatap-cli
// (`decode FILE --rescue --report`) and scored record by record.
#include <filesystem>
#include <vector>

#include "channel/channel_setup.h"

namespace sonatap::channel {

// Prints the table; false when a recording could not be made.
bool RescueTable(const Options& o, const std::filesystem::path& dir, const std::vector<Source>& sources);

}  // namespace sonatap::channel
