// The desktop program's windows, driven through their widgets with every
// dialog answered by the test (QT_QPA_PLATFORM=offscreen).
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QFontDatabase>
#include <QRawFont>
#include <QTextBrowser>
#include <QToolButton>
#include <sndfile.h>

#include <deque>
#include <fstream>
#include <functional>

#include "format/fiad_file.h"
#include "gui/tests/shot.h"
#include "gui/dialogs.h"
#include "gui/help_viewer.h"
#include "gui/main_window.h"
#include "gui/ui_support.h"
#include "engine/tuning_settings.h"
#include "engine/wav_writer.h"

using namespace sonatap;
using namespace sonatap::gui;

namespace {

// What a dialog showed before the test answered it.
struct Seen {
  QString title, text, defaultText;
  QStringList filters;
  QString selectedFilter;
  QString folder;  // a file dialog's starting folder
  int width = 0;
};

// Answers modal dialogs in the order they appear, one answer each.
class Answers {
 public:
  using Answer = std::function<void(QWidget*)>;
  Answers() {
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
    timer_.start();
  }
  Answers& Then(Answer answer) {
    queue_.push_back(std::move(answer));
    return *this;
  }
  bool AllUsed() const { return queue_.empty(); }
  std::vector<Seen> seen;

  // A message box: kept, then OK (or Yes).
  Answers& Message() {
    return Then([this](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      QVERIFY(box != nullptr);
      seen.push_back({box->windowTitle(), box->text(), {}, {}, {}, {}, box->width()});
      QAbstractButton* button = box->button(QMessageBox::Ok);
      if (button == nullptr) button = box->button(QMessageBox::Yes);
      button->click();
    });
  }
  Answers& Text(const QString& answer) {
    return Then([this, answer](QWidget* w) {
      auto* dialog = qobject_cast<QInputDialog*>(w);
      QVERIFY(dialog != nullptr);
      seen.push_back({dialog->windowTitle(), dialog->labelText(), dialog->textValue(), {}, {}, {}, dialog->width()});
      dialog->setTextValue(answer);
      dialog->accept();
    });
  }
  Answers& File(const QString& path) {
    return Then([this, path](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      QVERIFY(dialog != nullptr);
      seen.push_back({dialog->windowTitle(), {}, {}, dialog->nameFilters(), dialog->selectedNameFilter(),
                      dialog->directory().absolutePath()});
      if (path.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
  }
  Answers& FileType(bool wav) {
    return Then([this, wav](QWidget* w) {
      seen.push_back({w->windowTitle(), {}, {}, {}, {}, {}, w->width()});
      Shot(w, "file-type");
      for (auto* option : w->findChildren<QRadioButton*>())
        if (option->text() == (wav ? "Wav (Sound)" : "FIAD")) option->click();
      Button(w, "OK")->click();
    });
  }

  static QPushButton* Button(QWidget* w, const QString& text) {
    for (auto* button : w->findChildren<QPushButton*>())
      if (button->text() == text) return button;
    return nullptr;
  }

 private:
  void Check() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == last_ || queue_.empty() || !modal->isVisible()) return;
    // A progress window asks nothing: it closes by itself.
    if (modal->findChild<QProgressBar*>() != nullptr && modal->findChildren<QAbstractButton*>().isEmpty()) return;
    last_ = modal;
    Answer answer = std::move(queue_.front());
    queue_.pop_front();
    answer(modal);
  }
  QTimer timer_;
  QPointer<QWidget> last_;
  std::deque<Answer> queue_;
};

std::string FileBytes(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The example program, as the FIAD file holds it.
std::string HelloFiad() { return FileBytes(SONATAP_EXAMPLES "/hello.fiad"); }

// Tape sound made from a FIAD file's bytes by the synthesis.
void WriteRecording(const std::string& fiadBytes, const QString& path, const ShapeSet& shapes) {
  auto image = std::make_unique<FiadImage>();
  std::copy(fiadBytes.begin(), fiadBytes.end(), image->begin());
  NoProgress none;
  QVERIFY(!WriteWavFile(path.toStdString(), *image, HeaderKind::Plain128, shapes, none).has_value());
}

// `seconds` of silence as an 8-bit mono 44100 Hz WAV file.
void WriteSilence(const QString& path, int seconds) {
  const uint32_t samples = 44100u * seconds;
  std::string bytes(WavHeaderTemplate.begin(), WavHeaderTemplate.end());
  auto put32 = [](std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
  };
  put32(bytes, 4, 36 + samples);
  bytes.resize(44);
  put32(bytes, 40, samples);
  bytes.append(samples, static_cast<char>(128));
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// The example program as tape sound, opened with File > Open in a shown
// window that reads it from its first sample.
void OpenHelloRecording(MainWindow& w, const QTemporaryDir& folder, Answers& answers) {
  w.show();
  w.State().tuning.SkipTime = 0;
  const QString recording = folder.filePath("hello.wav");
  WriteRecording(HelloFiad(), recording, w.State().shapes.set);
  answers.File(recording);
  w.MenuItem(menu_item::kOpen)->trigger();
}

QString MonitorText(MainWindow& w) { return static_cast<QPlainTextEdit*>(w.Gadget(gadget::kMonitorArea))->toPlainText(); }

}  // namespace

class GuiTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { ApplyLook(); }
  void startUp();
  void conversionSaveListingAndDelete();
  void tuning();
  void options();
  void aboutAndClearDisplay();
  void stopDuringARun();
  void statusAndGfxWindows();
  void debuggerFromTheScanAndTheMenu();
  void namePromptOffersOkOnlyForValidNames();
  void helpWithoutASystemViewer();
  void helpDocumentFolders();
  void newFiadScrolledIntoViewAndTifilesNameShown();
  void closeBoxesOfRunWindowsUntickTheirBoxes();
  void importRecording();
  void rescueScan();
};

void GuiTest::startUp() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QCOMPARE(w.windowTitle(), QString("Sonatap 0.95b"));
  QCOMPARE(w.centralWidget()->size(), QSize(300, 300));
  QCOMPARE(w.pos(), QPoint(303, 130));
  const std::map<int, QString> items = {{101, "Open"},   {102, "Save As"}, {103, "Exit"}, {104, "Tuning"},
                                        {105, "Debug"},  {106, "Options"}, {107, "Help"}, {108, "About"}};
  for (const auto& [number, text] : items) QCOMPARE(w.MenuItem(number)->text(), text);

