// The record debugger's windows driven through their widgets: whole gathering
// scans of synthesized tapes end in the real "Sonatap - Debug" window, and
// every question is answered by the scripted prompts (QT_QPA_PLATFORM=offscreen).
#include <QtTest>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <deque>
#include <fstream>
#include <functional>

#include "gui/tests/shot.h"
#include "gui/bit_view_dialog.h"
#include "gui/debugger_dialog.h"
#include "gui/ui_support.h"
#include "support/run_fixture.h"

using namespace sonatap;
using namespace sonatap::gui;

namespace {

// Acts on modal windows as they open, one step per window, in order. A step
// may open a nested window (Debug Rec) whose step runs while it waits. A
// window the script does not expect, or one left open too long, is closed so
// that a failing test ends instead of hanging.
class ModalScript {
 public:
  using Step = std::function<void(QWidget*)>;
  ModalScript() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
    timer_.start(5);
    clock_.start();
  }
  ModalScript& Then(const QString& title, Step step) {
    steps_.push_back({title, std::move(step)});
    return *this;
  }
  bool AllUsed() const { return steps_.empty(); }
  QStringList unexpected;

 private:
  void Check() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    for (const QPointer<QWidget>& seen : handled_)
      if (seen == modal) {
        if (clock_.elapsed() > 20000) modal->close();
        return;
      }
    handled_.push_back(modal);
    if (steps_.empty() || steps_.front().title != modal->windowTitle()) {
      unexpected << modal->windowTitle();
      modal->close();
      return;
    }
    clock_.restart();
    // Run outside this timer's handler: Qt fires no timer again while its own
    // handler runs, and a step that opens a nested window waits inside.
    QTimer::singleShot(0, modal, [step = std::move(steps_.front().step), modal] { step(modal); });
    steps_.pop_front();
  }
  struct Pending {
    QString title;
    Step step;
  };
  QTimer timer_;
  QElapsedTimer clock_;
  std::deque<Pending> steps_;
  std::vector<QPointer<QWidget>> handled_;
};

template <typename T>
T* Child(QWidget* w, const char* name) {
  T* child = w->findChild<T*>(name);
  if (child == nullptr) qWarning("no gadget %s", name);
  return child;
}

QPushButton* Button(QWidget* w, const QString& text) {
  for (auto* button : w->findChildren<QPushButton*>())
    if (button->text() == text) return button;
  qWarning("no button %s", qPrintable(text));
  return nullptr;
}

QTableWidget* List(QWidget* w) { return Child<QTableWidget>(w, "RecordList"); }

QStringList RowTexts(QTableWidget* list, int row) {
  QStringList texts;
  for (int column = 0; column < list->columnCount(); ++column) texts << list->item(row, column)->text();
  return texts;
}

bool Ticked(QTableWidget* list, int row) { return list->item(row, 0)->checkState() == Qt::Checked; }
void Tick(QTableWidget* list, int row, bool on) { list->item(row, 0)->setCheckState(on ? Qt::Checked : Qt::Unchecked); }

QString Hex(int byte) { return QString::number(byte, 16).rightJustified(2, '0').toUpper(); }

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A tape file whose records follow each other, each sent twice; the records
// in `bad` have a wrong checksum in both copies.
TapeSound Tape(const std::vector<Record>& records, std::vector<int> bad = {}) {
  TapeSound tape;
  tape.Silence(RunFixture::kSkip);
  tape.Header(static_cast<int>(records.size()), static_cast<int>(records.size()));
  for (size_t i = 0; i < records.size(); ++i) {
    const bool wrong = std::find(bad.begin(), bad.end(), static_cast<int>(i + 1)) != bad.end();
    tape.Block(records[i], wrong ? 1 : 0);
    tape.Block(records[i], wrong ? 1 : 0);
  }
  tape.Silence(RunFixture::kSkip);
  return tape;
}

}  // namespace

class DebuggerDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { ApplyLook(); }
  void cleanup();
  void emptyStoreShowsZeroUntilTheUserPicksACount();
  void scansAccumulateUntilStoreFiad();
  void autoLockCountExportImportAndDebugRec();
  void closeBoxKeepsTicksLikeOk();
  void bitViewOnARow();
  void bitViewWithoutARecording();

 private:
  // Failures the scripted prompts report through gtest, outside any gtest test.
  int gtestParts_ = 0;
};

void DebuggerDialogTest::cleanup() {
  const testing::TestResult& result = testing::UnitTest::GetInstance()->ad_hoc_test_result();
  const int parts = result.total_part_count();
  QCOMPARE(parts, gtestParts_);
  gtestParts_ = parts;
}

void DebuggerDialogTest::emptyStoreShowsZeroUntilTheUserPicksACount() {
  auto session = Session::Create();
  ScriptedPrompts prompts;
  ModalScript script;
  script.Then("Sonatap - Debug", [](QWidget* w) {
    QCOMPARE(w->size(), QSize(384, 390));
    QTableWidget* list = List(w);
    QVERIFY(list != nullptr);
    QCOMPARE(list->geometry(), QRect(10, 60, 290, 320));
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(list->columnCount(), 4);
    const QStringList headers{"Lock", "Checksum", "Record", "File Pos"};
    const int widths[] = {67, 70, 56, 76};
    for (int c = 0; c < 4; ++c) {
      QCOMPARE(list->horizontalHeaderItem(c)->text(), headers[c]);
      QCOMPARE(list->columnWidth(c), widths[c]);
    }
    QVERIFY(list->showGrid());
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);

    auto* count = Child<QSpinBox>(w, "Count");
    QCOMPARE(count->geometry(), QRect(10, 30, 50, 20));
    QCOMPARE(count->text(), QString("0"));
    QCOMPARE(count->maximum(), 256);
    QCOMPARE(count->toolTip(), QString("Manually change number of records in this file."));
    for (const char* name : {"FirstCount", "SecondCount"}) {
      auto* label = Child<QLabel>(w, name);
      QCOMPARE(label->text(), QString("0"));
      QCOMPARE(label->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
      QCOMPARE(label->frameShadow(), QFrame::Sunken);
    }
    QCOMPARE(Child<QLabel>(w, "FirstCount")->geometry(), QRect(130, 30, 35, 20));
    QCOMPARE(Child<QLabel>(w, "SecondCount")->geometry(), QRect(180, 30, 35, 20));

    struct Expected {
      const char* text;
      QRect place;
      const char* tip;
      bool enabled;
    };
    const Expected buttons[] = {
        {"Export", {310, 100, 65, 20}, "Export Debug Records.", true},
        {"Import", {310, 130, 65, 20}, "Import Debug Records.", true},
        {"Auto Lock", {310, 200, 65, 30}, "Auto lock all good records.", true},
        {"Debug Rec", {310, 240, 65, 20}, "Advanced manual Debug on selected record.", false},
        {"OK", {310, 310, 65, 30}, "Store Debugging Information for Accumulation with later scans.", true},
        {"Store FIAD", {310, 350, 65, 30}, "Store current FIAD state accumulated so far.", true},
    };
    for (const Expected& e : buttons) {
      QPushButton* b = Button(w, e.text);
      QVERIFY(b != nullptr);
      QCOMPARE(b->geometry(), e.place);
      QCOMPARE(b->toolTip(), QString(e.tip));
      QCOMPARE(b->isEnabled(), e.enabled);
    }
    Shot(w, "debugger-empty");
    Button(w, "OK")->click();
  });
  QtDebuggerWindow window(*session, prompts, false, nullptr);
  QVERIFY(!window.Run());
  QVERIFY(script.AllUsed());
  QCOMPARE(session->debug.count, 0);  // shown as 0, and left so

  // Once the user steps the spin up from 0 the count is 1 and the row shows.
  session->debug.rows[1].filePos = 777;
  script.Then("Sonatap - Debug", [](QWidget* w) {
    auto* count = Child<QSpinBox>(w, "Count");
    count->stepUp();
    QCOMPARE(count->value(), 1);
    QCOMPARE(count->minimum(), 1);
    QCOMPARE(RowTexts(List(w), 0), QStringList({" Lock", "BAD", "1", "777"}));
    QVERIFY(!Ticked(List(w), 0));
    count->stepDown();
    QCOMPARE(count->value(), 1);  // no way back to 0
    Button(w, "OK")->click();
  });
  QVERIFY(!window.Run());
  QVERIFY(script.AllUsed());
  QCOMPARE(session->debug.count, 1);
  QVERIFY(script.unexpected.isEmpty());
}

