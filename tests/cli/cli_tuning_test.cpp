// The decode command's tuning options: --help states the ranges the parser
// takes, one past either end is refused.
#include <gtest/gtest.h>

#include "app/tuning_schema.h"
#include "cli/cli_test_util.h"

namespace sonatap {
namespace {

TEST(CliTuning, HelpStatesTheRangesTheParserTakes) {
  const std::string help = RunCli("--help").out;
  for (const TuningFieldInfo& f : kTuningFields) {
    const int low = f.low - f.shownOffset, high = f.high - f.shownOffset;
    const bool volume = std::string(f.option) == "volume";
    const std::string range = std::to_string(low) + ".." + std::to_string(high);
    EXPECT_NE(help.find(volume ? "--volume PLUS,MINUS (each " + range : "--" + std::string(f.option) + " " + range),
              std::string::npos)
        << f.option;
    for (int outside : {low - 1, high + 1}) {
      const std::string value = volume ? std::to_string(outside) + ",0" : std::to_string(outside);
      const CliResult r = RunCli("decode no-such.wav --" + std::string(f.option) + " " + value);
      EXPECT_EQ(r.status, 2) << f.option << " " << value;
      EXPECT_NE(r.err.find("must be a whole number from " + std::to_string(low) + " to " + std::to_string(high)),
                std::string::npos)
          << r.err;
    }
  }
}

}  // namespace
}  // namespace sonatap