  QVERIFY(!w.Gadget(gadget::kStart)->isEnabled());
  QVERIFY(!w.MenuItem(menu_item::kSaveAs)->isEnabled());
  for (int number : {gadget::kSaveFiad, gadget::kDeleteFiad, gadget::kViewBasic}) QVERIFY(!w.Gadget(number)->isEnabled());
  QVERIFY(w.Gadget(gadget::kDebug)->isEnabled());
  QVERIFY(w.MenuItem(menu_item::kTuning)->isEnabled());
  QVERIFY(w.MenuItem(menu_item::kOptions)->isEnabled());
  QVERIFY(w.MenuItem(menu_item::kDebug)->isEnabled());

  QCOMPARE(static_cast<QPushButton*>(w.Gadget(gadget::kStart))->text(), QString("Start"));
  QCOMPARE(w.Gadget(gadget::kStart)->geometry(), QRect(25, 125, 85, 25));
  QCOMPARE(w.Gadget(gadget::kMonitorArea)->geometry(), QRect(125, 120, 155, 125));
  QCOMPARE(MonitorText(w), QString("** READY **\n"));
  QCOMPARE(w.Gadget(gadget::kSaveFiad)->toolTip(), QString("Save FIAD as.. (Wav or FIAD)"));
  QCOMPARE(w.Gadget(gadget::kDeleteFiad)->toolTip(), QString("Delete FIAD from Memory"));
  QCOMPARE(w.Gadget(gadget::kViewBasic)->toolTip(), QString("View FIAD BASIC contents"));
  QCOMPARE(w.Gadget(gadget::kClearDisplay)->toolTip(), QString("Clear Display."));
  QCOMPARE(w.Gadget(gadget::kDebug)->toolTip(), QString("Gather records for Debug during conversion."));
  Shot(&w, "main-window-offscreen");
}

void GuiTest::conversionSaveListingAndDelete() {
  QTemporaryDir folder;
  MainWindow w;
  w.show();
  w.State().tuning.SkipTime = 0;  // the synthesized sound starts at once
  const QString recording = folder.filePath("hello.wav");
  WriteRecording(HelloFiad(), recording, w.State().shapes.set);

  Answers answers;
  answers.File(recording);
  w.MenuItem(menu_item::kOpen)->trigger();
  QCOMPARE(answers.seen[0].title, QString("Open TI Cassette File sound/wav or FIAD"));
  QCOMPARE(answers.seen[0].filters, QStringList({"All Files (*)", "WAV File (*.wav)", "FIAD File (*.fiad)"}));
  QCOMPARE(answers.seen[0].selectedFilter, QString("All Files (*)"));
  QCOMPARE(static_cast<QLineEdit*>(w.Gadget(gadget::kWavName))->text(), QString("hello.wav"));
  QVERIFY(w.Gadget(gadget::kStart)->isEnabled());
  QVERIFY(!w.MenuItem(menu_item::kSaveAs)->isEnabled());

  answers.Text("HELLO");
  QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);
  QVERIFY(answers.AllUsed());
  QCOMPARE(answers.seen[1].title, QString("Sonatap - Conversion complete"));
  QCOMPARE(answers.seen[1].text, QString("Enter name of FIAD. (10 Chars Max)"));
  QCOMPARE(answers.seen[1].defaultText, QString("hello.wav"));
  auto* list = static_cast<QListWidget*>(w.Gadget(gadget::kFiadList));
  QCOMPARE(list->count(), 1);
  QCOMPARE(list->item(0)->text(), QString("HELLO"));
  QVERIFY(MonitorText(w).endsWith("End of Wav File\n\n"));
  QCOMPARE(static_cast<QPushButton*>(w.Gadget(gadget::kStart))->text(), QString("Start"));
  QVERIFY(!w.MenuItem(menu_item::kSaveAs)->isEnabled());  // nothing selected yet

