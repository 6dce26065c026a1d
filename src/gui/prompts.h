#pragma once
// The core's questions to the user, answered with real dialogs.
#include <QDialog>
#include <QPointer>
#include <functional>

#include "app/user_prompts.h"

class QProgressBar;
class QRadioButton;

namespace sonatap::gui {

// "Label | *.ext|Label | *.*" as Qt's name filters; "*.*" matches every file.
QStringList NameFilters(const std::string& filter);

class QtPrompts final : public UserPrompts {
 public:
  // `beforeDialog` brings the screen up to date, so that the user sees
  // everything written so far before answering.
  QtPrompts(QWidget* parent, std::function<void()> beforeDialog = {})
      : parent_(parent), beforeDialog_(std::move(beforeDialog)) {}
  void ShowMessage(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::string AskText(const std::string& caption, const std::string& message,
                      const std::string& defaultText) override;
  std::string ChooseOpenFile(const FileDialog& dialog) override;
  std::string ChooseSaveFile(const FileDialog& dialog) override;
  SaveFileType ChooseFileType() override;

 private:
  QWidget* Parent() const;
  QWidget* parent_;
  std::function<void()> beforeDialog_;
};

// "Sonatap - File Type?": two options and OK, the only way out.
class FileTypeDialog final : public QDialog {
 public:
  explicit FileTypeDialog(QWidget* parent);
  SaveFileType Choice() const;

 protected:
  void reject() override {}  // no Escape, no close box

 private:
  QRadioButton* fiad_;
  QRadioButton* wav_;
};

// "Saving Wav" and "Auto Volume": a bar and the word "Progress", no close box.
class QtProgressWindow final : public ProgressWindow {
 public:
  explicit QtProgressWindow(QWidget* parent) : parent_(parent) {}
  ~QtProgressWindow() override;
  void Open(const std::string& caption, int maximum) override;
  void SetValue(int value) override;
  void Close() override;
  QDialog* Window() const { return window_; }

 private:
  QWidget* parent_;
  QPointer<QDialog> window_;
  QProgressBar* bar_ = nullptr;
};

}  // namespace sonatap::gui
