#pragma once
// What the core asks of the user. The desktop program answers with real
// dialogs; tests answer from a script.
#include <string>

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
};

// A small window with a progress bar ("Saving Wav", "Auto Volume").
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void Open(const std::string& caption, int maximum) = 0;
  virtual void SetValue(int value) = 0;
  virtual void Close() = 0;
};

// For callers that show no progress.
class NoProgress final : public ProgressWindow {
 public:
  void Open(const std::string&, int) override {}
  void SetValue(int) override {}
  void Close() override {}
};

}  // namespace sonatap
