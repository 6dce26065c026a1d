#include "format/parse_number.h"

#include <array>

namespace sonatap {
namespace {

struct RadixPrefix {
  std::string_view prefix;
  uint32_t radix;
};

// First match wins; anything else is decimal from the first character.
constexpr std::array<RadixPrefix, 8> kPrefixes{{
    {"$", 16}, {"%", 2}, {"\\", 8}, {"&B", 2}, {"&O", 8}, {"&0", 8}, {"&H", 16}, {"0X", 16},
}};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

}  // namespace

int32_t ParseNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);

  uint32_t radix = 10;
  size_t first = 0;
  for (const auto& p : kPrefixes) {
    if (text.size() < p.prefix.size()) continue;
    bool match = true;
    for (size_t i = 0; i < p.prefix.size(); ++i) match = match && Upper(text[i]) == p.prefix[i];
    if (match) {
      radix = p.radix;
      first = p.prefix.size();
      break;
    }
  }

  uint32_t value = 0;  // unsigned arithmetic gives the 32-bit wrap without overflow UB
  for (size_t i = first; i < text.size(); ++i) {
    int digit = static_cast<unsigned char>(Upper(text[i])) - 48;
    if (digit > 9) digit -= 7;
    if (digit < 0 || static_cast<uint32_t>(digit) >= radix) break;
    value = value * radix + static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);
}

}  // namespace sonatap
