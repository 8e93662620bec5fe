#include "ui/dialogs/DelaysDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>
#include <optional>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/document/Document.h"
#include "ui/common/CellText.h"
#include "ui/common/GridEditor.h"
#include "ui/common/LocaleNumbers.h"
#include "ui/dialogs/DelayTableModel.h"

namespace typelane::ui {
namespace {

constexpr const char* kAdvancedText[] = {
    "Key and System key press are the length ",
    "of time a simulated \"normal\" or system ",
    "(Alt, Ctrl, or Shift) key stroke is held down ",
    "for.",
    "",
    "Menu call is the length of time a menu is ",
    "displayed before it receives key strokes.",
    "",
    "Hourglass is the delay before re-checking ",
    "the cursor state having identified it as an ",
    "hourglass.",
};

QLabel* BoldLabel(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

DelaysDialog::DelaysDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document) {
  setObjectName(QStringLiteral("frmDelay"));
  setWindowTitle(QStringLiteral("Typelane Delays"));
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(false);

  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("pgeDelays"));
  layout->addWidget(pages_, 1);

  auto* standard = new QWidget(pages_);
  standard->setObjectName(QStringLiteral("tabStandard"));
  auto* standard_layout = new QVBoxLayout(standard);
  auto* standard_grid = new QGridLayout;
  standard_grid->addWidget(BoldLabel("Delay after every:", standard), 0, 0);
  standard_grid->addWidget(BoldLabel("Seconds", standard), 0, 1);
  data_box_ = AddBox(standard, standard_grid, 1, "Data cell is loaded", "txtData");
  cell_box_ = AddBox(standard, standard_grid, 2, "Cell is processed", "txtCell");
  form_box_ = AddBox(standard, standard_grid, 3, "Window is activated", "txtForm");
  // Not a wait after something but the longest a load waits for the target to
  // take a paste; 0 waits as long as it takes.
  paste_box_ = AddBox(standard, standard_grid, 4, "Paste wait", "txtPaste");
  // Likewise a bound: how long a verified load gives the target's field to
  // show a pasted value.
  verify_box_ = AddBox(standard, standard_grid, 5, "Verify wait", "txtVerify");
  standard_layout->addLayout(standard_grid);

  model_ = new DelayTableModel(document_.delays, this);
  grid_ = new QTableView(standard);
  grid_->setObjectName(QStringLiteral("grdDelays"));
  grid_->setAccessibleName(QStringLiteral("Extra delay per command"));
  grid_->setModel(model_);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(22);
  grid_->setColumnWidth(0, 112);
  grid_->setColumnWidth(1, 99);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  // In-place editing is always on: any key, a click or a new current cell
  // opens the editor.
  grid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  grid_->setTabKeyNavigation(true);
  grid_->installEventFilter(this);
  grid_->viewport()->installEventFilter(this);
  standard_layout->addWidget(grid_, 1);
  pages_->addTab(standard, QStringLiteral("Standard"));