void DebuggerDialogTest::scansAccumulateUntilStoreFiad() {
  RunFixture f;
  const Record first = PatternRecord(1), second = PatternRecord(2), better = PatternRecord(3);
  f.Wav(Tape({first, second}, {2}), "weak.wav");
  f.session->debug.gather = true;
  QtDebuggerWindow window(*f.session, f.prompts, true, nullptr);
  f.debugger.onRun = [&window] { return window.Run(); };

  ModalScript script;
  script.Then("Sonatap - Debug", [&f](QWidget* w) {
    QTableWidget* list = List(w);
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(RowTexts(list, 0),
             QStringList({" Lock", "OK", "1", QString::number(f.session->debug.rows[1].filePos)}));
    QCOMPARE(RowTexts(list, 1).mid(0, 3), QStringList({" Lock", "BAD", "2"}));
    QVERIFY(f.session->debug.rows[1].filePos > 0);
    QCOMPARE(Child<QLabel>(w, "FirstCount")->text(), QString("2"));
    QCOMPARE(Child<QLabel>(w, "SecondCount")->text(), QString("2"));
    QCOMPARE(Child<QSpinBox>(w, "Count")->value(), 2);
    // The scan's recording is open: no export, import or bit view.
    QVERIFY(!Button(w, "Export")->isEnabled());
    QVERIFY(!Button(w, "Import")->isEnabled());
    list->selectRow(1);
    QVERIFY(!Button(w, "Debug Rec")->isEnabled());
    Tick(list, 0, true);
    QVERIFY2(!f.session->debug.rows[1].locked, "written only when the window is left");
    Button(w, "OK")->click();
  });
  f.Run();
  QVERIFY(script.AllUsed());
  QVERIFY(f.storedSlots.empty());
  QVERIFY(f.session->debug.rows[1].locked);
  QVERIFY(!f.session->debug.rows[2].locked);
  QCOMPARE(f.session->debug.rows[2].status, RecordStatus::Bad);

  // The same tape read better: row 2 takes the new reading, locked row 1 keeps the first.
  f.Wav(Tape({better, second}), "better.wav");
  f.prompts.texts.push_back("RESCUED");
  script.Then("Sonatap - Debug", [](QWidget* w) {
    QTableWidget* list = List(w);
    QVERIFY(Ticked(list, 0));
    QVERIFY(!Ticked(list, 1));
    QCOMPARE(RowTexts(list, 0)[1], QString("OK"));
    QCOMPARE(RowTexts(list, 1)[1], QString("OK"));
    Button(w, "Store FIAD")->click();
  });
  f.Run();
  QVERIFY(script.AllUsed());
  QCOMPARE(f.storedSlots.size(), size_t{1});
  const FiadImage& image = f.session->fiads.Slot(f.storedSlots[0]).image;
  for (int j = 0; j < 64; ++j) {
    QCOMPARE(int(image[128 + j]), int(first[j]));
    QCOMPARE(int(image[192 + j]), int(second[j]));
  }
  QCOMPARE(f.session->debug.count, 2);
  QVERIFY(script.unexpected.isEmpty());
}

