#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>

#include "gui/debugger_dialog.h"
#include "gui/dialogs.h"
#include "gui/help_viewer.h"
#include "gui/icons.h"
#include "gui/ui_support.h"

namespace sonatap::gui {
namespace {

constexpr int kInnerWidth = 300;
constexpr int kInnerHeight = 300;

}  // namespace

MainWindow::MainWindow()
    : session_(Session::Create()),
      prompts_(this, [this] { FlushScreen(); }),
      volumeProgress_(this),
      saveProgress_(this),
      importProgress_(this),
      logic_(*session_, *this, &debugger_) {
  setWindowTitle(kMainCaption);
  setWindowIcon(ProgramIcon());
  BuildMenus();
  BuildGadgets();
  setFixedSize(kInnerWidth, kInnerHeight + menuBar()->sizeHint().height());
  move(303, 130);
  ApplyEnabled(MainWindowLogic::StartUpStates());
  MenuItem(menu_item::kDebug)->setEnabled(logic_.DebugMenuAvailable());
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  auto item = [this](QMenu* menu, int number, const char* text) {
    QAction* action = menu->addAction(text);
    action->setData(number);
    menuItems_[number] = action;
    connect(action, &QAction::triggered, this, [this, number] { Dispatch({EventKind::Menu, number}); });
  };
  QMenu* file = menuBar()->addMenu("File");
  item(file, menu_item::kOpen, "Open");
  item(file, menu_item::kImportRecording, "Import Recording...");
  item(file, menu_item::kSaveAs, "Save As");
  item(file, menu_item::kPlayToTi, "Play to TI...");
  item(file, menu_item::kRecordFromTape, "Record from Tape...");
  file->addSeparator();
  item(file, menu_item::kExit, "Exit");
  QMenu* project = menuBar()->addMenu("Project");
  item(project, menu_item::kTuning, "Tuning");
  item(project, menu_item::kDebug, "Debug");
  item(project, menu_item::kRescueScan, "Rescue Scan");
  item(project, menu_item::kSaveRescueReport, "Save Rescue Report...");
  project->addSeparator();
  item(project, menu_item::kOptions, "Options");
  QMenu* help = menuBar()->addMenu("Help");
  item(help, menu_item::kHelp, "Help");
  item(help, menu_item::kAbout, "About");
}

QToolButton* MainWindow::ImageButton(int number, const QPixmap& picture, QRect place, const char* tooltip) {
  auto* button = new QToolButton(centralWidget());
  button->setIcon(QIcon(picture));
  button->setIconSize(picture.size());
  button->setGeometry(place);
  button->setToolTip(tooltip);
  connect(button, &QToolButton::clicked, this, [this, number] { Dispatch({EventKind::Gadget, number}); });
  gadgets_[number] = button;
  return button;
}

void MainWindow::BuildGadgets() {
  auto* inner = new QWidget(this);
  inner->setFixedSize(kInnerWidth, kInnerHeight);
  setCentralWidget(inner);
  auto place = [this](int number, QWidget* widget, QRect rect) {
    widget->setGeometry(rect);
    widget->setObjectName(QString("gadget%1").arg(number));
    gadgets_[number] = widget;
  };
  place(gadget::kWavFrame, new QGroupBox("Current Wav File", inner), {10, 5, 135, 95});
  place(gadget::kFiadFrame, new QGroupBox("Loaded FIADs", inner), {150, 5, 140, 95});
  place(gadget::kConverterFrame, new QGroupBox("Wav to FIAD Converter", inner), {10, 102, 280, 172});
  place(gadget::kNameLabel, new QLabel("Name", inner), {25, 30, 40, 15});
  wavName_ = new QLineEdit(inner);
  wavName_->setReadOnly(true);
  place(gadget::kWavName, wavName_, {20, 45, 115, 20});

  fiadList_ = new QListWidget(inner);
  fiadList_->setSelectionMode(QAbstractItemView::SingleSelection);
  place(gadget::kFiadList, fiadList_, {158, 24, 105, 66});
  connect(fiadList_, &QListWidget::itemSelectionChanged, this, [this] { Dispatch({EventKind::Gadget, gadget::kFiadList}); });
  ImageButton(gadget::kSaveFiad, SaveFiadPicture(), {265, 24, 21, 21}, "Save FIAD as.. (Wav or FIAD)");
  ImageButton(gadget::kDeleteFiad, DeleteFiadPicture(), {265, 47, 21, 21}, "Delete FIAD from Memory");
  ImageButton(gadget::kViewBasic, ViewBasicPicture(), {265, 70, 21, 21}, "View FIAD BASIC contents");

  start_ = new QPushButton("Start", inner);
  start_->setCheckable(true);
  place(gadget::kStart, start_, {25, 125, 85, 25});
  connect(start_, &QPushButton::clicked, this, [this] { Dispatch({EventKind::Gadget, gadget::kStart}); });
  debug_ = new QCheckBox("Debug", inner);
  debug_->setToolTip("Gather records for Debug during conversion.");
  place(gadget::kDebug, debug_, {25, 160, 50, 20});
  status_box_ = new QCheckBox("Status", inner);
  place(gadget::kStatus, status_box_, {25, 200, 50, 20});
  monitor_box_ = new QCheckBox("Monitor", inner);
  place(gadget::kMonitor, monitor_box_, {25, 225, 55, 20});
  for (int number : {gadget::kDebug, gadget::kStatus, gadget::kMonitor}) {
    connect(static_cast<QCheckBox*>(gadgets_[number]), &QCheckBox::clicked, this,
            [this, number] { Dispatch({EventKind::Gadget, number}); });
  }
  ImageButton(gadget::kClearDisplay, ClearDisplayPicture(), {107, 230, 15, 15}, "Clear Display.");

  monitor_ = new QPlainTextEdit(inner);
  monitor_->setReadOnly(true);
  monitor_->setFont(FixedFont());
  monitor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetMonitorText(session_->monitor.text);
  place(gadget::kMonitorArea, monitor_, {125, 120, 155, 125});
  progress_ = new QProgressBar(inner);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  place(gadget::kProgress, progress_, {20, 252, 260, 14});
}

// The one place where the window's events go in.
void MainWindow::Dispatch(MainEvent event) {
  // While a run lasts its polls let clicks through; the run reads the
  // toggles itself and nothing else may start.
  if (running_ || ending_) return;
  if (!logic_.Handle(event)) EndProgram();
}

void MainWindow::EndProgram() {
  ending_ = true;
  CloseStatus();
  CloseGfx();
  close();
  QApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  event->ignore();  // a run ends first; otherwise the event goes through the logic
  Dispatch({EventKind::CloseBox, -1});
}

void MainWindow::SetWavName(const std::string& name) { wavName_->setText(ToQt(name)); }

void MainWindow::ShowMonitor(const std::string& text) {
  if (running_) {
    pendingMonitor_ = text;
    monitorPending_ = true;
    return;
  }
  SetMonitorText(text);
}

// The log mostly grows: then only its new end is added.
void MainWindow::SetMonitorText(const std::string& text) {
  if (text.size() >= shownMonitor_.size() && text.compare(0, shownMonitor_.size(), shownMonitor_) == 0 &&
      !shownMonitor_.empty()) {
    if (text.size() == shownMonitor_.size()) return;
    QTextCursor end(monitor_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(ToQt(text.substr(shownMonitor_.size())));
  } else {
    monitor_->setPlainText(ToQt(text));
  }
  shownMonitor_ = text;
  monitor_->verticalScrollBar()->setValue(monitor_->verticalScrollBar()->maximum());
}

void MainWindow::SetProgress(int percent) {
  // A progress bar repaints at once when its value changes.
  if (running_) {
    pendingProgress_ = percent;
  } else if (progress_->value() != percent) {
    progress_->setValue(percent);
  }
}

void MainWindow::RefreshFiadList() {
  const QSignalBlocker block(fiadList_);
  // Items carry their entry's exact name; their text shows it readably.
  auto entryOf = [](const QListWidgetItem* item) { return item->data(Qt::UserRole).toString(); };
  const QString selected = fiadList_->currentItem() != nullptr && fiadList_->currentItem()->isSelected()
                               ? entryOf(fiadList_->currentItem())
                               : QString();
  QStringList before;
  for (int row = 0; row < fiadList_->count(); ++row) before << entryOf(fiadList_->item(row));
  fiadList_->clear();
  QListWidgetItem* added = nullptr;
  for (const std::string& name : session_->fiads.Entries()) {
    auto* item = new QListWidgetItem(ShownEntryName(name), fiadList_);
    item->setData(Qt::UserRole, ToQt(name));
    if (added == nullptr && !before.removeOne(ToQt(name))) added = item;
  }
  for (int row = 0; row < fiadList_->count() && !selected.isEmpty(); ++row) {
    if (entryOf(fiadList_->item(row)) == selected) {
      fiadList_->setCurrentItem(fiadList_->item(row));
      break;
    }
  }
  // A newly listed FIAD is brought into view.
  if (added != nullptr) fiadList_->scrollToItem(added);
}

void MainWindow::FocusFiadList() { fiadList_->setFocus(); }

int MainWindow::SelectedRow() const {
  const QList<QListWidgetItem*> items = fiadList_->selectedItems();
  return items.isEmpty() ? -1 : fiadList_->row(items.first());
}

bool MainWindow::StartPressed() const { return start_->isChecked(); }
void MainWindow::ReleaseStart() { start_->setChecked(false); }
bool MainWindow::DebugTicked() const { return debug_->isChecked(); }

void MainWindow::ApplyEnabled(const EnabledStates& states) {
  start_->setEnabled(states.start);
  MenuItem(menu_item::kSaveAs)->setEnabled(states.fiadActions);
  MenuItem(menu_item::kPlayToTi)->setEnabled(states.fiadActions);
  MenuItem(menu_item::kRescueScan)->setEnabled(states.start);
  MenuItem(menu_item::kSaveRescueReport)->setEnabled(states.rescueReport);
  for (int number : {gadget::kSaveFiad, gadget::kDeleteFiad, gadget::kViewBasic})
    Gadget(number)->setEnabled(states.fiadActions);
}

void MainWindow::RunTuningDialog() {
  TuningDialog dialog(this, session_->tuning);
  dialog.exec();
}

void MainWindow::RunOptionsDialog() {
  OptionsDialog dialog(this, session_->showRecords, session_->debug, prompts_);
  dialog.exec();
}

void MainWindow::ShowListing(const BasicListing& listing) {
  ListingWindow window(this, listing);
  window.exec();
}

void MainWindow::OpenDocument(const std::string& name) { OpenDocumentFile(this, QString::fromStdString(name)); }

void MainWindow::LockInterface() {
  running_ = true;
  lastScreen_ = std::chrono::steady_clock::now();  // what changes here is shown at the first due poll
  for (int item : {menu_item::kOpen, menu_item::kImportRecording, menu_item::kSaveAs, menu_item::kTuning,
                   menu_item::kDebug, menu_item::kOptions, menu_item::kPlayToTi, menu_item::kRecordFromTape,
                   menu_item::kRescueScan, menu_item::kSaveRescueReport})
    MenuItem(item)->setEnabled(false);
  for (int number : {gadget::kClearDisplay, gadget::kDebug, gadget::kSaveFiad, gadget::kDeleteFiad,
                     gadget::kViewBasic, gadget::kFiadList})
    Gadget(number)->setEnabled(false);
  start_->setText("Stop");
}

bool MainWindow::ScreenDue() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastScreen_ < screenPeriod_) return false;
  lastScreen_ = now;
  return true;
}

