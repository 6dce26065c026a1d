#include "gui/live_windows.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/main_window.h"
#include "engine/wav_writer.h"

namespace sonatap::gui {
namespace {

QComboBox* DeviceChoice(QWidget* parent, const std::vector<std::string>& names, int chosen) {
  auto* box = new QComboBox(parent);
  for (const std::string& name : names) box->addItem(QString::fromStdString(name));
  box->setCurrentIndex(chosen);
  return box;
}

}  // namespace

LevelMeterBars::LevelMeterBars(QWidget* parent, const live::LevelMeter& meter) : QWidget(parent), meter_(meter) {
  setToolTip(QString("Peak level per channel, -60 to 0 dB; aim for peaks at the marker (%1 dB).")
                 .arg(static_cast<int>(live::kAimDb)));
}

QSize LevelMeterBars::sizeHint() const { return {260, 14 * meter_.Channels() + 4}; }

void LevelMeterBars::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int channels = meter_.Channels();
  const int barHeight = std::max(4, (height() - 4) / std::max(channels, 1) - 2);
  const int width = this->width() - 2;
  for (int c = 0; c < channels; ++c) {
    const QRect frame(1, 2 + c * (barHeight + 2), width, barHeight);
    painter.fillRect(frame, palette().base());
    const int filled = width * meter_.ShownPercent(c) / 100;
    const bool clipped = meter_.ClippedSamples(c) > 0;
    painter.fillRect(QRect(frame.left(), frame.top(), filled, barHeight), clipped ? QColor(200, 40, 40) : QColor(40, 160, 60));
    painter.setPen(palette().mid().color());
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
  }
  const int aim = 1 + width * live::BarPercent(live::kAimDb) / 100;
  painter.setPen(QPen(palette().text().color(), 2));
  painter.drawLine(aim, 0, aim, height());
}

