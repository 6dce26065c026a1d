#pragma once
// What the core asks of the user. The desktop program answers with real
// dialogs; tests answer from a script.
#include <optional>
#include <string>

#include "engine/progress.h"

namespace sonatap {

struct FileDialog {
  std::string title;
  std::string filter;      // "Label | *.ext|Label | *.*" pairs, as the dialogs show them
  int selectedFilter = 1;  // 1-based
};

enum class SaveFileType { Fiad, Wav };

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  // A message box with an OK button.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
  // A Yes/No message box; true for Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // A one-line input prompt with one OK button; returns the text entered.
  virtual std::string AskText(const std::string& caption, const std::string& message,
                              const std::string& defaultText) = 0;
  // File dialogs return the chosen path, or "" when cancelled. No overwrite question.
  virtual std::string ChooseOpenFile(const FileDialog& dialog) = 0;
  virtual std::string ChooseSaveFile(const FileDialog& dialog) = 0;
  // The "Sonatap - File Type?" window: left only through its OK button.
  virtual SaveFileType ChooseFileType() = 0;

  // The name of a FIAD to store: first for a decoded file, then again while
  // the name is taken. The user is asked (AskText) until the answer has 1 to
  // 10 characters; prompts that answer for nobody may decline (nullopt), and
  // the FIAD is then not stored.
  virtual std::optional<std::string> AskFiadName(const std::string& caption, const std::string& message,
                                                 const std::string& defaultText);
  virtual std::optional<std::string> AskNewFiadName(const std::string& caption, const std::string& message,
                                                    const std::string& takenName) {
    return AskFiadName(caption, message, takenName);
  }
};

}  // namespace sonatap
