#pragma once
// What decode and rebuild share: the answers a batch run gives in place of
// the user, and the writing of stored FIADs and debug records.
#include <filesystem>
#include <optional>
#include <string>

#include "app/fiad_list.h"
#include "app/silent_views.h"

namespace sonatap::cli {

// Answers the name prompt with the chosen name; messages go to stderr.
class BatchPrompts final : public NamingPrompts {
 public:
  using NamingPrompts::NamingPrompts;
  void ShowMessage(const std::string& caption, const std::string& text) override;
};

// A FIAD name (1..10 characters) that is also safe as a file name; throws UsageError.
void CheckFiadName(const std::string& name);

// The folder --out names (the working folder by default). A decode may run
// for minutes before it writes: a folder that is not there is refused at
// once (UsageError), not after the run with every file lost.
std::filesystem::path OutFolder(const std::optional<std::string>& out);
// The same for the folder of a file an option names ("-" is stdout), which
// must not be a folder itself; `label` starts the refusal ("--report").
void CheckFileFolder(const std::string& label, const std::optional<std::string>& path);

// A file the run writes must not be the recording it reads, which would be
// replaced by what the run makes: `refusal` as a UsageError when it is.
void CheckNotRecording(const std::optional<std::string>& path, const std::string& recording,
                       const std::string& refusal);

// `path` with "-N" before its extension for the second and later files of a
// recording: tape.fiad, tape-2.fiad, ...
std::filesystem::path NumberedPath(const std::filesystem::path& path, int number);

// Writes the bytes a FIAD save writes, whole or not at all; tells stderr.
bool WriteFiadFile(const FiadSlot& slot, const std::string& path);
bool WriteTextFile(const std::string& text, const std::string& path);

}  // namespace sonatap::cli
