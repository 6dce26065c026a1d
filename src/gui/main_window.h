#pragma once
// "Sonatap 0.95b": the menus and gadgets of the main window. Every menu item
// and gadget goes to MainWindowLogic::Handle with its number; the window
// itself only carries out what the logic and the run ask of it.
#include <QMainWindow>
#include <QPointer>
#include <chrono>
#include <map>
#include <memory>

#include "gui/prompts.h"
#include "gui/run_windows.h"
#include "app/main_window_logic.h"
#include "live/audio_io.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace sonatap::gui {

class MainWindow : public QMainWindow, public MainWindowPorts, public RunView {
 public:
  MainWindow();
  ~MainWindow() override;

  Session& State() { return *session_; }
  QAction* MenuItem(int number) const { return menuItems_.at(number); }
  QWidget* Gadget(int number) const { return gadgets_.at(number); }
  StatusWindow* Status() const { return status_; }
  GfxWindow* Gfx() const { return gfx_; }
  bool Running() const { return running_; }
  // How often a run brings the screen up to date and lets events in.
  void SetScreenPeriod(std::chrono::milliseconds period) { screenPeriod_ = period; }

  // MainView
  void SetWavName(const std::string& name) override;
  void ShowMonitor(const std::string& text) override;
  void SetProgress(int percent) override;
  void RefreshFiadList() override;
  void FocusFiadList() override;
  // MainWindowPorts
  UserPrompts& Prompts() override { return prompts_; }
  RunView& ConversionView() override { return *this; }
  ProgressWindow& VolumeProgress() override { return volumeProgress_; }
  ProgressWindow& SaveProgress() override { return saveProgress_; }
  ProgressWindow& ImportProgress() override { return importProgress_; }
  int SelectedRow() const override;
  bool StartPressed() const override;
  void ReleaseStart() override;
  bool DebugTicked() const override;
  void ApplyEnabled(const EnabledStates& states) override;
  void RunTuningDialog() override;
  void RunOptionsDialog() override;
  void ShowListing(const BasicListing& listing) override;
  void OpenDocument(const std::string& name) override;
  void PlayToTi(const std::string& name) override;            // live_windows.cpp
  std::string RecordFromTape(TempFolder& folder) override;  // live_windows.cpp
  // The sound devices the File menu's Play and Record use (tests give a fake).
  void UseAudioSystem(std::unique_ptr<live::AudioSystem> audio) { audio_ = std::move(audio); }
  // RunView
  void LockInterface() override;
  void UnlockInterface() override;
  RunControls Poll() override;
  void ReleaseStop() override;
  void OpenStatus() override;
  void UpdateStatus(const StatusFields& fields) override;
  void CloseStatus() override;
  void OpenGfx() override;
  void ShowGfx(const RasterImage& picture) override;
  void CloseGfx() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildGadgets();
  void Dispatch(MainEvent event);
  void EndProgram();
  QToolButton* ImageButton(int number, const QPixmap& picture, QRect place, const char* tooltip);

  // The debugger window, opened at the end of a gathering scan (with the
  // recording open) and from Project > "Debug".
  class Debugger final : public DebuggerWindow {
   public:
    explicit Debugger(MainWindow& window) : window_(window) {}
    bool Run() override;

   private:
    MainWindow& window_;
  };

  std::unique_ptr<Session> session_;
  live::AudioSystem& Audio();
  std::unique_ptr<live::AudioSystem> audio_;  // opened at the first Play or Record
  QtPrompts prompts_;
  Debugger debugger_{*this};
  QtProgressWindow volumeProgress_, saveProgress_, importProgress_;
  MainWindowLogic logic_;
  std::map<int, QAction*> menuItems_;
  std::map<int, QWidget*> gadgets_;
  QLineEdit* wavName_ = nullptr;
  QListWidget* fiadList_ = nullptr;
  QPushButton* start_ = nullptr;
  QCheckBox *debug_ = nullptr, *status_box_ = nullptr, *monitor_box_ = nullptr;
  QPlainTextEdit* monitor_ = nullptr;
  QProgressBar* progress_ = nullptr;
  // During a run the screen (Monitor, progress bar, Status and GFX windows)
  // is brought up to date, and window events let in, at most once per
  // screenPeriod_: the run refreshes its view many thousand times a second,
  // far more often than anyone can see, and a repaint costs more than 701
  // samples of decoding. A Stop click is still seen at the refresh that
  // follows its delivery.
  std::chrono::milliseconds screenPeriod_{40};
  bool ScreenDue();
  void FlushScreen();
  std::chrono::steady_clock::time_point lastScreen_{};
  std::string pendingMonitor_, shownMonitor_;
  void SetMonitorText(const std::string& text);
  bool monitorPending_ = false;
  int pendingProgress_ = -1;
  StatusFields pendingStatus_;
  const RasterImage* pendingGfx_ = nullptr;

  QPointer<StatusWindow> status_;
  QPointer<GfxWindow> gfx_;
  bool running_ = false;
  bool ending_ = false;
};

}  // namespace sonatap::gui