void MainWindow::FlushScreen() {
  if (monitorPending_) {
    monitorPending_ = false;
    SetMonitorText(pendingMonitor_);
  }
  if (pendingProgress_ >= 0 && progress_->value() != pendingProgress_) progress_->setValue(pendingProgress_);
  pendingProgress_ = -1;
  if (status_) status_->Fill(pendingStatus_);
  if (gfx_ && pendingGfx_ != nullptr) gfx_->Show(*pendingGfx_);
  pendingGfx_ = nullptr;
}

void MainWindow::UnlockInterface() {
  FlushScreen();
  for (int item : {menu_item::kOpen, menu_item::kImportRecording, menu_item::kSaveAs, menu_item::kTuning,
                   menu_item::kOptions, menu_item::kRecordFromTape})
    MenuItem(item)->setEnabled(true);
  MenuItem(menu_item::kDebug)->setEnabled(logic_.DebugMenuAvailable());
  for (int number : {gadget::kDebug, gadget::kClearDisplay, gadget::kFiadList}) Gadget(number)->setEnabled(true);
  start_->setText("Start");
  // A Stop pressed as the recording ended must not start the next run.
  start_->setChecked(false);
  FocusFiadList();
  running_ = false;
}

RunControls MainWindow::Poll() {
  if (ScreenDue()) {
    FlushScreen();
    QCoreApplication::processEvents();
  }
  return {start_->isChecked(), status_box_->isChecked(), monitor_box_->isChecked()};
}

