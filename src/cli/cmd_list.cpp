#include <iostream>
#include <memory>
#include <stdexcept>

#include "app/program_facts.h"
#include "cli/cli_args.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "app/fiad_list.h"
#include "engine/input_file.h"

namespace sonatap::cli {
namespace {

// The list is fresh and holds one image, so its name is never taken and the
// list never full: nothing here is ever asked.
class NoQuestions final : public UserPrompts {
 public:
  void ShowMessage(const std::string&, const std::string&) override {}
  bool AskYesNo(const std::string&, const std::string&) override { throw Unexpected(); }
  std::string AskText(const std::string&, const std::string&, const std::string&) override { throw Unexpected(); }
  std::string ChooseOpenFile(const FileDialog&) override { throw Unexpected(); }
  std::string ChooseSaveFile(const FileDialog&) override { throw Unexpected(); }
  SaveFileType ChooseFileType() override { throw Unexpected(); }

 private:
  static std::logic_error Unexpected() { return std::logic_error("list asked a question of the user"); }
};

void PrintLine(const std::string& line) {
  std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
  std::cout.put('\n');
}

}  // namespace

int RunList(const std::vector<std::string>& words) {
  const Args args(words, {}, {"show-records"});
  if (args.Positional().size() != 1) throw UsageError("list needs one FILE");

  auto list = std::make_unique<FiadList>();
  FiadSlot& staging = list->Staging();
  const InputFile input = ReadInputFile(args.Positional()[0], staging.image);
  if (input.kind == InputKind::Unreadable) return Fail(kAccessErrorText, 2);
  if (input.kind == InputKind::Wav) return Fail("This is a WAV recording, not a FIAD file.", 2);
  if (input.kind == InputKind::Refused) return Fail(kRefusalText, 2);

  // Listed as the desktop program lists it: loaded into the FIAD list, then
  // found again through the name of its list entry.
  staging.recordCount = input.recordCount;
  NoQuestions prompts;
  if (AddToFiadList(*list, input.probe, prompts).slot == 0) return Fail("The FIAD could not be stored.", 1);
  auto programImage = std::make_unique<ProgramImage>();
  const auto listing = ShowBasicListing(*list, list->Entries().front(), *programImage, args.Has("show-records"));
  if (!listing) return Fail("The FIAD could not be found by its name.", 1);

  // Line by line rather than through ToUnixLines: the label and the strings
  // are the image's bytes, CR LF pairs among them included.
  for (const std::string& line : listing->factsLines) PrintLine(line);
  PrintLine("");
  for (const std::string& line : listing->sourceLines) PrintLine(line);
  std::cout.flush();
  return 0;
}

}  // namespace sonatap::cli
