#include "gui/debugger_dialog.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>

#include "gui/bit_view_dialog.h"
#include "gui/ui_support.h"

namespace sonatap::gui {
namespace {

QPushButton* Button(QWidget* parent, const char* text, QRect place, const char* tip) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(place);
  button->setToolTip(tip);
  button->setAutoDefault(false);
  return button;
}

QLabel* Label(QWidget* parent, const char* text, QRect place) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
  return label;
}

QLabel* SunkenCount(QWidget* parent, const std::string& text, QRect place, const char* name) {
  auto* label = new QLabel(QString::fromStdString(text), parent);
  label->setObjectName(name);
  label->setGeometry(place);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QTableWidgetItem* Cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

DebuggerDialog::DebuggerDialog(Session& session, UserPrompts& prompts, bool fileOpen, QWidget* parent)
    : QDialog(parent), session_(session), prompts_(prompts), logic_(session, fileOpen) {
  setWindowTitle("Sonatap - Debug");
  setFixedSize(384, 390);

  list_ = new QTableWidget(0, 4, this);
  list_->setObjectName("RecordList");
  list_->setGeometry(10, 60, 290, 320);
  list_->setHorizontalHeaderLabels({"Lock", "Checksum", "Record", "File Pos"});
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->horizontalHeader()->setSectionsClickable(false);
  list_->horizontalHeader()->setHighlightSections(false);
  const int widths[] = {67, 70, 56, 76};
  for (int column = 0; column < 4; ++column) list_->setColumnWidth(column, widths[column]);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(17);
  list_->setShowGrid(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);

  count_ = new QSpinBox(this);
  count_->setObjectName("Count");
  count_->setGeometry(10, 30, 50, 20);
  count_->setToolTip("Manually change number of records in this file.");
  // An empty store shows 0 until the user picks a count; from then on the
  // spin keeps to 1 to 256.
  count_->setRange(logic_.Count() < DebuggerWindowLogic::kMinCount ? 0 : DebuggerWindowLogic::kMinCount,
                   DebuggerWindowLogic::kMaxCount);
  count_->setValue(logic_.Count());

  Label(this, "Number of Records", {10, 10, 100, 20});
  Label(this, "Records detected", {130, 10, 100, 20});
  firstCount_ = SunkenCount(this, logic_.FirstCountText(), {130, 30, 35, 20}, "FirstCount");
  secondCount_ = SunkenCount(this, logic_.SecondCountText(), {180, 30, 35, 20}, "SecondCount");

  export_ = Button(this, "Export", {310, 100, 65, 20}, "Export Debug Records.");
  import_ = Button(this, "Import", {310, 130, 65, 20}, "Import Debug Records.");
  autoLock_ = Button(this, "Auto Lock", {310, 200, 65, 30}, "Auto lock all good records.");
  debugRec_ = Button(this, "Debug Rec", {310, 240, 65, 20}, "Advanced manual Debug on selected record.");
  ok_ = Button(this, "OK", {310, 310, 65, 30}, "Store Debugging Information for Accumulation with later scans.");
  storeFiadButton_ = Button(this, "Store FIAD", {310, 350, 65, 30}, "Store current FIAD state accumulated so far.");

  connect(list_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (rendering_ || item->column() != 0) return;
    logic_.SetTicked(item->row(), item->checkState() == Qt::Checked);
    Render();
  });
  connect(list_, &QTableWidget::itemSelectionChanged, this, [this] {
    if (rendering_) return;
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    logic_.Select(rows.isEmpty() ? -1 : rows.first().row());
    Render();
  });
  connect(count_, &QSpinBox::valueChanged, this, [this](int value) { SpinChanged(value); });
  connect(export_, &QPushButton::clicked, this, [this] {
    logic_.Export(prompts_);
    Render();
  });
  connect(import_, &QPushButton::clicked, this, [this] {
    logic_.Import(prompts_);
    Render();
  });
  connect(autoLock_, &QPushButton::clicked, this, [this] {
    logic_.AutoLock();
    Render();
  });
  connect(debugRec_, &QPushButton::clicked, this, [this] { OpenBitView(); });
  connect(ok_, &QPushButton::clicked, this, [this] {
    storeFiad_ = false;
    accept();
  });
  connect(storeFiadButton_, &QPushButton::clicked, this, [this] {
    storeFiad_ = true;
    accept();
  });

  Fill();
  Render();
  CentreOver(this, parent);
}

bool DebuggerDialog::Run() {
  storeFiad_ = false;
  exec();
  return logic_.Leave(storeFiad_);
}

void DebuggerDialog::reject() {
  storeFiad_ = false;
  QDialog::reject();
}

void DebuggerDialog::Fill() {
  rendering_ = true;
  const auto& rows = logic_.Rows();
  list_->clearContents();
  list_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    QTableWidgetItem* lock = Cell(rows[i].lock);
    lock->setFlags(lock->flags() | Qt::ItemIsUserCheckable);
    lock->setCheckState(rows[i].ticked ? Qt::Checked : Qt::Unchecked);
    list_->setItem(i, 0, lock);
    list_->setItem(i, 1, Cell(rows[i].status));
    list_->setItem(i, 2, Cell(rows[i].record));
    list_->setItem(i, 3, Cell(rows[i].filePos));
  }
  rendering_ = false;
}

void DebuggerDialog::Render() {
  rendering_ = true;
  const auto& rows = logic_.Rows();
  QItemSelectionModel* selection = list_->selectionModel();
  for (int i = 0; i < static_cast<int>(rows.size()) && i < list_->rowCount(); ++i) {
    QTableWidgetItem* lock = list_->item(i, 0);
    const Qt::CheckState tick = rows[i].ticked ? Qt::Checked : Qt::Unchecked;
    if (lock->checkState() != tick) lock->setCheckState(tick);
    const QModelIndex index = list_->model()->index(i, 0);
    if (selection->isRowSelected(i, {}) != rows[i].selected)
      selection->select(index, (rows[i].selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                   QItemSelectionModel::Rows);
  }
  export_->setEnabled(logic_.ExportEnabled());
  import_->setEnabled(logic_.ImportEnabled());
  debugRec_->setEnabled(logic_.DebugRecEnabled());
  rendering_ = false;
}

void DebuggerDialog::SpinChanged(int value) {
  if (count_->minimum() < DebuggerWindowLogic::kMinCount) {
    QSignalBlocker block(count_);
    count_->setMinimum(DebuggerWindowLogic::kMinCount);
    value = count_->value();
  }
  // The list is refilled from the store: ticks not yet written back are lost.
  logic_.CountChanged(value);
  Fill();
  Render();
}

void DebuggerDialog::OpenBitView() {
  const int row = logic_.DebugRecRow();
  if (row != 0) {
    BitViewDialog view(session_, prompts_, row, this);
    view.Run();
  }
  // The list keeps the row's old status text until it is next refilled.
  logic_.AfterDebugRec();
  Render();
}

}  // namespace sonatap::gui