  list->item(0)->setSelected(true);
  QVERIFY(w.MenuItem(menu_item::kSaveAs)->isEnabled());
  for (int number : {gadget::kSaveFiad, gadget::kDeleteFiad, gadget::kViewBasic}) QVERIFY(w.Gadget(number)->isEnabled());

  // Save As FIAD: the decoded file is the example byte for byte.
  answers.FileType(false).File(folder.filePath("saved.fiad"));
  QTest::mouseClick(w.Gadget(gadget::kSaveFiad), Qt::LeftButton);
  QVERIFY(answers.AllUsed());
  QCOMPARE(answers.seen[2].title, QString("Sonatap - File Type?"));
  QCOMPARE(answers.seen[3].title, QString("Sonatap -  Save TI FIAD File HELLO"));
  QCOMPARE(answers.seen[3].filters, QStringList({"FIAD File (*.fiad)", "All Files (*)"}));
  QCOMPARE(answers.seen[3].selectedFilter, QString("All Files (*)"));
  QCOMPARE(answers.seen[3].folder, QDir(folder.path()).absolutePath());  // where Open was last used
  QVERIFY(FileBytes(folder.filePath("saved.fiad")) == HelloFiad());

  // Save As Wav: ".wav" is added, and the sound is the one we started from.
  answers.FileType(true).File(folder.filePath("again"));
  w.MenuItem(menu_item::kSaveAs)->trigger();
  QVERIFY(answers.AllUsed());
  QCOMPARE(answers.seen[5].title, QString("Sonatap - Save TI Wav File HELLO"));
  QCOMPARE(answers.seen[5].filters, QStringList({"Wav File (*.wav)", "All Files (*)"}));
  QVERIFY(FileBytes(folder.filePath("again.wav")) == FileBytes(recording));

  // The listing window's two texts.
  QString info, source;
  answers.Then([&](QWidget* listing) {
    QCOMPARE(listing->windowTitle(), QString("Sonatap - TI BASIC Source"));
    QCOMPARE(listing->size(), QSize(502, 604));
    info = listing->findChild<QPlainTextEdit*>("InfoArea")->toPlainText();
    source = listing->findChild<QPlainTextEdit*>("SourceArea")->toPlainText();
    Shot(listing, "listing");
    listing->close();
  });
  QTest::mouseClick(w.Gadget(gadget::kViewBasic), Qt::LeftButton);
  QVERIFY(answers.AllUsed());
  QCOMPARE(info, QString("FIAD Label: HELLO     \nFirst Line Address: 37BD Hex\nStart File Address: 37B6 Hex\n"
                         "End Address: 37D7 Hex\n1 Records 256 Bytes"));
  QVERIFY(source.contains("PRINT \"HELLO FROM TAPE\""));
  QVERIFY(source.contains("GOTO 10"));

  QTest::mouseClick(w.Gadget(gadget::kDeleteFiad), Qt::LeftButton);
  QCOMPARE(list->count(), 0);
  QVERIFY(w.State().fiads.FindSlot("HELLO") == 0);
  QVERIFY(!w.Gadget(gadget::kSaveFiad)->isEnabled());
}

void GuiTest::tuning() {
  MainWindow w;
  w.show();
  Answers answers;
  answers.Then([](QWidget* d) {
    Shot(d, "tuning");
    QCOMPARE(d->windowTitle(), QString("Sonatap - Tuning"));
    QCOMPARE(d->size(), QSize(288, 227));
    auto spin = [d](const char* name) { return d->findChild<QSpinBox*>(name); };
    auto text = [&](const char* name) { return spin(name)->text(); };
    QCOMPARE(text("Threshold"), QString("3"));
    QCOMPARE(text("Tolerance"), QString("90"));
    QCOMPARE(text("SkipTime"), QString("4"));
    QCOMPARE(text("DcOffset"), QString("0"));
    QCOMPARE(text("VolumePlus"), QString("NA"));
    QCOMPARE(text("VolumeMinus"), QString("NA"));
    QVERIFY(!spin("VolumePlus")->isEnabled());
    const auto combos = d->findChildren<QComboBox*>();
    QCOMPARE(combos.size(), 2);
    for (QComboBox* combo : combos) QCOMPARE(combo->currentText(), QString("Natural"));

    Answers::Button(d, "Auto")->click();  // released: the boxes show the levels
    QVERIFY(spin("VolumePlus")->isEnabled());
    QCOMPARE(text("VolumePlus"), QString("90"));
    spin("VolumePlus")->setValue(150);
    spin("VolumeMinus")->setValue(40);
    spin("DcOffset")->setValue(138);
    QCOMPARE(text("DcOffset"), QString("10"));
    combos[1]->setCurrentIndex(combos[1]->findText("DC Offset"));
    Answers::Button(d, "OK")->click();
  });
  w.MenuItem(menu_item::kTuning)->trigger();
  QVERIFY(answers.AllUsed());
  const TuningSettings& t = w.State().tuning;
  QVERIFY(!t.AutoVolume);
  QCOMPARE(t.VolumePlus, 1.5f);
  QCOMPARE(t.VolumeMinus, -0.4f);
  QCOMPARE(t.DcLevel, 138);
  QCOMPARE(t.RecognitionMethod, 6);
}

