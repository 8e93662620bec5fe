#include "ui/main/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextDocument>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "core/document/CommandLine.h"
#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
#include "core/edit/CellEdits.h"
#include "core/edit/ColumnWidths.h"
#include "core/edit/Comments.h"
#include "core/edit/Titles.h"
#include "core/files/ProgramFolder.h"
#include "core/forms/KindControls.h"
#include "core/forms/Playback.h"
#include "core/load/Conversions.h"
#include "core/load/Platform.h"
#include "ui/common/AccessibleNames.h"
#include "ui/common/CellText.h"
#include "ui/common/QtTextMeasure.h"
#include "ui/common/ToolbarIcons.h"
#include "ui/dialogs/TitleEditor.h"
#include "ui/grid/CellDisplay.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/AboutBox.h"
#include "ui/main/DialogHost.h"
#include "ui/main/EditCommands.h"
#include "ui/main/FindCommands.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/LoadRunner.h"
#include "ui/main/UndoCommands.h"
#include "ui/main/WindowCombo.h"

namespace typelane::ui {

MainWindow::MainWindow(Document& document, Platform& platform, QWidget* parent)
    : QMainWindow(parent), document_(document), platform_(platform) {
  setObjectName(QStringLiteral("frmTypelane"));
  setWindowIcon(ToolbarIcon(QStringLiteral("Typelane")));
  open_url_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("pnlMain"));
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* toolbar = new QWidget(central);
  toolbar->setObjectName(QStringLiteral("Toolbar"));
  toolbar->setFixedHeight(97);
  layout->addWidget(toolbar);

  model_ = new SheetModel(document_, this);
  grid_ = new EditGrid(model_, central);
  grid_->setAccessibleName(QStringLiteral("Sheet"));
  grid_->setAccessibleDescription(
      QStringLiteral("The sheet: one row per record, one cell per step of entering it"));
  layout->addWidget(grid_, 1);

  source_ = new QPlainTextEdit(central);
  source_->setObjectName(QStringLiteral("MemSource"));
  source_->setAccessibleName(QStringLiteral("Source"));
  source_->setAccessibleDescription(QStringLiteral("The playback file as it would be saved"));
  source_->setReadOnly(true);
  source_->setLineWrapMode(QPlainTextEdit::NoWrap);
  source_->setContextMenuPolicy(Qt::CustomContextMenu);
  source_->hide();
  source_->setEnabled(false);
  layout->addWidget(source_, 1);

  comment_box_ = new QPlainTextEdit(central);
  comment_box_->setObjectName(QStringLiteral("memCellComment"));
  comment_box_->setAccessibleName(QStringLiteral("Cell comment"));
  // A yellow note with the palette's text colour is white on yellow in a dark
  // palette: the text colour goes with the yellow.
  comment_box_->setStyleSheet(QStringLiteral("background: yellow; color: black;"));
  comment_box_->resize(233, 137);
  comment_box_->setTabChangesFocus(false);
  comment_box_->installEventFilter(this);
  comment_box_->hide();
  setCentralWidget(central);

  BuildToolbar(toolbar);
  BuildMenus();
  BuildPopupMenus();
  BuildStatusBar();

  comment_timer_ = new QTimer(this);
  comment_timer_->setObjectName(QStringLiteral("tmrCellComment"));
  comment_timer_->setInterval(1000);
  connect(comment_timer_, &QTimer::timeout, this, &MainWindow::Tick);
  comment_timer_->start();

  Connect();
  edit_commands_ = new EditCommands(*this);
  undo_commands_ = new UndoCommands(*this);
  find_commands_ = new FindCommands(*this);
  dialogs_ = new DialogHost(*this, platform_);
  // The grid has no label to carry an access key; F6 leads back to it from
  // any box of the toolbar (Tab inside the grid moves between cells).
  auto* to_grid = new QShortcut(QKeySequence(Qt::Key_F6), this);
  to_grid->setObjectName(QStringLiteral("GoToGrid"));
  connect(to_grid, &QShortcut::activated, this, [this] {
    if (grid_->isVisible()) {
      grid_->setFocus(Qt::ShortcutFocusReason);
    } else {
      source_->setFocus(Qt::ShortcutFocusReason);
    }
  });
  NameControls(*this);

  // Start-up: the recent files from the settings, an empty sheet file.
  document_.ReadRecentFiles();
  document_.SetModified(false);
  document_.SetDocumentKind(DocumentKind::kSheetFile);
  ShowDocument(true);
  Tick();
  resize(1024, 734 + 97);
}

