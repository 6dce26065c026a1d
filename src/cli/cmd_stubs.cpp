#include "cli/cli_args.h"
#include "cli/commands.h"

namespace sonatap::cli {
int RunDecode(const std::vector<std::string>&) { throw UsageError("decode is not built yet"); }
int RunRebuild(const std::vector<std::string>&) { throw UsageError("rebuild is not built yet"); }
}  // namespace sonatap::cli