// One path through the window's controls; what each rule does is the
// logic's to test.
void GuiTest::options() {
  MainWindow w;
  w.show();
  w.State().debug.count = 3;
  Answers answers;
  bool clearDisabled = false;
  answers.Then([&](QWidget* d) {
    Shot(d, "options");
    QCOMPARE(d->windowTitle(), QString("Sonatap - Options"));
    QVERIFY(!(d->windowFlags() & Qt::WindowCloseButtonHint));
    auto* showRecords = d->findChild<QCheckBox*>();
    QCOMPARE(showRecords->text(), QString("Show Records."));
    showRecords->click();
    d->close();  // ignored: only OK and Cancel leave
    QVERIFY(d->isVisible());
    answers.Message();
    // Outside the answering timer, which must answer the message box too.
    QTimer::singleShot(0, d, [&clearDisabled, d] {
      Answers::Button(d, "Clear Debugger")->click();
      clearDisabled = !Answers::Button(d, "Clear Debugger")->isEnabled();
      Answers::Button(d, "OK")->click();
    });
  });
  w.MenuItem(menu_item::kOptions)->trigger();
  QVERIFY(answers.AllUsed());
  QVERIFY(clearDisabled);
  QCOMPARE(w.State().debug.count, 0);
  QVERIFY(w.State().showRecords);
  QCOMPARE(answers.seen.at(0).title, QString("Sonatap - Options"));
  QCOMPARE(answers.seen.at(0).text, QString("Debug Data has been cleared"));
}

void GuiTest::aboutAndClearDisplay() {
  MainWindow w;
  w.show();
  Answers answers;
  answers.Message();
  w.MenuItem(menu_item::kAbout)->trigger();
  QVERIFY(answers.AllUsed());
  QCOMPARE(answers.seen[0].title, QString("Sonatap - About"));
  QCOMPARE(answers.seen[0].text, QString("Sonatap 0.95b\n\nTI99/4A Cassette Tape data file conversion tool.\n"
                                         "Converts between cassette sound and FIAD formats.\n14-06-2006.\n\n"));

  w.State().monitor.Append("Lost Data Mark!!\r\n\r\n");
  w.ShowMonitor(w.State().monitor.text);
  QTest::mouseClick(w.Gadget(gadget::kClearDisplay), Qt::LeftButton);
  QCOMPARE(MonitorText(w), QString("** READY **\n"));
  QVERIFY(!w.Gadget(gadget::kStart)->isEnabled());
}

void GuiTest::stopDuringARun() {
  QTemporaryDir folder;
  MainWindow w;
  w.show();
  WriteSilence(folder.filePath("quiet.wav"), 30);
  Answers answers;
  answers.File(folder.filePath("quiet.wav"));
  w.MenuItem(menu_item::kOpen)->trigger();
  auto* start = static_cast<QPushButton*>(w.Gadget(gadget::kStart));
  QString shownDuringRun;
  QTimer::singleShot(0, [&] {
    shownDuringRun = start->text();
    QTest::mouseClick(start, Qt::LeftButton);  // "Stop"
  });
  QTest::mouseClick(start, Qt::LeftButton);
  QCOMPARE(shownDuringRun, QString("Stop"));
  QVERIFY(MonitorText(w).endsWith("User Break..\n\nEnd of Wav File\n\n"));
  QCOMPARE(start->text(), QString("Start"));
  QVERIFY(!start->isChecked());
  QVERIFY(static_cast<QProgressBar*>(w.Gadget(gadget::kProgress))->value() < 100);
  QVERIFY(w.MenuItem(menu_item::kOpen)->isEnabled());
}

