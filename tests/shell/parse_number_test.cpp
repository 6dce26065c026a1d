#include "format/parse_number.h"

#include <gtest/gtest.h>

namespace sonatap {
namespace {

TEST(ParseNumber, PrefixesDigitsAndWrap) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"%11111111", 255}, {"%00000001", 1}, {"%", 0},       {"$C0", 192},     {"$c0", 192},
      {"  $C0  ", 192},   {"$0041", 65},    {"$00FFFF", 65535}, {"&HFF", 255}, {"0XFF", 255},
      {"&B101", 5},       {"&O17", 15},     {"&017", 15},   {"\\17", 15},     {"123", 123},
      {"12A", 12},        {"-5", 0},        {"%102", 2},    {"$FFFFFFFFF", -1}, {"1:", 13},
      {"", 0},            {"$", 0},         {"$G1", 0},     {"&h10", 16},     {"%1@", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseNumber(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace sonatap
