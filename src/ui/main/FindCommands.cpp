#include "ui/main/FindCommands.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <algorithm>

#include "core/common/TextEncoding.h"
#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
#include "ui/common/QtTextMeasure.h"
#include "ui/dialogs/FindDialog.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/MainWindow.h"

namespace typelane::ui {
namespace {

QString Quoted(const FindOptions& options) {
  return QStringLiteral("\"") + QString::fromStdString(options.text) + QStringLiteral("\"");
}

}  // namespace

FindCommands::FindCommands(MainWindow& window) : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("FindCommands"));
  dialog_ = new FindDialog(&window_);
  connect(dialog_, &FindDialog::FindRequested, this, &FindCommands::FindAgain);
  connect(dialog_, &FindDialog::ReplaceRequested, this, &FindCommands::ReplaceOne);
  connect(dialog_, &FindDialog::ReplaceAllRequested, this, &FindCommands::ReplaceAll);

  // In the Edit menu after Select All.
  struct Item {
    const char* name;
    const char* caption;
    QKeySequence key;
    const char* tip;
  };
  const Item items[] = {
      {"mnuFind", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F), "Find text in the sheet"},
      {"mnuFindNext", "Find &Next", QKeySequence(Qt::Key_F3), "Find the next match"},
      {"mnuFindPrevious", "Find Pre&vious", QKeySequence(Qt::SHIFT | Qt::Key_F3),
       "Find the match before"},
      {"mnuReplace", "R&eplace...", QKeySequence(Qt::CTRL | Qt::Key_H),
       "Replace text in the sheet"},
  };
  QMenu* menu = nullptr;
  QAction* before = nullptr;
  if (QAction* edit = window_.Action(QStringLiteral("mnuEdit"))) {
    menu = edit->menu();
    for (QAction* a : menu->actions()) {
      if (a->objectName() == QStringLiteral("mnuBar3")) before = a;
    }
    menu->insertSeparator(before)->setObjectName(QStringLiteral("mnuBarFind"));
  }
  for (const Item& item : items) {
    auto* action = new QAction(QString::fromLatin1(item.caption), &window_);
    action->setObjectName(QString::fromLatin1(item.name));
    action->setShortcut(item.key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setStatusTip(QString::fromLatin1(item.tip));
    window_.actions_[action->objectName()] = action;
    if (menu != nullptr) menu->insertAction(before, action);
    // A search sees what is being typed into a cell.
    connect(action, &QAction::triggered, this, [this] { window_.grid_->CommitEditor(); });
  }
  connect(window_.Action(QStringLiteral("mnuFind")), &QAction::triggered, this,
          [this] { Open(false); });
  connect(window_.Action(QStringLiteral("mnuReplace")), &QAction::triggered, this,
          [this] { Open(true); });
  connect(window_.Action(QStringLiteral("mnuFindNext")), &QAction::triggered, this,
          [this] { FindAgain(true); });
  connect(window_.Action(QStringLiteral("mnuFindPrevious")), &QAction::triggered, this,
          [this] { FindAgain(false); });
  // F3 keeps working while the Find window has the keyboard.
  for (const char* name : {"mnuFindNext", "mnuFindPrevious"}) {
    QAction* action = window_.Action(QString::fromLatin1(name));
    auto* copy = new QAction(dialog_);
    copy->setShortcut(action->shortcut());
    copy->setShortcutContext(Qt::WindowShortcut);
    connect(copy, &QAction::triggered, action, &QAction::trigger);
    dialog_->addAction(copy);
  }
}

void FindCommands::Open(bool replace) {
  EditGrid* grid = window_.grid_;
  selection_ = grid->Selection();
  const bool several = selection_.left != selection_.right || selection_.top != selection_.bottom;
  dialog_->SetReplaceMode(replace);
  dialog_->OfferSelection(several);
  dialog_->OfferTitles(window_.document_.Kind() != DocumentKind::kTabDelimited);
  dialog_->SetStatus(QString());
  if (!dialog_->isVisible()) {
    // Beside the grid's top right corner, clear of the cells the user reads.
    const QPoint corner = grid->mapToGlobal(QPoint(grid->width() - dialog_->width() - 24, 24));
    dialog_->move(corner);
  }
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
  dialog_->FocusText();
}

CellRect FindCommands::Scope() const {
  if (dialog_->InSelection()) {
    return CellRect{selection_.top, selection_.left, selection_.bottom, selection_.right};
  }
  return WholeExtent(window_.document_.sheet);
}