void GuiTest::statusAndGfxWindows() {
  QTemporaryDir folder;
  MainWindow w;
  w.show();
  WriteSilence(folder.filePath("quiet.wav"), 30);
  w.SetScreenPeriod(std::chrono::milliseconds(0));  // every refresh lets the test in
  Answers answers;
  answers.File(folder.filePath("quiet.wav"));
  w.MenuItem(menu_item::kOpen)->trigger();
  QTest::mouseClick(w.Gadget(gadget::kStatus), Qt::LeftButton);
  QTest::mouseClick(w.Gadget(gadget::kMonitor), Qt::LeftButton);

  // Each stage waits for what the run's refreshes should bring about.
  int stage = 0;
  bool statusOpen = false, gfxOpen = false, gfxClosedAtRefresh = false, statusStayed = false, drawn = false;
  QString statusTitle, gfxTitle, fileSize;
  QPoint statusPos, gfxPos;
  QTimer refreshes;
  refreshes.setInterval(0);
  QObject::connect(&refreshes, &QTimer::timeout, [&] {
    if (!w.Running()) return;
    if (stage == 0 && w.Status() != nullptr && w.Gfx() != nullptr) {
      statusOpen = w.Status()->isVisible();
      gfxOpen = w.Gfx()->isVisible();
      statusTitle = w.Status()->windowTitle();
      gfxTitle = w.Gfx()->windowTitle();
      statusPos = w.Status()->pos();
      gfxPos = w.Gfx()->pos();
      fileSize = w.Status()->findChild<QLineEdit*>("FileSize")->text();
      stage = 1;
    } else if (stage == 1 && w.Gfx() != nullptr) {
      const QImage& picture = w.Gfx()->Picture();
      for (int y = 0; y < picture.height() && !drawn; ++y)
        for (int x = 0; x < picture.width() && !drawn; ++x) drawn = picture.pixelColor(x, y) != Qt::black;
      if (!drawn) return;
      Shot(w.Status(), "status");
      Shot(w.Gfx(), "gfx");
      QTest::mouseClick(w.Gadget(gadget::kMonitor), Qt::LeftButton);  // unticked
      stage = 2;
    } else if (stage == 2 && w.Gfx() == nullptr) {
      gfxClosedAtRefresh = true;
      statusStayed = w.Status() != nullptr;
      QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);  // Stop
      stage = 3;
    }
  });
  refreshes.start();
  QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);
  refreshes.stop();
  QVERIFY(statusOpen);
  QVERIFY(gfxOpen);
  QCOMPARE(statusTitle, QString("Sonatap - Status"));
  QCOMPARE(gfxTitle, QString("Sonatap - GFX Output"));
  QCOMPARE(statusPos, QPoint(w.frameGeometry().x() - 174, w.frameGeometry().y()));
  QCOMPARE(gfxPos, QPoint(w.frameGeometry().x() + 306, w.frameGeometry().y()));
  // 30 s of samples and the 44-byte header: 1323044 bytes, 1292 Kb rounded half up.
  QCOMPARE(fileSize, QString("1292Kb"));
  QVERIFY(drawn);
  QVERIFY(gfxClosedAtRefresh);
  QVERIFY(statusStayed);
  QVERIFY(w.Status() == nullptr);  // the run's end closes what is open
  QVERIFY(MonitorText(w).endsWith("User Break..\n\nEnd of Wav File\n\n"));
}

// A gathering scan ends in the debugger window, where a row is locked and
// kept with "OK"; Project > "Debug" opens it again and stores the file.
void GuiTest::debuggerFromTheScanAndTheMenu() {
  QTemporaryDir folder;
  MainWindow w;
  Answers answers;
  OpenHelloRecording(w, folder, answers);
  QVERIFY(w.MenuItem(menu_item::kDebug)->isEnabled());

  bool exportDuringScan = true;
  int rowsAtScanEnd = 0;
  answers.Then([&](QWidget* debugger) {
    QCOMPARE(debugger->windowTitle(), QString("Sonatap - Debug"));
    exportDuringScan = Answers::Button(debugger, "Export")->isEnabled();
    auto* list = debugger->findChild<QTableWidget*>();
    rowsAtScanEnd = list->rowCount();
    list->item(0, 0)->setCheckState(Qt::Checked);
    Answers::Button(debugger, "OK")->click();
  });
  static_cast<QCheckBox*>(w.Gadget(gadget::kDebug))->setChecked(true);
  QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);
  QVERIFY(answers.AllUsed());
  QVERIFY(!exportDuringScan);  // the recording is open
  QCOMPARE(rowsAtScanEnd, 1);
  auto* fiads = static_cast<QListWidget*>(w.Gadget(gadget::kFiadList));
  QCOMPARE(fiads->count(), 0);  // "OK" keeps the rows and stores nothing
  QVERIFY(w.State().debug.rows[1].locked);

  bool exportFromMenu = false;
  answers.Then([&](QWidget* debugger) {
    exportFromMenu = Answers::Button(debugger, "Export")->isEnabled();
    Shot(debugger, "debugger-from-menu");
    Answers::Button(debugger, "Store FIAD")->click();
  });
  answers.Text("KEPT");
  w.MenuItem(menu_item::kDebug)->trigger();
  QVERIFY(answers.AllUsed());
  QVERIFY(exportFromMenu);
  QCOMPARE(fiads->count(), 1);
  QCOMPARE(fiads->item(0)->text(), QString("KEPT"));
  const FiadImage& stored = w.State().fiads.Slot(w.State().fiads.FindSlot("KEPT")).image;
  // Record 1 as the scan read it, kept in the debug store.
  const std::string hello = HelloFiad();
  for (int i = 128; i < 192; ++i) QCOMPARE(int(stored[i]), int(uint8_t(hello[i])));
}

