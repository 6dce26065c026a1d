#pragma once
// What decode and rebuild share: the answers a batch run gives in place of
// the user, and the writing of stored FIADs and debug records.
#include <filesystem>
#include <string>

#include "fiad/fiad_list.h"
#include "platform/user_prompts.h"

namespace sonatap::cli {

// Answers the name prompt with the chosen name; messages go to stderr.
class BatchPrompts final : public UserPrompts {
 public:
  explicit BatchPrompts(std::string name) : name_(std::move(name)) {}
  void ShowMessage(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  std::string AskText(const std::string&, const std::string&, const std::string&) override { return name_; }
  std::string ChooseOpenFile(const FileDialog&) override { return ""; }
  std::string ChooseSaveFile(const FileDialog&) override { return ""; }
  SaveFileType ChooseFileType() override { return SaveFileType::Fiad; }

 private:
  std::string name_;
};

// A FIAD name (1..10 characters) that is also safe as a file name; throws UsageError.
void CheckFiadName(const std::string& name);

// `path` with "-N" before its extension for the second and later files of a
// recording: tape.fiad, tape-2.fiad, ...
std::filesystem::path NumberedPath(const std::filesystem::path& path, int number);

// Writes the bytes a FIAD save writes, whole or not at all; tells stderr.
bool WriteFiadFile(const FiadSlot& slot, const std::string& path);
bool WriteTextFile(const std::string& text, const std::string& path);

}  // namespace sonatap::cli