PlayWindow::PlayWindow(QWidget* parent, live::PlayLogic& logic, const QString& name)
    : QDialog(parent), logic_(logic) {
  setWindowTitle(QString("Sonatap - Play to TI ") + name);
  auto* note = new QLabel(live::kLoadNote, this);
  note->setWordWrap(true);
  device_ = DeviceChoice(this, logic.DeviceNames(), logic.DefaultDevice());
  time_ = new QLabel(this);
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  volume_ = new QSlider(Qt::Horizontal, this);
  volume_->setRange(0, 100);
  volume_->setValue(logic.Volume());
  connect(volume_, &QSlider::valueChanged, this, [this](int value) { logic_.SetVolume(value); });
  outcome_ = new QLabel(this);
  outcome_->setWordWrap(true);
  play_ = new QPushButton("Play", this);
  stop_ = new QPushButton("Stop", this);
  auto* close = new QPushButton("Close", this);
  connect(play_, &QPushButton::clicked, this, [this] { Play(); });
  connect(stop_, &QPushButton::clicked, this, [this] { logic_.Stop(); });
  connect(close, &QPushButton::clicked, this, &PlayWindow::reject);

  auto* form = new QFormLayout;
  form->addRow("Output:", device_);
  form->addRow("Time:", time_);
  form->addRow("Volume:", volume_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(play_);
  buttons->addWidget(stop_);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addLayout(form);
  layout->addWidget(progress_);
  layout->addWidget(outcome_);
  layout->addLayout(buttons);
  setMinimumWidth(340);
  play_->setDefault(true);
  Render();
}

void PlayWindow::Render() {
  time_->setText(QString::fromStdString(logic_.TimeText()));
  progress_->setValue(logic_.Percent());
  play_->setEnabled(!logic_.Playing());
  device_->setEnabled(!logic_.Playing());
  stop_->setEnabled(logic_.Playing());
}

void PlayWindow::Play() {
  outcome_->clear();
  const std::string device = device_->currentText().toStdString();
  const live::PlayOutcome outcome = logic_.Play(device, [this] {
    Render();
    QCoreApplication::processEvents();
  });
  outcome_->setText(QString::fromStdString(outcome.message).replace("\r\n", "\n"));
  Render();
  if (closeWhenDone_) QDialog::reject();
}

void PlayWindow::reject() {
  if (logic_.Playing()) {  // the play loop ends at its next block and closes the window
    logic_.Stop();
    closeWhenDone_ = true;
    return;
  }
  QDialog::reject();
}

RecordWindow::RecordWindow(QWidget* parent, live::RecordLogic& logic, UserPrompts& prompts, std::string defaultPath)
    : QDialog(parent), logic_(logic), prompts_(prompts), path_(std::move(defaultPath)) {
  setWindowTitle("Sonatap - Record from Tape");
  auto* note = new QLabel(
      "Connect the tape deck's earphone or line output to the input chosen here. Play the loudest part of "
      "the tape and set the deck's volume so that the peaks reach the marker, never the right end.",
      this);
  note->setWordWrap(true);
  device_ = DeviceChoice(this, logic.DeviceNames(), logic.DefaultDevice());
  file_ = new QLineEdit("(temporary file)", this);
  file_->setReadOnly(true);
  file_->setFocusPolicy(Qt::NoFocus);
  choose_ = new QPushButton("Save As...", this);
  connect(choose_, &QPushButton::clicked, this, [this] {
    const std::string chosen =
        prompts_.ChooseSaveFile({"Sonatap - Save Recording", "Wav File | *.wav|All Files | *.*", 1});
    if (chosen.empty()) return;
    path_ = WavFileName(chosen);
    file_->setText(QString::fromStdString(path_));
  });
  meter_ = new LevelMeterBars(this, logic.Meter());
  meter_->setMinimumHeight(34);
  advice_ = new QLabel(this);
  time_ = new QLabel(this);
  size_ = new QLabel(this);
  record_ = new QPushButton("Record", this);
  stop_ = new QPushButton("Stop", this);
  auto* cancel = new QPushButton("Cancel", this);
  connect(record_, &QPushButton::clicked, this, [this] { Record(); });
  connect(stop_, &QPushButton::clicked, this, [this] { logic_.Stop(); });
  connect(cancel, &QPushButton::clicked, this, &RecordWindow::reject);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_);
  fileRow->addWidget(choose_);
  auto* form = new QFormLayout;
  form->addRow("Input:", device_);
  form->addRow("File:", fileRow);
  form->addRow("Level:", meter_);
  form->addRow("", advice_);
  form->addRow("Time:", time_);
  form->addRow("Written:", size_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(record_);
  buttons->addWidget(stop_);
  buttons->addStretch();
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setMinimumWidth(380);
  record_->setDefault(true);
  Render();
}

void RecordWindow::Render() {
  const bool recording = logic_.Recording();
  meter_->update();
  advice_->setText(QString::fromStdString(logic_.Meter().Advice()));
  time_->setText(QString::fromStdString(logic_.TimeText()));
  size_->setText(QString::fromStdString(logic_.SizeWrittenText()));
  for (QWidget* w : std::initializer_list<QWidget*>{record_, device_, choose_}) w->setEnabled(!recording);
  stop_->setEnabled(recording);
}

void RecordWindow::Record() {
  if (path_.empty()) {
    prompts_.ShowMessage(live::kAudioCaption, "There is no folder to record into; choose a file with Save As.");
    return;
  }
  const live::RecordOutcome outcome = logic_.Record(device_->currentText().toStdString(), path_, 0, [this] {
    Render();
    QCoreApplication::processEvents();
  });
  Render();
  if (outcome.end == live::RecordEnd::DeviceLost || !outcome.Kept())
    prompts_.ShowMessage(live::kAudioCaption, outcome.message);
  if (outcome.Kept() && outcome.frames > 0) {
    recorded_ = path_;
    QDialog::accept();
  } else if (closeWhenDone_) {
    QDialog::reject();
  }
}

void RecordWindow::reject() {
  if (logic_.Recording()) {  // Cancel while recording: stop, and keep the recording
    logic_.Stop();
    return;
  }
  QDialog::reject();
}

// The File menu's live audio items (declared in main_window.h).
live::AudioSystem& MainWindow::Audio() {
  if (!audio_) audio_ = live::OpenAudioSystem();  // at first use: start-up never waits on the sound system
  return *audio_;
}

void MainWindow::PlayToTi(const std::string& name) {
  const int slot = session_->fiads.FindSlot(name);
  if (slot == 0) return;
  live::PlayLogic logic(Audio());
  if (const std::string none = logic.NoDeviceText(); !none.empty()) {
    prompts_.ShowMessage(live::kAudioCaption, none);
    return;
  }
  if (const std::string problem =
          logic.UseFiad(session_->fiads.Slot(slot).image, HeaderKindOf(name), session_->shapes.set);
      !problem.empty()) {
    prompts_.ShowMessage("Sonatap - Error", problem);
    return;
  }
  PlayWindow window(this, logic, QString::fromStdString(name));
  window.exec();
  FocusFiadList();
}

std::string MainWindow::RecordFromTape(TempFolder& folder) {
  live::RecordLogic logic(Audio());
  if (const std::string none = logic.NoDeviceText(); !none.empty()) {
    prompts_.ShowMessage(live::kAudioCaption, none);
    return {};
  }
  RecordWindow window(this, logic, prompts_, live::NewRecordingPath(folder));
  window.exec();
  return window.Recorded();
}

}  // namespace sonatap::gui