  auto* advanced = new QWidget(pages_);
  advanced->setObjectName(QStringLiteral("tabAdvanced"));
  auto* advanced_layout = new QVBoxLayout(advanced);
  auto* advanced_grid = new QGridLayout;
  advanced_grid->addWidget(BoldLabel("Duration of every:", advanced), 0, 0);
  advanced_grid->addWidget(BoldLabel("Milliseconds", advanced), 0, 1);
  key_box_ = AddBox(advanced, advanced_grid, 1, "Key press", "txtKey");
  system_box_ = AddBox(advanced, advanced_grid, 2, "System key press", "txtSystem");
  menu_box_ = AddBox(advanced, advanced_grid, 3, "Menu call", "txtMenu");
  hour_glass_box_ = AddBox(advanced, advanced_grid, 4, "Hourglass check", "txtHourGlass");
  advanced_layout->addLayout(advanced_grid);
  auto* memo = new QPlainTextEdit(advanced);
  memo->setObjectName(QStringLiteral("memAdvanced"));
  memo->setReadOnly(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QStringList lines;
  for (const char* line : kAdvancedText) lines << QString::fromLatin1(line);
  memo->setPlainText(lines.join(QLatin1Char('\n')));
  advanced_layout->addWidget(memo, 1);
  pages_->addTab(advanced, QStringLiteral("Advanced"));

  auto* buttons = new QHBoxLayout;
  auto* cancel = Button("btnCancel", "Cancel", this);
  auto* ok = Button("btnOK", "OK", this);
  auto* reset = Button("btnReset", "Reset", this);
  ok->setDefault(true);
  buttons->addWidget(cancel);
  buttons->addWidget(ok);
  buttons->addWidget(reset);
  layout->addLayout(buttons);
  // Cancel comes first in the tab order.
  setTabOrder(cancel, ok);
  setTabOrder(ok, reset);
  connect(cancel, &QPushButton::clicked, this, &DelaysDialog::CancelDelays);
  connect(ok, &QPushButton::clicked, this, [this] { ApplyDelays(); });
  connect(reset, &QPushButton::clicked, this, &DelaysDialog::ResetDelays);

  FillBoxes();
  resize(QSize(244, 362).expandedTo(sizeHint()));
  setFixedSize(size());
}

DelaysDialog::~DelaysDialog() = default;

QLineEdit* DelaysDialog::AddBox(QWidget* page, QGridLayout* layout, int row, const char* caption,
                                const char* name) {
  auto* label = new QLabel(QString::fromLatin1(caption), page);
  auto* box = new QLineEdit(page);
  box->setObjectName(QString::fromLatin1(name));
  box->setMaximumWidth(90);
  label->setBuddy(box);
  layout->addWidget(label, row, 0);
  layout->addWidget(box, row, 1);
  // Any character typed (Tab never reaches the box's text) counts as a change.
  connect(box, &QLineEdit::textEdited, this, [this] { changed_ = true; });
  return box;
}

void DelaysDialog::FillBoxes() {
  const DelaySettings& d = document_.delays;
  data_box_->setText(SecondsText(d.data_delay));
  cell_box_->setText(SecondsText(d.cell_delay));
  form_box_->setText(SecondsText(d.form_delay));
  paste_box_->setText(SecondsText(d.paste_wait));
  verify_box_->setText(SecondsText(d.verify_wait));
  key_box_->setText(QString::number(d.key_hold));
  system_box_->setText(QString::number(d.system_hold));
  menu_box_->setText(QString::number(d.menu_call));
  hour_glass_box_->setText(QString::number(d.hour_glass));
}

void DelaysDialog::DocumentReset() {
  // What was being typed belonged to the old delays.
  DropGridEditor(grid_);
  hide();
  backups_.clear();
  changed_ = false;
  model_->Reload();
  FillBoxes();
}

void DelaysDialog::showEvent(QShowEvent* event) {
  model_->Reload();
  QDialog::showEvent(event);
}

// ---- the per-command grid ----

bool DelaysDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_->viewport() && event->type() == QEvent::ChildAdded) {
    // The in-place editor: its keys count as keys in the grid.
    auto* child = static_cast<QChildEvent*>(event)->child();
    if (child->isWidgetType()) child->installEventFilter(this);
  }
  if (event->type() == QEvent::KeyPress &&
      (watched == grid_ || (watched->isWidgetType() &&
                            grid_->viewport()->isAncestorOf(static_cast<QWidget*>(watched))))) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Tab && key != Qt::Key_Backtab) BackupCurrentCell();
    if (watched != grid_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      // Return stores the cell; it does not press OK.
      StoreAndCloseGridEditor(grid_, static_cast<QWidget*>(watched));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DelaysDialog::BackupCurrentCell() {
  const QModelIndex current = grid_->currentIndex();
  if (!current.isValid()) return;
  const std::pair<int, int> cell{current.row(), current.column()};
  if (backups_.count(cell) != 0) return;
  backups_[cell] = model_->Cell(cell.first, cell.second);
  changed_ = true;
}

void DelaysDialog::SyncCommandDelays() {
  struct Old {
    std::string name, value;
    std::optional<std::string> name_backup, value_backup;
  };
  std::vector<Old> old;
  const auto& before = document_.delays.CommandDelays();
  for (size_t r = 0; r < before.size(); ++r) {
    Old o{before[r].name, before[r].value, std::nullopt, std::nullopt};
    const int row = static_cast<int>(r);
    if (auto it = backups_.find({row, 0}); it != backups_.end()) o.name_backup = it->second;
    if (auto it = backups_.find({row, 1}); it != backups_.end()) o.value_backup = it->second;
    old.push_back(std::move(o));
  }
  document_.delays.SyncCommandDelays(document_.commands);
  // Rows that stayed keep their order: follow them to their new places.
  backups_.clear();
  const auto& after = document_.delays.CommandDelays();
  size_t next_old = 0;
  for (size_t r = 0; r < after.size(); ++r) {
    for (size_t i = next_old; i < old.size(); ++i) {
      if (old[i].name == after[r].name && old[i].value == after[r].value) {
        const int row = static_cast<int>(r);
        if (old[i].name_backup) backups_[{row, 0}] = *old[i].name_backup;
        if (old[i].value_backup) backups_[{row, 1}] = *old[i].value_backup;
        next_old = i + 1;
        break;
      }
    }
  }
  model_->Reload();
}

void DelaysDialog::RestoreValueBackups() {
  for (auto it = backups_.begin(); it != backups_.end();) {
    if (it->first.second == 1) {
      model_->SetCell(it->first.first, 1, it->second);
      it = backups_.erase(it);
    } else {
      ++it;
    }
  }
}

// ---- the buttons ----

void DelaysDialog::ShowError(const QString& text) { document_.prompter().Error(TextToBytes(text)); }

void DelaysDialog::FocusBox(QLineEdit* box) {
  // A refused box may be on the tab not shown.
  pages_->setCurrentWidget(box->parentWidget());
  box->setFocus();
}

QString DelaysDialog::OutOfRangeMessage(QLineEdit* box, const QString& text, const QString& most,
                                        const QString& unit) {
  // The box by the caption beside it: the message may name one on the other tab.
  QString caption;
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label->buddy() == box) caption = label->text();
  }
  return QStringLiteral("\"%1\" takes from 0 to %2 %3, not '%4'.").arg(caption, most, unit, text);
}

