// The File menu's "Play to TI..." and "Record from Tape..." windows over a
// fake sound device (QT_QPA_PLATFORM=offscreen): one path through each, and
// the message when there is no device at all.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

#include "app/fiad_list.h"
#include "gui/tests/shot.h"
#include "gui/live_windows.h"
#include "gui/main_window.h"
#include "gui/ui_support.h"
#include "engine/input_file.h"
#include "engine/tape_synthesis.h"

using namespace sonatap;
using namespace sonatap::gui;

namespace {

// Plays into a counter; records a sound that ends with the device going away.
class FakeAudio final : public live::AudioSystem {
 public:
  std::vector<live::DeviceInfo> devices = {{"Line In", 2, 0, 44100, true, false}, {"Line Out", 0, 2, 44100, false, true}};
  std::vector<int16_t> sound;
  int64_t heard = 0;

  std::string Problem() const override { return devices.empty() ? "no sound card" : ""; }
  std::vector<live::DeviceInfo> Devices() const override { return devices; }
  std::unique_ptr<live::OutputStream> OpenOutput(const std::string&, live::StreamFormat, std::string&) override {
    struct Out final : live::OutputStream {
      int64_t& heard;
      explicit Out(int64_t& h) : heard(h) {}
      bool Write(const int16_t*, long frames) override { return (heard += frames), true; }
      void Drain() override {}
      std::string Error() const override { return {}; }
    };
    return std::make_unique<Out>(heard);
  }
  std::unique_ptr<live::InputStream> OpenInput(const std::string&, live::StreamFormat format, std::string&) override {
    struct In final : live::InputStream {
      const std::vector<int16_t>& sound;
      int channels;
      size_t at = 0;
      In(const std::vector<int16_t>& s, int c) : sound(s), channels(c) {}
      bool Read(int16_t* samples, long frames) override {
        if (at >= sound.size()) return false;
        for (long f = 0; f < frames; ++f, ++at)
          for (int c = 0; c < channels; ++c) samples[f * channels + c] = at < sound.size() ? sound[at] : 0;
        return true;
      }
      std::string Error() const override { return "unplugged"; }
    };
    return std::make_unique<In>(sound, format.channels);
  }
};

// Calls `act` on each new modal window as it appears.
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || modal == last_ || !modal->isVisible()) return;
      last_ = modal;
      // Acted on outside this timer, which a play or a recording inside `act_` must not hold up.
      QTimer::singleShot(0, modal, [this, modal] { act_(modal); });
    });
    timer_.start(5);
  }

 private:
  std::function<void(QWidget*)> act_;
  QTimer timer_;
  QPointer<QWidget> last_;
};

QPushButton* Button(QWidget* w, const QString& text) {
  for (auto* button : w->findChildren<QPushButton*>())
    if (button->text() == text) return button;
  return nullptr;
}

}  // namespace

class LiveWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { ApplyLook(); }
  void playToTi();
  void recordFromTape();
  void noDeviceIsSaid();
};

void LiveWindowsTest::playToTi() {
  MainWindow w;
  auto audio = std::make_unique<FakeAudio>();
  FakeAudio& fake = *audio;
  w.UseAudioSystem(std::move(audio));
  w.show();
  QCOMPARE(w.MenuItem(menu_item::kPlayToTi)->text(), QString("Play to TI..."));
  QVERIFY(!w.MenuItem(menu_item::kPlayToTi)->isEnabled());

  FiadSlot& staging = w.State().fiads.Staging();
  const InputFile input = ReadInputFile(SONATAP_EXAMPLES "/hello.fiad", staging.image);
  QCOMPARE(input.kind, InputKind::Fiad);
  staging.recordCount = input.recordCount;
  QVERIFY(AddToFiadList(w.State().fiads, "HELLO", w.Prompts()).slot != 0);
  w.RefreshFiadList();
  w.findChild<QListWidget*>()->setCurrentRow(0);
  QVERIFY(w.MenuItem(menu_item::kPlayToTi)->isEnabled());

  QString title, outcome;
  ModalWatcher watcher([&](QWidget* window) {
    title = window->windowTitle();
    Shot(window, "play-to-ti");
    Button(window, "Play")->click();
    for (auto* label : window->findChildren<QLabel*>())
      if (label->text().startsWith("Played")) outcome = label->text();
    Button(window, "Close")->click();
  });
  w.MenuItem(menu_item::kPlayToTi)->trigger();
  QCOMPARE(title, QString("Sonatap - Play to TI HELLO"));
  QCOMPARE(outcome, QString("Played to the end (0:05)."));
  QCOMPARE(fake.heard, TapeSampleCount(1));
}

void LiveWindowsTest::recordFromTape() {
  MainWindow w;
  auto audio = std::make_unique<FakeAudio>();
  // The example program's tape sound, then half a second of quiet; then the device goes away.
  const std::vector<int16_t> tone = {0, 12000, 16000, 12000, 0, -12000, -16000, -12000};
  for (int i = 0; i < 44100 * 2; ++i) audio->sound.push_back(tone[i % tone.size()]);
  audio->sound.resize(audio->sound.size() + 22050, 0);
  w.UseAudioSystem(std::move(audio));
  w.show();
  QCOMPARE(w.MenuItem(menu_item::kRecordFromTape)->text(), QString("Record from Tape..."));
  QVERIFY(w.MenuItem(menu_item::kRecordFromTape)->isEnabled());

  QWidget* recorder = nullptr;
  QString message;
  ModalWatcher watcher([&](QWidget* window) {
    if (auto* box = qobject_cast<QMessageBox*>(window)) {  // the device went away
      message = box->text();
      Shot(recorder, "record-from-tape");
      box->button(QMessageBox::Ok)->click();
      return;
    }
    if (recorder != nullptr) return;  // the conditioning's progress window
    recorder = window;
    QCOMPARE(window->windowTitle(), QString("Sonatap - Record from Tape"));
    Button(window, "Record")->click();
  });
  w.MenuItem(menu_item::kRecordFromTape)->trigger();
  QVERIFY2(message.startsWith("The recording device went away after 0:02 (unplugged).\nWhat was recorded is kept in "),
           qPrintable(message));
  QCOMPARE(static_cast<QLineEdit*>(w.Gadget(gadget::kWavName))->text(), QString("Tape Recording 1.wav"));
  const QString monitor = static_cast<QPlainTextEdit*>(w.Gadget(gadget::kMonitorArea))->toPlainText();
  QVERIFY2(monitor.startsWith("** READY **\nConditioned: 16-bit stereo 44100 Hz"), qPrintable(monitor));
  QVERIFY(w.Gadget(gadget::kStart)->isEnabled());
}

void LiveWindowsTest::noDeviceIsSaid() {
  MainWindow w;
  auto audio = std::make_unique<FakeAudio>();
  audio->devices.clear();
  w.UseAudioSystem(std::move(audio));
  w.show();
  QString message;
  ModalWatcher watcher([&](QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    QVERIFY(box != nullptr);
    message = box->windowTitle() + ": " + box->text();
    box->button(QMessageBox::Ok)->click();
  });
  w.MenuItem(menu_item::kRecordFromTape)->trigger();
  QCOMPARE(message, QString("Sonatap - Audio: There is no audio input device to record from.\nno sound card"));
}

QTEST_MAIN(LiveWindowsTest)
#include "live_windows_test.moc"