MainWindow::~MainWindow() {
  // Closing the in-place editor below stores its text, and the document tells
  // of it: nobody may forward that to this window's controls any more.
  delete edit_commands_;
  edit_commands_ = nullptr;
  delete undo_commands_;
  undo_commands_ = nullptr;
  delete find_commands_;
  find_commands_ = nullptr;
}

void MainWindow::ShowDocument(bool reload) {
  showing_ = true;
  setWindowTitle(PathToText(document_.Caption()));
  if (reload) {
    // The model has followed the sheet's reset; the view starts at the top.
    grid_->Quietly([this] { grid_->SetCurrentCell(1, 1); });
    grid_->scrollToTop();
  } else {
    // Cell colours follow the command table and the options.
    model_->Repaint();
  }
  {
    const QSignalBlocker block(group_box_);
    group_box_->clear();
    for (const std::string& group : document_.GroupItems()) group_box_->addItem(BytesToText(group));
    group_box_->setCurrentIndex(group_box_->findText(BytesToText(document_.command_group)));
  }
  auto_tab_box_->setChecked(document_.auto_tab);
  {
    const QSignalBlocker block(window_box_);
    window_box_->setEditText(BytesToText(document_.window_title));
  }
  {
    const QSignalBlocker block(description_box_);
    description_box_->setText(BytesToText(document_.description));
  }
  ApplyKindControls();
  UpdateRecentFiles();
  UpdateSaveState();
  UpdateSizeText();
  ShowCurrentCell(grid_->CurrentRow(), grid_->CurrentCol());
  showing_ = false;
}

void MainWindow::MarkModified() {
  document_.SetModified(true);
  UpdateSaveState();
  UpdateSizeText();
}

void MainWindow::MarkTyping() {
  document_.SetModifiedByTyping();
  UpdateSaveState();
  UpdateSizeText();
}

void MainWindow::UpdateSaveState() {
  // Save is offered only while there are unsaved changes; Save As always.
  const bool modified = document_.Modified();
  Action(QStringLiteral("mnuSave"))->setEnabled(modified);
  buttons_.at(QStringLiteral("icnSave"))->setEnabled(modified);
}

void MainWindow::UpdateSizeText() { size_panel_->setText(BytesToText(document_.SizeText())); }

void MainWindow::ApplyKindControls() {
  const KindControls c = ControlsForKind(document_.Kind());
  auto enable = [this](std::initializer_list<const char*> names, bool on) {
    for (const char* name : names) {
      const QString key = QString::fromLatin1(name);
      if (QAction* action = Action(key)) action->setEnabled(on);
      const auto button = buttons_.find(key);
      if (button != buttons_.end()) button->second->setEnabled(on);
    }
  };
  grid_->SetCornerText(BytesToText(c.top_left_text));
  enable({"mnuColInsert", "mnuColDelete", "pckColInsert", "pckColDelete"}, c.col_insert_delete);
  enable({"mnuTitles", "pckTitles"}, c.titles);
  enable({"mnuConvert", "pckConvert"}, c.convert);
  enable({"mnuCommands", "icnCommands"}, c.commands);
  enable({"mnuSendData", "icnSendData", "mnuPreviewLoad"}, c.send_data);
  enable({"mnuDelays", "icnDelays"}, c.delays);
  enable({"mnuProgress"}, c.progress);
  enable({"mnuAddComment", "mnuDeleteComment", "pckAddComment", "pckdeleteComment"}, c.comments);
  group_box_->setEnabled(c.group_box);
  auto_tab_box_->setEnabled(c.auto_tab);
  window_box_->setEnabled(c.window_box);
  description_box_->setEnabled(c.description);
  // A switch of kind always returns from the source view to the grid.
  HideSource();
  enable({"mnuViewSource", "icnViewSource"}, c.view_source);
}

// ---- the current cell and the cell-text box ----

void MainWindow::ShowCurrentCell(int row, int col) {
  if (row <= 0 || col <= 0) return;
  cell_label_->setText(QStringLiteral("R%1:C%2").arg(row).arg(col));
  // A cell too long for the box shows its beginning and cannot be typed
  // into: storing the box's text back would cut the cell.
  const std::string_view bytes = document_.sheet.Cell(row, col);
  const bool editable = IsEditableCell(bytes);
  cell_text_box_->setReadOnly(!editable);
  cell_text_box_->setText(editable ? BytesToText(bytes) : ShownCellText(bytes));
  if (!editable) cell_text_box_->setCursorPosition(0);
}

