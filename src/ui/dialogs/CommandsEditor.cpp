#include "ui/dialogs/CommandsEditor.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "core/document/Document.h"
#include "ui/common/GridEditor.h"
#include "ui/dialogs/CommandTableModel.h"
#include "ui/dialogs/DelaysDialog.h"

namespace typelane::ui {
namespace {

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CommandsEditor::CommandsEditor(Document& document, QWidget* parent)
    : QDialog(parent), document_(document) {
  setObjectName(QStringLiteral("frmCommands"));
  setWindowTitle(QStringLiteral("Commands"));
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  model_ = new CommandTableModel(document_.commands, this);
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("grdCommands"));
  grid_->setAccessibleName(QStringLiteral("Command table"));
  grid_->setModel(model_);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(22);
  grid_->horizontalHeader()->setDefaultSectionSize(72);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid_->horizontalHeader()->setSectionsClickable(false);
  grid_->horizontalHeader()->setHighlightSections(false);
  // Browse mode until a double click or a typed key opens the editor.
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                         QAbstractItemView::EditKeyPressed);
  grid_->setTabKeyNavigation(true);
  grid_->installEventFilter(this);
  grid_->viewport()->installEventFilter(this);
  layout->addWidget(grid_, 1);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("pnlButtons"));
  panel->setFixedHeight(41);
  auto* buttons = new QHBoxLayout(panel);
  buttons->setContentsMargins(6, 4, 6, 4);
  cancel_ = Button("btnCancel", "Cancel", panel);
  auto* ok = Button("btnOK", "OK", panel);
  auto* save = Button("btnSave", "Make Default", panel);
  auto* load = Button("btnLoad", "Load Defaults", panel);
  ok->setDefault(true);
  cancel_->setEnabled(false);
  for (QPushButton* b : {cancel_, ok, save, load}) buttons->addWidget(b);
  layout->addWidget(panel);

  connect(cancel_, &QPushButton::clicked, this, &CommandsEditor::CancelCommands);
  connect(ok, &QPushButton::clicked, this, &CommandsEditor::ApplyCommands);
  connect(save, &QPushButton::clicked, this, &CommandsEditor::MakeDefault);
  connect(load, &QPushButton::clicked, this, &CommandsEditor::LoadDefaults);

  resize(QSize(335, 431).expandedTo(QSize(panel->sizeHint().width(), 431)));
}

CommandsEditor::~CommandsEditor() = default;

void CommandsEditor::DocumentReset() {
  DropGridEditor(grid_);
  hide();
  backups_.clear();
  changed_ = false;
  cancel_->setEnabled(false);
  model_->Reload();
}

void CommandsEditor::showEvent(QShowEvent* event) {
  // Browse mode on the first command's name, scrolled to the top left.
  DropGridEditor(grid_);
  model_->Reload();
  cancel_->setEnabled(false);
  grid_->setCurrentIndex(model_->index(0, 0));
  grid_->scrollToTop();
  grid_->scrollTo(model_->index(0, 0));
  grid_->setFocus();
  QDialog::showEvent(event);
}

// ---- editing ----

bool CommandsEditor::eventFilter(QObject* watched, QEvent* event) {
  // The in-place editor, once it is whole (polished before it takes a key).
  if (watched == grid_->viewport() && event->type() == QEvent::ChildPolished) {
    if (auto* editor = qobject_cast<QLineEdit*>(static_cast<QChildEvent*>(event)->child())) {
      editor->setObjectName(QStringLiteral("grdCommandsEditor"));
      editor->installEventFilter(this);
      connect(editor, &QLineEdit::textEdited, this, &CommandsEditor::CellEdited,
              Qt::UniqueConnection);
    }
  }
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == grid_ && key == Qt::Key_Escape) {
      // Esc leaves the grid in browse mode; it does not close the window.
      return true;
    }
    if (watched != grid_ && qobject_cast<QLineEdit*>(watched) != nullptr &&
        (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      // Return stores the cell and stays in the window.
      StoreAndCloseGridEditor(grid_, static_cast<QWidget*>(watched));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CommandsEditor::CellEdited() {
  const QModelIndex current = grid_->currentIndex();
  if (!current.isValid()) return;
  const std::pair<int, int> cell{current.row() + 1, current.column()};
  if (backups_.count(cell) == 0) {
    backups_[cell] = model_->Cell(cell.first, cell.second);
    cancel_->setEnabled(true);
    changed_ = true;
  }
  // There is always an empty row at the end to type into.
  if (current.row() == model_->rowCount() - 1) model_->AppendRow();
}

// ---- the buttons ----

void CommandsEditor::ApplyCommands() {
  if (QWidget* editor = OpenGridEditor(grid_)) StoreAndCloseGridEditor(grid_, editor);
  if (changed_) {
    document_.SetModified(true);
    document_.commands.Pack();
    backups_.clear();
    model_->Reload();
    emit Modified();
  }
  if (delays_ != nullptr) {
    delays_->SyncCommandDelays();
  } else {
    document_.delays.SyncCommandDelays(document_.commands);
  }
  if (changed_) emit CommandsChanged();
  hide();
}

void CommandsEditor::CancelCommands() {
  DropGridEditor(grid_);
  const bool restored = changed_ && !backups_.empty();
  if (changed_) {
    for (const auto& [cell, text] : backups_) model_->SetCell(cell.first, cell.second, text);
    backups_.clear();
  }
  cancel_->setEnabled(false);
  if (restored) emit CommandsChanged();
  hide();
}

void CommandsEditor::reject() { CancelCommands(); }

void CommandsEditor::MakeDefault() {
  if (document_.prompter().Message(kTitleInfo,
                                   "Please confirm you want to make these commands your defaults.",
                                   Buttons::kYesNo) != Answer::kYes) {
    return;
  }
  if (QWidget* editor = OpenGridEditor(grid_)) StoreAndCloseGridEditor(grid_, editor);
  document_.commands.Pack();
  backups_.clear();
  model_->Reload();
  document_.SaveCommands();
  cancel_->setEnabled(false);
}

void CommandsEditor::LoadDefaults() {
  if (document_.prompter().Message(
          kTitleInfo, "Please confirm you want to overwrite these commands with the defaults.",
          Buttons::kYesNo) != Answer::kYes) {
    return;
  }
  DropGridEditor(grid_);
  // A commands.dat that cannot be read leaves the table (and its backups) as
  // it was: the message says no default commands were loaded.
  if (!document_.LoadCommands({})) return;
  backups_.clear();
  model_->Reload();
  cancel_->setEnabled(false);
  changed_ = true;
  emit CommandsChanged();
}

}  // namespace typelane::ui