void DebuggerDialogTest::autoLockCountExportImportAndDebugRec() {
  auto session = Session::Create();
  DebugStore& store = session->debug;
  store.count = 3;
  store.rows[1].status = RecordStatus::Ok;
  store.rows[2].status = RecordStatus::Bad;
  store.rows[3].status = RecordStatus::Unknown;
  store.rows[4].status = RecordStatus::Ok;
  store.rows[4].filePos = 1234;
  ScriptedPrompts prompts;
  const std::string exported = QDir::tempPath().toStdString() + "/sonatap-debugger-export.txt";
  const std::string imported = QDir::tempPath().toStdString() + "/sonatap-debugger-import.txt";
  std::ofstream(imported, std::ios::binary) << "[Record 2]\r\n " << std::string(128, 'A') << "\r\n";
  prompts.saveFiles.push_back(exported);
  prompts.openFiles.push_back(imported);

  ModalScript script;
  script.Then("Sonatap - Debug", [&](QWidget* w) {
    QTableWidget* list = List(w);
    QPushButton* debugRec = Button(w, "Debug Rec");
    QCOMPARE(list->rowCount(), 3);
    list->selectRow(2);
    QVERIFY(debugRec->isEnabled());
    Tick(list, 2, true);
    QVERIFY2(!debugRec->isEnabled(), "a locked row cannot be opened");
    list->selectRow(1);
    QVERIFY(debugRec->isEnabled());
    list->selectRow(2);
    QVERIFY2(!debugRec->isEnabled(), "selecting a ticked row");
    Tick(list, 2, false);
    list->selectRow(0);

    Button(w, "Auto Lock")->click();
    QVERIFY(Ticked(list, 0));
    QVERIFY(!Ticked(list, 1));
    QVERIFY(Ticked(list, 2));
    QVERIFY2(!list->selectionModel()->isRowSelected(0, {}), "ticking replaces the selection");
    QVERIFY(!debugRec->isEnabled());

    Button(w, "Export")->click();
    const std::string text = FileText(exported);
    QVERIFY(text.find(";Records Recorded :3\r\n[Record 1]\r\n ") == 0);
    Button(w, "Import")->click();
    QCOMPARE(RowTexts(list, 1)[1], QString("BAD"));  // not rebuilt yet
    QCOMPARE(store.rows[2].status, RecordStatus::Unknown);

    // Raising the count refills the list from the store: the ticks not yet
    // written back are gone, the new rows show as the store holds them.
    Child<QSpinBox>(w, "Count")->setValue(4);
    QCOMPARE(list->rowCount(), 4);
    for (int row = 0; row < 4; ++row) QVERIFY(!Ticked(list, row));
    QCOMPARE(RowTexts(list, 1)[1], QString("Unknown"));
    QCOMPARE(RowTexts(list, 3), QStringList({" Lock", "OK", "4", "1234"}));
    Tick(list, 3, true);
    Shot(w, "debugger-rows");
    Button(w, "OK")->click();
  });
  QtDebuggerWindow window(*session, prompts, false, nullptr);
  QVERIFY(!window.Run());
  QVERIFY(script.AllUsed());
  QCOMPARE(store.count, 4);
  QVERIFY(!store.rows[1].locked && !store.rows[2].locked && !store.rows[3].locked);
  QVERIFY(store.rows[4].locked);
  for (int j = 1; j <= 64; ++j) QCOMPARE(int(store.rows[2].data[j]), 0xAA);
  QVERIFY(script.unexpected.isEmpty());
  std::remove(exported.c_str());
  std::remove(imported.c_str());
}