// The title bar shows the whole caption beside the window's buttons.
bool WideEnoughFor(const Seen& seen) {
  return seen.width >= QFontMetrics(QApplication::font()).horizontalAdvance(seen.title) + 100;
}

void GuiTest::namePromptOffersOkOnlyForValidNames() {
  QTemporaryDir folder;
  MainWindow w;
  Answers answers;
  OpenHelloRecording(w, folder, answers);

  struct State {
    QString text, hint;
    bool ok;
  };
  std::vector<State> states;
  auto prompt = [&](QWidget* d, const QString& finalText, bool closeBox) {
    auto* dialog = qobject_cast<QInputDialog*>(d);
    QVERIFY(dialog != nullptr);
    answers.seen.push_back({dialog->windowTitle(), dialog->labelText(), dialog->textValue(), {}, {}, {}, dialog->width()});
    auto* ok = Answers::Button(d, "OK");
    auto* hint = d->findChild<QLabel*>("NameLengthHint");
    QVERIFY(ok != nullptr && hint != nullptr && hint->isVisible());
    for (const QString& text : {dialog->textValue(), QString("ABCDEFGHIJK"), QString(), QString("ABCDEFGHIJ"), finalText}) {
      dialog->setTextValue(text);
      states.push_back({text, hint->text(), ok->isEnabled()});
    }
    Shot(d, "name-prompt");
    if (closeBox) {
      dialog->close();  // the text as typed; the core asks again
    } else {
      QTest::mouseClick(ok, Qt::LeftButton);
    }
  };
  answers.Then([&](QWidget* d) { prompt(d, "MUCH TOO LONG", true); });
  answers.Then([&](QWidget* d) { prompt(d, "TAPE", false); });
  QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);
  QVERIFY(answers.AllUsed());

  QCOMPARE(answers.seen.size(), size_t(3));
  for (int i : {1, 2}) {
    QCOMPARE(answers.seen[i].title, QString("Sonatap - Conversion complete"));
    QCOMPARE(answers.seen[i].defaultText, QString("hello.wav"));  // asked again with the default text
    QVERIFY(WideEnoughFor(answers.seen[i]));
  }
  const std::vector<std::tuple<QString, QString, bool>> expected = {
      {"hello.wav", "9/10", true}, {"ABCDEFGHIJK", "11/10", false}, {"", "0/10", false},
      {"ABCDEFGHIJ", "10/10", true}, {"MUCH TOO LONG", "13/10", false}};
  QCOMPARE(states.size(), size_t(10));
  for (size_t i = 0; i < expected.size(); ++i) {
    QCOMPARE(states[i].text, std::get<0>(expected[i]));
    QCOMPARE(states[i].hint, std::get<1>(expected[i]));
    QCOMPARE(states[i].ok, std::get<2>(expected[i]));
  }
  QCOMPARE(states[9].hint, QString("4/10"));
  QVERIFY(states[9].ok);
  auto* list = static_cast<QListWidget*>(w.Gadget(gadget::kFiadList));
  QCOMPARE(list->count(), 1);
  QCOMPARE(list->item(0)->text(), QString("TAPE"));

  // A message box is as wide as its caption needs, however short its text.
  answers.Message();
  w.Prompts().ShowMessage("Sonatap - File Error!", "Error accessing file.");
  QVERIFY(answers.AllUsed());
  QCOMPARE(answers.seen[3].title, QString("Sonatap - File Error!"));
  QVERIFY(WideEnoughFor(answers.seen[3]));
}

// The offscreen platform has no desktop services: Help shows the document in
// the program's own viewer.
void GuiTest::helpWithoutASystemViewer() {
  MainWindow w;
  w.show();
  w.MenuItem(menu_item::kHelp)->trigger();
  auto* viewer = w.findChild<QTextBrowser*>("DocumentWindow");
  QVERIFY(viewer != nullptr);
  QVERIFY(viewer->isVisible());
  QVERIFY(viewer->isWindow());
  QCOMPARE(viewer->windowTitle(), QString("Sonatap - Help"));
  QCOMPARE(QFileInfo(viewer->source().toLocalFile()).fileName(), QString("SonatapHelp.html"));
  QVERIFY(viewer->toPlainText().contains("Sonatap"));
  Shot(viewer, "help-viewer");
  // Asked again, the same window comes back.
  w.MenuItem(menu_item::kHelp)->trigger();
  QCOMPARE(w.findChildren<QTextBrowser*>("DocumentWindow").size(), 1);
}

