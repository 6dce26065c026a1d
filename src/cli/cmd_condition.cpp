#include <iostream>

#include "engine/conditioner.h"
#include "cli/batch_output.h"
#include "cli/cli_args.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "engine/input_file.h"

namespace sonatap::cli {

ConditionOptions ConditionOptionsFrom(const Args& args) {
  ConditionOptions options;
  if (auto channel = args.Value("channel")) {
    options.channel = ParseChannelChoice(*channel);
    if (options.channel < 0) throw UsageError("--channel must be left, right, auto or a channel number");
  }
  return options;
}

int ConditionFailure(const ConditionOutcome& outcome) {
  if (outcome.notAudio) return Fail(kRefusalText, 2);
  return Fail(outcome.error, outcome.outputFailed ? 1 : 2);
}

int RunCondition(const std::vector<std::string>& words) {
  const Args args(words, {"channel"}, {});
  if (args.Positional().size() != 2) throw UsageError("condition needs IN and OUT");
  const std::string& in = args.Positional()[0];
  const std::string& out = args.Positional()[1];
  CheckNotRecording(out, in, "condition: OUT is the recording IN itself");
  CheckFileFolder("condition", out);
  NoProgress quiet;
  const ConditionOutcome outcome = ConditionRecording(in, out, ConditionOptionsFrom(args), quiet);
  if (!outcome.ok) return ConditionFailure(outcome);
  std::cerr << outcome.summary << "\n";
  return 0;
}

}  // namespace sonatap::cli