void DebuggerDialogTest::closeBoxKeepsTicksLikeOk() {
  auto session = Session::Create();
  session->debug.count = 6;
  ScriptedPrompts prompts;
  ModalScript script;
  script.Then("Sonatap - Debug", [](QWidget* w) {
    Tick(List(w), 4, true);
    List(w)->selectRow(4);
    Child<QSpinBox>(w, "Count")->setValue(5);  // refilled: the tick is lost
    Tick(List(w), 4, true);
    List(w)->selectRow(4);
    w->close();
  });
  QtDebuggerWindow window(*session, prompts, false, nullptr);
  QVERIFY(!window.Run());
  QVERIFY(script.AllUsed());
  QCOMPARE(session->debug.count, 5);
  QVERIFY(session->debug.rows[5].locked);
  QVERIFY(script.unexpected.isEmpty());
}

void DebuggerDialogTest::bitViewOnARow() {
  RunFixture f;
  Record record = PatternRecord(7);
  record[1] = 0x00;  // byte 2
  f.Wav(Tape({record}));
  f.session->debug.gather = true;
  f.Run();  // the scripted debugger leaves with "OK"
  QCOMPARE(f.session->debug.rows[1].status, RecordStatus::Ok);
  QCOMPARE(int(f.session->debug.rows[1].data[2]), 0);

  ModalScript script;
  script.Then("Sonatap - Debug", [](QWidget* w) {
    QTableWidget* list = List(w);
    list->selectRow(0);
    QPushButton* debugRec = Button(w, "Debug Rec");
    QVERIFY(debugRec->isEnabled());
    debugRec->click();  // waits for the bit view's own step
    QCOMPARE(RowTexts(list, 0)[1], QString("OK"));  // the list keeps its old text
    QVERIFY(debugRec->isEnabled());
    Button(w, "OK")->click();
  });
  script.Then("Sonatap - Debug - Bit Recognition", [&f, &record](QWidget* w) {
    QCOMPARE(w->size(), QSize(470, 320));
    auto* slider = Child<QScrollBar>(w, "BitSlider");
    auto* bitInfo = Child<QLabel>(w, "BitInfo");
    auto* copies = Child<QLabel>(w, "CopiesInfo");
    auto* picture = Child<RasterView>(w, "BitPicture");
    QCOMPARE(picture->geometry(), QRect(12, 4, 376, 256));
    QCOMPARE(slider->value(), 1);
    QCOMPARE(bitInfo->text(), "Rec:1  Bit:1  Byte:1  Val:" + Hex(record[0]));
    const QColor grey(50, 50, 50), digit(200, 200, 30), current(120, 255, 120);
    QCOMPARE(picture->Picture().pixelColor(169, 5), grey);  // before the record's first bit
    QCOMPARE(picture->Picture().pixelColor(170, 5), current);

    slider->setValue(9);
    QCOMPARE(bitInfo->text(), QString("Rec:1  Bit:9  Byte:2  Val:00"));
    QCOMPARE(copies->text(), QString("Copies:00 , 00"));
    // The digit under bit 9 stands 8 pixels right of its boundary at x 170; a
    // "0" has its left column lit two rows down, a "1" does not.
    QCOMPARE(picture->Picture().pixelColor(178, 228), digit);
    Child<QPushButton>(w, "OneHigh")->click();
    QCOMPARE(int(f.session->debug.rows[1].data[2]), 0x80);
    QCOMPARE(bitInfo->text(), QString("Rec:1  Bit:9  Byte:2  Val:80"));
    QVERIFY(picture->Picture().pixelColor(178, 228) != digit);
    Child<QPushButton>(w, "ZeroLow")->click();
    QCOMPARE(int(f.session->debug.rows[1].data[2]), 0x00);
    Child<QPushButton>(w, "OneLow")->click();
    QCOMPARE(int(f.session->debug.rows[1].data[2]), 0x80);
    Shot(w, "bit-view");

    // Scan with All reads every bit again, leaves the slider at 512 and All unticked.
    auto* all = w->findChildren<QCheckBox*>().first();
    QCOMPARE(all->text(), QString("All"));
    all->click();
    Button(w, "Scan")->click();
    QCOMPARE(slider->value(), 512);
    QVERIFY(!all->isChecked());
    QCOMPARE(int(f.session->debug.rows[1].data[2]), 0x00);
    QCOMPARE(bitInfo->text(), "Rec:1  Bit:512  Byte:64  Val:" + Hex(record[63]));
    Button(w, "OK")->click();
  });
  QtDebuggerWindow window(*f.session, f.prompts, false, nullptr);
  QVERIFY(!window.Run());
  QVERIFY(script.AllUsed());
  QCOMPARE(f.session->debug.rows[1].status, RecordStatus::Unknown);
  for (int j = 0; j < 64; ++j) QCOMPARE(int(f.session->debug.rows[1].data[j + 1]), int(record[j]));
  QVERIFY(script.unexpected.isEmpty());
}

