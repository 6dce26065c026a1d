#pragma once
#include <string>
#include <vector>

#include "engine/conditioner.h"

namespace sonatap::cli {

// Each subcommand takes the words after its name and returns the exit status:
// 0 success, 1 the job could not be done, 2 usage error or refused input.
int RunEncode(const std::vector<std::string>& words);
int RunDecode(const std::vector<std::string>& words);
int RunList(const std::vector<std::string>& words);
int RunRebuild(const std::vector<std::string>& words);
int RunCondition(const std::vector<std::string>& words);
int RunPlay(const std::vector<std::string>& words);     // cmd_live.cpp
int RunRecord(const std::vector<std::string>& words);
int RunDevices(const std::vector<std::string>& words);

class Args;
// --channel left|right|auto|N, for every command that conditions.
ConditionOptions ConditionOptionsFrom(const Args& args);
// The message and exit status of a recording that could not be conditioned.
int ConditionFailure(const ConditionOutcome& outcome);

// Names accepted for the two method options, in method order.
extern const std::vector<std::string> kRecognitionNames;
extern const std::vector<std::string> kDetectionNames;

}  // namespace sonatap::cli
