#include <filesystem>
#include <memory>

#include "cli/batch_output.h"
#include "cli/cli_args.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "app/debug_records_text.h"
#include "engine/input_file.h"
#include "app/session.h"
#include "app/store_fiad.h"

namespace sonatap::cli {

// A debug records text (perhaps corrected in an editor) back into a FIAD,
// as "Store FIAD" of the debugger window makes it.
int RunRebuild(const std::vector<std::string>& words) {
  const Args args(words, {"count", "name", "out"}, {});
  if (args.Positional().size() != 1) throw UsageError("rebuild needs one debug records FILE");
  if (!args.Has("count")) throw UsageError("rebuild needs --count N");
  if (!args.Has("name")) throw UsageError("rebuild needs --name NAME");
  const int count = args.Integer("count", 1, DebugStore::kRows, 0);
  const std::string name = *args.Value("name");
  CheckFiadName(name);
  const std::filesystem::path outDir = OutFolder(args.Value("out"));

  auto session = Session::Create();
  if (!ImportDebugRecordsFile(session->debug, args.Positional()[0])) return Fail(kAccessErrorText, 2);
  session->debug.count = count;
  BatchPrompts prompts(name);
  const int slot = StoreAccumulatedFiad(*session, prompts).slot;
  if (slot == 0) return 1;  // more records than a FIAD holds; the message is out
  return WriteFiadFile(session->fiads.Slot(slot), (outDir / (name + ".fiad")).string()) ? 0 : 1;
}

}  // namespace sonatap::cli