bool DelaysDialog::ApplyDelays() {
  // What is being typed into the grid counts.
  if (QWidget* editor = OpenGridEditor(grid_)) StoreGridEditor(grid_, editor);
  for (QLineEdit* box : {data_box_, cell_box_, form_box_, paste_box_, verify_box_, key_box_,
                         system_box_, menu_box_, hour_glass_box_}) {
    if (box->text().isEmpty()) box->setText(QStringLiteral("0"));
  }
  for (int row = 0; row < model_->rowCount(); ++row) {
    if (model_->Cell(row, 1).empty()) model_->SetCell(row, 1, "0");
  }
  // Every box is read before any is stored: a box that is not a number leaves
  // all the delays as they were (and the window open to mend it).
  // Only delays the sheet file keeps and reads back are taken: no infinity,
  // no "nan", nothing negative, nothing past a day.
  double seconds[5] = {};
  QLineEdit* const fractional[5] = {cell_box_, data_box_, form_box_, paste_box_, verify_box_};
  for (int i = 0; i < 5; ++i) {
    const QString text = fractional[i]->text().trimmed();
    const std::optional<double> value = ReadSeconds(text);
    if (!value || !std::isfinite(*value)) {
      ShowError(NotAFloatMessage(text));
      FocusBox(fractional[i]);
      return false;
    }
    if (*value < 0 || *value > DelaySettings::kMaxSeconds) {
      ShowError(OutOfRangeMessage(fractional[i], text, SecondsText(DelaySettings::kMaxSeconds),
                                  QStringLiteral("seconds")));
      FocusBox(fractional[i]);
      return false;
    }
    seconds[i] = *value;
  }
  int ms[4] = {};
  QLineEdit* const whole[4] = {key_box_, system_box_, menu_box_, hour_glass_box_};
  for (int i = 0; i < 4; ++i) {
    const QString text = whole[i]->text().trimmed();
    try {
      ms[i] = StrToInt(TextToBytes(text));
    } catch (const ConversionError& e) {
      ShowError(BytesToText(e.what()));
      FocusBox(whole[i]);
      return false;
    }
    if (ms[i] < 0 || ms[i] > DelaySettings::kMaxMilliseconds) {
      ShowError(OutOfRangeMessage(whole[i], text, QString::number(DelaySettings::kMaxMilliseconds),
                                  QStringLiteral("milliseconds")));
      FocusBox(whole[i]);
      return false;
    }
  }
  DelaySettings& d = document_.delays;
  d.SetDelayByName("CellDelay", seconds[0]);
  d.SetDelayByName("DataDelay", seconds[1]);
  d.SetDelayByName("FormDelay", seconds[2]);
  d.SetDelayByName("PasteWait", seconds[3]);
  d.SetDelayByName("VerifyWait", seconds[4]);
  d.key_hold = ms[0];
  d.system_hold = ms[1];
  d.menu_call = ms[2];
  d.hour_glass = ms[3];
  for (auto it = backups_.begin(); it != backups_.end();) {
    it = it->first.second == 1 ? backups_.erase(it) : std::next(it);
  }
  if (changed_) {
    document_.SetModified(true);
    emit Modified();
  }
  FillBoxes();
  hide();
  return true;
}

void DelaysDialog::CancelDelays() {
  // What is being typed into the grid is dropped.
  DropGridEditor(grid_);
  FillBoxes();
  RestoreValueBackups();
  hide();
}

void DelaysDialog::reject() { CancelDelays(); }

void DelaysDialog::ResetDelays() {
  data_box_->setText(QStringLiteral("0"));
  cell_box_->setText(SecondsText(0.2));
  form_box_->setText(SecondsText(0.25));
  paste_box_->setText(QStringLiteral("30"));
  verify_box_->setText(SecondsText(0.5));
  key_box_->setText(QStringLiteral("50"));
  system_box_->setText(QStringLiteral("50"));
  menu_box_->setText(QStringLiteral("250"));
  hour_glass_box_->setText(QStringLiteral("1000"));
  for (int row = 0; row < model_->rowCount(); ++row) {
    const std::string value = model_->Cell(row, 1);
    if (backups_.count({row, 1}) == 0 && value != "0") backups_[{row, 1}] = value;
    model_->SetCell(row, 1, "0");
  }
  changed_ = false;
}

}  // namespace typelane::ui