void FindCommands::Say(const QString& text) {
  dialog_->SetStatus(text);
  if (!dialog_->isVisible()) window_.statusBar()->showMessage(text, 6000);
}

void FindCommands::Show(const FindHit& hit) {
  EditGrid* grid = window_.grid_;
  const int row = std::max(hit.cell.row, 1);
  // Made current without the grid's click: finding is no visit to the cell.
  grid->Quietly([&] { grid->SetCurrentCell(row, hit.cell.col); });
  grid->ForgetAnchor();
  grid->scrollTo(grid->model()->index(row - 1, hit.cell.col - 1));
  window_.ShowCurrentCell(row, hit.cell.col);
  last_hit_ = hit;
  if (hit.in_comment) window_.ShowCommentBox(row, hit.cell.col, false);
}

void FindCommands::FindAgain(bool forward) {
  FindOptions options =
      dialog_->isVisible() || last_options_.text.empty() ? dialog_->Options() : last_options_;
  if (options.text.empty()) {
    Open(false);
    return;
  }
  last_options_ = options;
  Document& document = window_.document_;
  EditGrid* grid = window_.grid_;
  CellPos from{grid->CurrentRow(), grid->CurrentCol()};
  // From a title found last, the search goes on from that title (the grid
  // shows its column's row 1 as current).
  if (last_hit_ && last_hit_->cell.row == 0 && from.row == 1 && from.col == last_hit_->cell.col) {
    from = last_hit_->cell;
  }
  const std::optional<FindHit> hit = FindInSheet(document.sheet, options, Scope(), from, forward);
  if (!hit) {
    last_hit_.reset();
    Say(Quoted(options) + QStringLiteral(" was not found."));
    return;
  }
  Show(*hit);
  QString said;
  if (hit->cell.row == 0) {
    said = QStringLiteral("Found in the title of column %1.").arg(hit->cell.col);
  } else if (hit->in_comment) {
    said = QStringLiteral("Found in the comment of R%1:C%2.").arg(hit->cell.row).arg(hit->cell.col);
  } else {
    said = QStringLiteral("Found in R%1:C%2.").arg(hit->cell.row).arg(hit->cell.col);
  }
  if (hit->wrapped) {
    said += forward ? QStringLiteral(" Went on from the beginning after the end.")
                    : QStringLiteral(" Went on from the end after the beginning.");
  }
  Say(said);
}

void FindCommands::ReplaceOne() {
  const FindOptions options = dialog_->Options();
  if (options.text.empty()) return;
  Document& document = window_.document_;
  EditGrid* grid = window_.grid_;
  // The match shown last is replaced when it is still the current cell and
  // still matches; then the next one is found.
  if (last_hit_ && std::max(last_hit_->cell.row, 1) == grid->CurrentRow() &&
      last_hit_->cell.col == grid->CurrentCol()) {
    const Sheet& sheet = document.sheet;
    const CellPos c = last_hit_->cell;
    const std::string shown = last_hit_->in_comment && sheet.Info(c.row, c.col) != nullptr
                                  ? DecodeText(sheet.Info(c.row, c.col)->comment)
                                  : DecodeText(sheet.Cell(c.row, c.col));
    if (ReplaceInText(shown, options, "").has_value()) {
      const EditStep step(document, "Replace");
      const QtTextMeasure measure(grid->font());
      FinishEdit(document, ReplaceAt(MakeEditContext(document, measure), options, *last_hit_,
                                     dialog_->Replacement()));
      window_.ShowCurrentCell(grid->CurrentRow(), grid->CurrentCol());
    }
  }
  FindAgain(true);
}

void FindCommands::ReplaceAll() {
  const FindOptions options = dialog_->Options();
  if (options.text.empty()) return;
  last_options_ = options;
  Document& document = window_.document_;
  EditGrid* grid = window_.grid_;
  int cells = 0;
  {
    const EditStep step(document, "Replace All");
    const QtTextMeasure measure(grid->font());
    FinishEdit(document, ReplaceAllInSheet(MakeEditContext(document, measure), options, Scope(),
                                           dialog_->Replacement(), &cells));
  }
  window_.ShowCurrentCell(grid->CurrentRow(), grid->CurrentCol());
  last_hit_.reset();
  if (cells == 0) {
    Say(Quoted(options) + QStringLiteral(" was not found: nothing was replaced."));
  } else {
    Say(cells == 1 ? QStringLiteral("Replace All changed 1 cell.")
                   : QStringLiteral("Replace All changed %1 cells.").arg(cells));
  }
}

}  // namespace typelane::ui