void GuiTest::helpDocumentFolders() {
  QTemporaryDir a, b, c;
  std::ofstream(QDir(b.path()).filePath("Doc.html").toStdString()) << "b";
  std::ofstream(QDir(c.path()).filePath("Doc.html").toStdString()) << "c";
  QCOMPARE(FindDocument("Doc.html", {a.path(), b.path(), c.path()}), QDir(b.path()).filePath("Doc.html"));
  QCOMPARE(FindDocument("Doc.html", {a.path()}), QString());
  const QStringList folders = DocumentFolders();
  QCOMPARE(folders.first(), QDir::currentPath());
  QCOMPARE(folders.at(1), QCoreApplication::applicationDirPath());
  QCOMPARE(folders.last(), QString("/usr/share/sonatap"));
}

void GuiTest::newFiadScrolledIntoViewAndTifilesNameShown() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  FiadList& fiads = w.State().fiads;
  FiadSlot& tifiles = fiads.Slot(1);
  tifiles.occupied = true;
  tifiles.recordCount = 1;
  std::copy_n("\x07TIFILES", 8, tifiles.image.begin());
  fiads.InsertEntryAtTop("\x07TIFILES");
  for (const char* name : {"A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8"}) fiads.InsertEntryAtTop(name);
  w.RefreshFiadList();
  auto* list = static_cast<QListWidget*>(w.Gadget(gadget::kFiadList));
  QCOMPARE(list->count(), 9);
  // Shown with a symbol some installed font draws, or as ^G where none does.
  const QString shown = list->item(8)->text();
  QVERIFY2(shown == QString(QChar(0x2407)) + "TIFILES" || shown == "^GTIFILES", qPrintable(shown));
  if (shown.startsWith(QChar(0x2407))) {
    bool drawn = false;
    for (const QString& family : QFontDatabase::families())
      drawn = drawn || QRawFont::fromFont(QFont(family)).supportsCharacter(QChar(0x2407));
    QVERIFY(drawn);
  }
  list->setCurrentRow(8);
  list->scrollToItem(list->item(8));
  auto inView = [list](int row) { return list->viewport()->rect().intersects(list->visualItemRect(list->item(row))); };
  QVERIFY(!inView(0));

  Answers answers;
  answers.File(SONATAP_EXAMPLES "/hello.fiad");
  w.MenuItem(menu_item::kOpen)->trigger();
  QVERIFY(answers.AllUsed());
  QCOMPARE(list->count(), 10);
  QCOMPARE(list->item(0)->text(), QString("HELLO"));
  QVERIFY(inView(0));
  QCOMPARE(list->currentRow(), 9);  // the selection stays on its entry
  Shot(&w, "fiad-list-scrolled");

  // The entry keeps its exact name: Delete finds and frees its slot.
  QTest::mouseClick(w.Gadget(gadget::kDeleteFiad), Qt::LeftButton);
  QCOMPARE(list->count(), 9);
  QVERIFY(!fiads.Slot(1).occupied);
  QVERIFY(fiads.FindSlot("HELLO") != 0);
}

void GuiTest::closeBoxesOfRunWindowsUntickTheirBoxes() {
  QTemporaryDir folder;
  MainWindow w;
  w.show();
  WriteSilence(folder.filePath("quiet.wav"), 30);
  w.SetScreenPeriod(std::chrono::milliseconds(0));
  Answers answers;
  answers.File(folder.filePath("quiet.wav"));
  w.MenuItem(menu_item::kOpen)->trigger();
  auto* statusBox = static_cast<QCheckBox*>(w.Gadget(gadget::kStatus));
  auto* monitorBox = static_cast<QCheckBox*>(w.Gadget(gadget::kMonitor));
  statusBox->setChecked(true);
  monitorBox->setChecked(true);

  int stage = 0;
  bool closedForGood = false;
  QTimer refreshes;
  refreshes.setInterval(0);
  QObject::connect(&refreshes, &QTimer::timeout, [&] {
    if (!w.Running()) return;
    if (stage == 0 && w.Status() != nullptr && w.Gfx() != nullptr) {
      w.Status()->close();  // as the window manager's close box does
      w.Gfx()->close();
      stage = 1;
    } else if (stage == 1 && w.Status() == nullptr && w.Gfx() == nullptr) {
      closedForGood = true;
      QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);  // Stop
      stage = 2;
    }
  });
  refreshes.start();
  QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);
  refreshes.stop();
  QVERIFY(closedForGood);
  QVERIFY(!statusBox->isChecked());
  QVERIFY(!monitorBox->isChecked());
}