void MainWindow::WriteCellTextBox() {
  const int row = grid_->CurrentRow();
  const int col = grid_->CurrentCol();
  if (row <= 0 || col <= 0 || cell_text_box_->isReadOnly()) return;
  // Typing into the box goes on as one step while the current cell stays.
  const EditStep step(document_, "Typing",
                      "box " + std::to_string(row) + " " + std::to_string(col));
  const QtTextMeasure measure(grid_->font());
  FinishEdit(document_,
             EditCellInBox(MakeEditContext(document_, measure), row, col,
                           TextToBytes(cell_text_box_->text(), document_.sheet.Cell(row, col))));
  MarkModified();
}

void MainWindow::MoveFromCellTextBox(bool tab) {
  int row = grid_->CurrentRow();
  int col = grid_->CurrentCol();
  const int rows = model_->rowCount();
  const int cols = model_->columnCount();
  if (tab) {
    if (col < cols) {
      ++col;
    } else {
      col = 1;
      row = row < rows ? row + 1 : 1;
    }
  } else if (row < rows) {
    ++row;
  } else {
    row = 1;
    col = 1;
  }
  grid_->SetCurrentCell(row, col);
  grid_->setFocus();
}

void MainWindow::UpdateCommentItems() {
  const CellInfo* info = document_.sheet.Info(grid_->CurrentRow(), grid_->CurrentCol());
  const bool has_comment = info != nullptr && !info->comment.empty();
  for (const char* name : {"mnuAddComment", "pckAddComment"}) {
    Action(QString::fromLatin1(name))->setVisible(!has_comment);
  }
  for (const char* name : {"mnuDeleteComment", "pckdeleteComment"}) {
    Action(QString::fromLatin1(name))->setVisible(has_comment);
  }
}

void MainWindow::Tick() {
  if (comment_box_->isHidden() && grid_->isVisible()) {
    const QModelIndex index = grid_->indexAt(grid_->viewport()->mapFromGlobal(QCursor::pos()));
    if (index.isValid() &&
        grid_->viewport()->rect().contains(grid_->viewport()->mapFromGlobal(QCursor::pos()))) {
      const CellInfo* info = document_.sheet.Info(index.row() + 1, index.column() + 1);
      if (info != nullptr && !info->comment.empty()) {
        ShowCommentBox(index.row() + 1, index.column() + 1, false);
      }
    }
  }
  const QTime now = QTime::currentTime();
  time_panel_->setText(
      QStringLiteral("Time: %1:%2").arg(now.hour()).arg(now.minute(), 2, 10, QLatin1Char('0')));
}

QString MainWindow::ClockText(int hour, int minute) {
  return QStringLiteral("Time: %1:%2").arg(hour).arg(minute, 2, 10, QLatin1Char('0'));
}

void MainWindow::ShowCommentBox(int row, int col, bool edit) {
  const QModelIndex index = model_->index(row - 1, col - 1);
  if (!index.isValid()) return;
  // Right of the cell; to its left, ending at its right edge, when the grid
  // has no room on the right and more on the left.
  const QRect cell = grid_->visualRect(index);
  const int grid_width = grid_->viewport()->width();
  const int box_width = comment_box_->width();
  int left = cell.right() + 1;
  if (grid_width < box_width + cell.right() && grid_width - cell.right() < cell.right()) {
    left = cell.right() + 1 - box_width;
  }
  const QPoint at = grid_->viewport()->mapTo(centralWidget(), QPoint(left, cell.top()));
  comment_box_->move(at);
  const CellInfo* info = document_.sheet.Info(row, col);
  {
    const QSignalBlocker block(comment_box_);
    // Comments keep their line breaks as CR LF.
    QString text = info != nullptr ? BytesToText(info->comment) : QString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    comment_box_->setPlainText(text);
    comment_box_->document()->setModified(false);
  }
  comment_cell_ = {row, col};
  comment_box_->show();
  comment_box_->raise();
  if (edit) comment_box_->setFocus();
}

