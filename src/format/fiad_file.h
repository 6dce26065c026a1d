#pragma once
// The rules by which a host file is taken as a FIAD file.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sonatap {

// The leading run of the first (at most 10) bytes while each is 0x07 or
// printable (0x21..0x7E). For a FIAD it is the image's name: a space ends it.
std::string ProbeString(std::span<const uint8_t> firstBytes);

// The record count of a file of `length` bytes whose first bytes are
// `header` (bytes past its end read as 0), when it passes the TIFILES test
// or else the 128-byte test; nothing when it passes neither.
std::optional<int> FiadRecordCount(std::string_view probe, std::span<const uint8_t> header, uint64_t length);

}  // namespace sonatap