// A sound card's recording: 16-bit stereo 48000 Hz, the tape on the right.
void GuiTest::importRecording() {
  QTemporaryDir folder;
  MainWindow w;
  w.show();
  w.State().tuning.SkipTime = 0;
  w.State().tuning.RecognitionMethod = kAdaptiveMethod;
  WriteRecording(HelloFiad(), folder.filePath("tape.wav"), w.State().shapes.set);
  const std::string tape = FileBytes(folder.filePath("tape.wav")).substr(kWavHeaderSize);
  std::vector<short> frames;
  for (double t = 0; t + 1 < static_cast<double>(tape.size()); t += 44100.0 / 48000) {
    const auto k = static_cast<size_t>(t);
    const double x = (static_cast<uint8_t>(tape[k]) - 128) * (1 - (t - k)) + (static_cast<uint8_t>(tape[k + 1]) - 128) * (t - k);
    frames.push_back(0);
    frames.push_back(static_cast<short>(x * 40));
  }
  const QString recording = folder.filePath("side A.wav");
  SF_INFO info{0, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
  SNDFILE* file = sf_open(recording.toUtf8().constData(), SFM_WRITE, &info);
  sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size() / 2));
  sf_close(file);

  Answers answers;
  answers.File(recording);
  w.MenuItem(menu_item::kImportRecording)->trigger();
  QVERIFY(answers.AllUsed());
  QCOMPARE(w.MenuItem(menu_item::kImportRecording)->text(), QString("Import Recording..."));
  QCOMPARE(answers.seen[0].title, QString("Import Recording"));
  QCOMPARE(answers.seen[0].filters,
           QStringList({"Audio files (*.wav *.flac *.ogg *.aif *.aiff *.mp3)", "All Files (*)"}));
  QCOMPARE(static_cast<QLineEdit*>(w.Gadget(gadget::kWavName))->text(), QString("side A.wav"));
  QVERIFY(MonitorText(w).startsWith("** READY **\nConditioned: 16-bit stereo 48000 Hz, right channel, "));

  answers.Text("HELLO");
  QTest::mouseClick(w.Gadget(gadget::kStart), Qt::LeftButton);
  QVERIFY(answers.AllUsed());
  const int slot = w.State().fiads.FindSlot("HELLO");
  QVERIFY(slot != 0);
  const FiadImage& image = w.State().fiads.Slot(slot).image;
  QVERIFY(std::string(image.begin(), image.begin() + 384) == HelloFiad());
}

// A worn copy of the example: a dropout in each copy of its record, in
// different places, so only a repair gets it back.
void GuiTest::rescueScan() {
  QTemporaryDir folder;
  MainWindow w;
  w.show();
  const QString recording = folder.filePath("worn.wav");
  WriteRecording(HelloFiad(), recording, w.State().shapes.set);
  std::string wav = FileBytes(recording);
  // Data bytes lie 256 samples apart: the first copy's begin 780 bytes into
  // the tape (leader, mark, counts, gap, mark), the second copy's 74 later.
  for (const int byte : {780 + 10, 854 + 40}) std::fill_n(wav.begin() + kWavHeaderSize + byte * 256, 2 * 256, '\x80');
  std::ofstream(recording.toStdString(), std::ios::binary) << wav;
  Answers answers;
  answers.File(recording);
  w.MenuItem(menu_item::kOpen)->trigger();
  QVERIFY(w.MenuItem(menu_item::kRescueScan)->isEnabled());
  QVERIFY(!w.MenuItem(menu_item::kSaveRescueReport)->isEnabled());

  QString verdict;
  answers.Then([&](QWidget* debugger) {
    verdict = debugger->findChild<QTableWidget*>()->item(0, 1)->text();
    Shot(debugger, "debugger-after-rescue");
    Answers::Button(debugger, "Store FIAD")->click();
  });
  answers.Text("SAVED");
  w.MenuItem(menu_item::kRescueScan)->trigger();
  QVERIFY(answers.AllUsed());
  QCOMPARE(verdict, QString("Unknown"));  // "repaired": not proven by a checksum of its own
  QVERIFY(MonitorText(w).contains("Rec #1 repaired\nFile 1: 1 records: 0 O.K., 1 repaired, 0 BAD\nEnd of Rescue Scan"));
  const FiadImage& image = w.State().fiads.Slot(w.State().fiads.FindSlot("SAVED")).image;
  const std::string hello = HelloFiad();
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.data()) + 128, 64).toHex(), QByteArray(hello.data() + 128, 64).toHex());

  answers.File(folder.filePath("rescue.json"));
  QVERIFY(w.MenuItem(menu_item::kSaveRescueReport)->isEnabled());
  w.MenuItem(menu_item::kSaveRescueReport)->trigger();
  QVERIFY(answers.AllUsed());
  const std::string report = FileBytes(folder.filePath("rescue.json"));
  QVERIFY(report.find("\"verdict\": \"repaired\"") != std::string::npos);
  QVERIFY(report.find("\"fiad\": \"SAVED\"") != std::string::npos);
}

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
