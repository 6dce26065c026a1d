#pragma once
#include <cstdint>
#include <string_view>

namespace sonatap {

// Turns a digit text with an optional radix prefix ("$", "%", "\", "&B",
// "&O", "&0", "&H", "0X") into a 32-bit number. Never fails: text that holds
// no number gives 0. There is no sign. Digits are char - 48, less a further 7
// above 9, so ':' counts as 3 and '@' as 9 wherever that is below the radix.
// Overflow wraps in 32 bits.
int32_t ParseNumber(std::string_view text);

}  // namespace sonatap