void DebuggerDialogTest::bitViewWithoutARecording() {
  auto session = Session::Create();
  session->conversion.wavPath = "/nonexistent/sonatap/tape.wav";
  session->debug.count = 3;
  ScriptedPrompts prompts;
  BitViewDialog view(*session, prompts, 3, nullptr);
  QCOMPARE(view.windowTitle(), QString("Sonatap - Debug - Bit Recognition"));
  QCOMPARE(Child<QLabel>(&view, "BitInfo")->text(), QString("Wait"));
  QCOMPARE(Child<QLabel>(&view, "CopiesInfo")->text(), QString("Wait"));
  QCOMPARE(Child<QLabel>(&view, "BitInfo")->geometry(), QRect(10, 290, 170, 18));
  QCOMPARE(Child<QLabel>(&view, "CopiesInfo")->geometry(), QRect(185, 290, 80, 18));
  auto* slider = Child<QScrollBar>(&view, "BitSlider");
  QCOMPARE(slider->geometry(), QRect(10, 265, 380, 16));
  QCOMPARE(slider->minimum(), 1);
  QCOMPARE(slider->maximum(), 512);
  QCOMPARE(slider->pageStep(), 1);
  QCOMPARE(slider->toolTip(), QString("Slide to view different bits within Wavefile."));
  struct Expected {
    const char* name;
    QRect place;
    const char* tip;
    QSize picture;
  };
  const Expected buttons[] = {
      {"ZeroHigh", {410, 39, 42, 24}, "Change Current Bit to 0.", {37, 20}},
      {"ZeroLow", {410, 65, 42, 24}, "Change Current Bit to 0.", {37, 20}},
      {"OneHigh", {410, 112, 42, 24}, "Change Current Bit to 1.", {37, 20}},
      {"OneLow", {410, 138, 42, 24}, "Change Current Bit to 1.", {37, 20}},
      {"Left", {270, 290, 17, 17}, "Adjust detected bit position to Left (-).", {14, 13}},
      {"Right", {290, 290, 17, 17}, "Adjust detected bit position to Right (+).", {14, 13}},
  };
  for (const Expected& e : buttons) {
    auto* b = Child<QPushButton>(&view, e.name);
    QVERIFY(b != nullptr);
    QCOMPARE(b->geometry(), e.place);
    QCOMPARE(b->toolTip(), QString(e.tip));
    QCOMPARE(b->iconSize(), e.picture);
  }
  QCOMPARE(Button(&view, "Scan")->toolTip(), QString("Attempt Automatic Recognition."));
  QCOMPARE(Button(&view, "OK")->geometry(), QRect(404, 284, 55, 25));
  QCOMPARE(Button(&view, "OK")->toolTip(), QString("Return to Debug."));

  view.Run();  // returns at once: there is nothing to read
  QCOMPARE(prompts.messages.size(), size_t{1});
  QCOMPARE(prompts.messages[0], (Message{"File Error", "Error accessing file."}));
  QCOMPARE(session->debug.rows[3].status, RecordStatus::Unknown);
  QVERIFY(!view.isVisible());
}

QTEST_MAIN(DebuggerDialogTest)
#include "debugger_dialog_test.moc"
