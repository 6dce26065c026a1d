#pragma once
// "Sonatap - Play to TI" and "Sonatap - Record from Tape": small modal
// windows over PlayLogic and RecordLogic. A play or a recording runs in the
// window's own loop, which lets window events in after every block.
#include <QDialog>
#include <QWidget>
#include <string>

#include "live/play_logic.h"
#include "live/record_logic.h"
#include "app/user_prompts.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace sonatap::gui {

// One bar per channel on the meter's -60..0 dB scale, with a marker at the
// level to aim for; red once a channel has reached full scale.
class LevelMeterBars final : public QWidget {
 public:
  LevelMeterBars(QWidget* parent, const live::LevelMeter& meter);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const live::LevelMeter& meter_;
};

class PlayWindow final : public QDialog {
 public:
  PlayWindow(QWidget* parent, live::PlayLogic& logic, const QString& name);

 protected:
  void reject() override;

 private:
  void Play();
  void Render();
  live::PlayLogic& logic_;
  QComboBox* device_ = nullptr;
  QLabel *time_ = nullptr, *outcome_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QSlider* volume_ = nullptr;
  QPushButton *play_ = nullptr, *stop_ = nullptr;
  bool closeWhenDone_ = false;
};

class RecordWindow final : public QDialog {
 public:
  // Records into `defaultPath` unless the user names a file.
  RecordWindow(QWidget* parent, live::RecordLogic& logic, UserPrompts& prompts, std::string defaultPath);
  // The file recorded, once the window was accepted.
  const std::string& Recorded() const { return recorded_; }

 protected:
  void reject() override;

 private:
  void Record();
  void Render();
  live::RecordLogic& logic_;
  UserPrompts& prompts_;
  std::string path_, recorded_;
  QComboBox* device_ = nullptr;
  QLineEdit* file_ = nullptr;
  LevelMeterBars* meter_ = nullptr;
  QLabel *advice_ = nullptr, *time_ = nullptr, *size_ = nullptr;
  QPushButton *choose_ = nullptr, *record_ = nullptr, *stop_ = nullptr;
  bool closeWhenDone_ = false;
};

}  // namespace sonatap::gui