void MainWindow::HideCommentBox() {
  comment_cell_ = {0, 0};
  comment_box_->hide();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove && comment_box_->isVisible() &&
      !comment_box_->hasFocus()) {
    if (watched == grid_->viewport()) {
      const QModelIndex index =
          grid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (!index.isValid() || std::pair(index.row() + 1, index.column() + 1) != comment_cell_) {
        HideCommentBox();
      }
    } else if (watched == grid_->verticalHeader()->viewport() ||
               watched == grid_->horizontalHeader()->viewport()) {
      // A header is no cell: the note goes as it would on another cell.
      HideCommentBox();
    }
  }
  if (watched == comment_box_ && event->type() == QEvent::FocusOut) {
    // Leaving the box stores what the user typed into the cell it shows; a note
    // opened by hovering and left untouched stores nothing.
    const auto [row, col] = comment_cell_;
    if (comment_box_->document()->isModified() && row > 0 && col > 0) {
      const EditStep step(document_, "Edit Comment");
      const QtTextMeasure measure(grid_->font());
      FinishEdit(document_, SetCommentText(MakeEditContext(document_, measure), row, col,
                                           comment_box_->toPlainText().toStdString()));
      MarkModified();
    }
    HideCommentBox();
  }
  if (watched == cell_text_box_ && event->type() == QEvent::FocusIn) {
    // Clicked into: the box edits the cell as it is now.
    ShowCurrentCell(grid_->CurrentRow(), grid_->CurrentCol());
  }
  if (watched == cell_text_box_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      MoveFromCellTextBox(key->key() == Qt::Key_Tab);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- editing ----

void MainWindow::ConvertCommand(int conversion) {
  // Named as the Convert menu names them (Conversion's order).
  static const char* const kStepNames[] = {"Convert to Keystroke(s)", "Convert to Copy and Paste",
                                           "Convert to Auto Tab", "Convert to No Auto Tab"};
  const EditStep step(document_, kStepNames[std::clamp(conversion, 0, 3)]);
  const GridRect s = grid_->Selection();
  ConvertCells(document_.sheet, document_.commands, CellRect{s.top, s.left, s.bottom, s.right},
               static_cast<Conversion>(conversion));
  document_.CellsChanged(CellRect{s.top, s.left, s.bottom, s.right});
  ShowCurrentCell(grid_->CurrentRow(), grid_->CurrentCol());
  MarkModified();
}

// ---- help, about ----

void MainWindow::EditTitles(bool from_double_click) {
  const int cols = model_->columnCount();
  QStringList titles;
  for (int c = 1; c <= cols; ++c) titles << BytesToText(document_.sheet.Cell(0, c));
  TitleEditor editor(titles, grid_->CurrentCol(), this);
  NameControls(editor);
  connect(&editor, &TitleEditor::KeyTyped, this, &MainWindow::MarkTyping);
  if (title_editor_hook_) {
    QTimer::singleShot(0, &editor, [this, &editor] { title_editor_hook_(&editor); });
  }
  if (editor.exec() != QDialog::Accepted) return;
  // The editor's row holds the top-left cell first, which is not a title.
  std::vector<std::string> edited{std::string()};
  for (const QString& title : editor.Titles()) edited.push_back(title.toStdString());
  const EditStep step(document_, "Edit Titles");
  const QtTextMeasure measure(grid_->horizontalHeader()->font());
  const EditContext context = MakeEditContext(document_, measure);
  SheetChange change = SetTitles(context, edited);
  if (from_double_click && document_.options.title_size) change.Merge(FitColumnsToTitles(context));
  FinishEdit(document_, change);
}

QUrl MainWindow::LocalHelpUrl() const {
  const std::string path = InProgramFolder(document_.ProgramFolder(), "help/index.htm");
  return QUrl::fromLocalFile(QFileInfo(PathToText(path)).absoluteFilePath());
}

void MainWindow::ShowLocalHelp() {
  const QUrl page = LocalHelpUrl();
  if (open_url_(page)) return;
  // No browser on this desktop: the pages are plain HTML, our own window shows them.
  if (QFileInfo(page.toLocalFile()).isReadable()) {
    if (help_window_ == nullptr) help_window_ = new HelpWindow(this);
    help_window_->ShowPage(page);
    return;
  }
  document_.prompter().Error(
      "The help cannot be shown: no web browser is set up on this desktop, and the help file " +
      page.toLocalFile().toStdString() + " cannot be read.");
}

void MainWindow::ShowAbout() {
  AboutBox about([this](const QUrl& url) { open_url_(url); }, this);
  NameControls(about);
  about.exec();
}

}  // namespace typelane::ui