void MainWindow::ReleaseStop() { start_->setChecked(false); }

void MainWindow::OpenStatus() {
  if (status_) return;
  status_ = new StatusWindow(this);
  // Closed with the window manager's close box: the box is unticked, and the
  // run's next poll closes the window for good.
  status_->closedByUser = [this] { status_box_->setChecked(false); };
  status_->move(frameGeometry().x() - 174, frameGeometry().y());
  status_->show();
}

void MainWindow::UpdateStatus(const StatusFields& fields) {
  // A window just opened shows its file size at once.
  const bool fresh = fields.fileSize != pendingStatus_.fileSize;
  pendingStatus_ = fields;
  if (status_ && fresh) status_->Fill(fields);
}

void MainWindow::CloseStatus() {
  delete status_;
  pendingStatus_ = {};
}

void MainWindow::OpenGfx() {
  if (gfx_) return;
  gfx_ = new GfxWindow(this);
  gfx_->closedByUser = [this] { monitor_box_->setChecked(false); };
  gfx_->move(frameGeometry().x() + 306, frameGeometry().y());
  gfx_->show();
}

void MainWindow::ShowGfx(const RasterImage& picture) { pendingGfx_ = &picture; }

void MainWindow::CloseGfx() {
  delete gfx_;
  pendingGfx_ = nullptr;
}

bool MainWindow::Debugger::Run() {
  return QtDebuggerWindow(window_.State(), window_.Prompts(), window_.Running(), &window_).Run();
}

}  // namespace sonatap::gui
