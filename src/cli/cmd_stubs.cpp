#include "cli/cli_args.h"
#include "cli/commands.h"

namespace sonatap::cli {
int RunRebuild(const std::vector<std::string>&) { throw UsageError("rebuild is not built yet"); }
}  // namespace sonatap::cli
