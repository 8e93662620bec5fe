#include "ui/main/EditCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/CellEdits.h"
#include "core/edit/ColumnWidths.h"
#include "core/edit/Comments.h"
#include "core/edit/QuotedCells.h"
#include "core/edit/Titles.h"
#include "core/load/Platform.h"
#include "ui/common/QtTextMeasure.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/MainWindow.h"
#include "ui/main/WindowCombo.h"

namespace typelane::ui {
namespace {

CellRect ToCellRect(const GridRect& r) { return CellRect{r.top, r.left, r.bottom, r.right}; }

const QString& Utf8TextFormat() {
  static const QString format = QStringLiteral("text/plain;charset=utf-8");
  return format;
}

// The clipboard's text as UTF-8 bytes. Where the clipboard offers UTF-8
// itself (X11 does), its bytes are taken as they are: a QString on the way
// would hold a pasted document again, at two bytes a character, and cost a
// conversion there and one back.
QByteArray ClipboardUtf8(const QMimeData& data) {
  if (data.hasFormat(Utf8TextFormat())) return data.data(Utf8TextFormat());
  // Another X11 program's text that is not offered under that name: asked for
  // as UTF8_STRING Qt hands over its bytes (as text/plain it decodes them).
  if (QGuiApplication::platformName() == QLatin1String("xcb") && data.hasText()) {
    QByteArray bytes = data.data(QStringLiteral("UTF8_STRING"));
    if (bytes.endsWith('\0')) bytes.chop(1);
    if (!bytes.isEmpty()) return bytes;
  }
  return data.text().toUtf8();
}

// A spreadsheet's quoted cells (a line break inside one) stay one cell; our
// own copy, with or without comments, is read as it was written.
std::optional<std::string> SpreadsheetRows(const QMimeData& data, const QByteArray& utf8) {
  if (QApplication::clipboard()->ownsClipboard() || data.hasFormat(EditCommands::CommentFormat())) {
    return std::nullopt;
  }
  std::vector<std::string> formats;
  for (const QString& format : data.formats()) formats.push_back(format.toStdString());
  return ReadQuotedCells(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())),
                         OffersSpreadsheetFormat(formats));
}

// From this size a paste tells how far it is: storing and showing tens of
// megabytes takes a moment the user should not take for a hang.
constexpr size_t kPasteProgressBytes = 4 * 1024 * 1024;

// From this size a copy goes to the desktop layer, where it can serve it
// faster than Qt (on X11 Qt hands large texts over in pieces of up to 16 MB,
// which costs the reader and the X server far more than pieces of 1 MiB).
// Smaller copies stay with Qt, which sends them in one piece anyway.
constexpr size_t kDesktopCopyBytes = 1024 * 1024;

// The names the grid's UTF-8 text goes under, as Qt offers a QMimeData's
// text/plain and text/plain;charset=utf-8 on X11 (the desktop layer adds the
// Latin-1 ones, STRING and TEXT, as Qt does).
constexpr const char* kTextFormats[] = {"text/plain", "UTF8_STRING", "text/plain;charset=utf-8"};

}  // namespace

const QString& EditCommands::CommentFormat() {
  static const QString format = QStringLiteral("application/x-qt-windows-mime;value=\"Typelane\"");
  return format;
}

EditCommands::EditCommands(MainWindow& window) : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("EditCommands"));
  window_.document_.AddObserver(this);
  Connect();
}

EditCommands::~EditCommands() { window_.document_.RemoveObserver(this); }

void EditCommands::Connect() {
  auto on = [this](const char* name, auto slot) {
    connect(window_.Action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
  };
  auto click = [this](const char* name, auto slot) {
    connect(window_.buttons_.at(QString::fromLatin1(name)), &QToolButton::clicked, this, slot);
  };
  for (const char* name : {"mnuCut", "pckCut"}) on(name, [this] { Cut(); });
  for (const char* name : {"mnuCopy", "pckCopy"}) on(name, [this] { Copy(); });
  for (const char* name : {"mnuPaste", "pckPaste"}) on(name, [this] { Paste(); });
  for (const char* name : {"mnuClear", "pckClear"}) on(name, [this] { Clear(); });
  // A toolbar button reached with Tab takes the focus: the edit commands act
  // on the control the user last worked in.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* /*old*/, QWidget* now) {
    const MainWindow& w = window_;
    if (now != nullptr && (now == w.grid_ || now == w.source_ || now == w.cell_text_box_ ||
                           now == w.description_box_ || now == w.window_box_->lineEdit())) {
      edit_target_ = now;
    }
  });
  click("icnCut", [this] { Cut(); });
  click("icnCopy", [this] { Copy(); });
  click("icnPaste", [this] { Paste(); });

  EditGrid* grid = window_.grid_;
  for (const char* name : {"mnuRowSelect", "pckRowSelect"}) on(name, [grid] { grid->Select(1); });
  for (const char* name : {"mnuColSelect", "pckColSelect"}) on(name, [grid] { grid->Select(2); });
  for (const char* name : {"mnuSelectAll", "pckSelectAll"}) on(name, [grid] { grid->Select(3); });
  for (const char* name : {"mnuRowInsert", "pckRowInsert"})
    on(name, [this] { Insert(WholeCells::kRows); });
  for (const char* name : {"mnuRowDelete", "pckRowDelete"})
    on(name, [this] { Delete(WholeCells::kRows); });
  for (const char* name : {"mnuColInsert", "pckColInsert"})
    on(name, [this] { Insert(WholeCells::kColumns); });
  for (const char* name : {"mnuColDelete", "pckColDelete"})
    on(name, [this] { Delete(WholeCells::kColumns); });
  for (const char* name : {"mnuAutofit", "pckSelAutofit"}) on(name, [this] { AutofitSelection(); });
  for (const char* name : {"mnuAutofitCol", "pckColAutofit"})
    on(name, [this] { AutofitColumn(window_.grid_->CurrentCol()); });
  on("mnuFillDown", [this] { Fill(FillDirection::kDown); });
  on("mnuFillRight", [this] { Fill(FillDirection::kRight); });
  on("mnuFillUp", [this] { Fill(FillDirection::kUp); });
  on("mnuFillLeft", [this] { Fill(FillDirection::kLeft); });
  for (const char* name : {"mnuClearTitle", "pckClearTitle"}) on(name, [this] { ClearTitle(); });
  for (const char* name : {"mnuClearTitles", "pckClearTitles"})
    on(name, [this] { ClearAllTitles(); });
  for (const char* name : {"mnuAddComment", "pckAddComment"}) on(name, [this] { AddComment(); });
  for (const char* name : {"mnuDeleteComment", "pckdeleteComment"})
    on(name, [this] { DeleteComment(); });

  connect(grid, &EditGrid::CurrentCellChanged, this, &EditCommands::CellClicked);
  connect(grid, &EditGrid::ClearRequested, this, [this] {
    const EditStep step(window_.document_, "Clear");
    const QtTextMeasure measure(window_.grid_->font());
    FinishEdit(window_.document_, ClearCells(MakeEditContext(window_.document_, measure),
                                             ToCellRect(window_.grid_->Selection())));
  });
  connect(grid, &EditGrid::PasteRequested, this, &EditCommands::GridPaste);
  connect(grid, &EditGrid::BorderDoubleClicked, this, &EditCommands::AutofitColumn);
  connect(grid, &EditGrid::TitleDoubleClicked, this, [this] {
    // Tab-delimited text has no titles to edit.
    if (window_.document_.Kind() != DocumentKind::kTabDelimited) window_.EditTitles(true);
  });
}

// ---- Cut, Copy, Paste, Clear ----

namespace {

// The grid's copy for Qt's clipboard: the block's UTF-8 bytes, set once under
// both names: X11 serves them as they are (UTF8_STRING, text/plain), and a
// paste here takes them back as they are; a QString of the whole block would
// cost two conversions.
QMimeData* GridMimeData(std::string_view text, std::string_view comments) {
  auto* data = new QMimeData;
  const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
  data->setData(QStringLiteral("text/plain"), bytes);
  data->setData(Utf8TextFormat(), bytes);
  if (!comments.empty()) {
    data->setData(EditCommands::CommentFormat(),
                  QByteArray(comments.data(), static_cast<qsizetype>(comments.size())));
  }
  return data;
}

}  // namespace

QWidget* EditCommands::EditTarget() const {
  QWidget* focus = QApplication::focusWidget();
  for (const auto& [name, button] : window_.buttons_) {
    if (focus == button) return edit_target_;
  }
  return focus;
}

void EditCommands::Copy() {
  QWidget* focus = EditTarget();
  if (focus == window_.grid_) {
    std::optional<ClipboardBlock> block =
        CopyCommand(window_.document_.sheet, ToCellRect(window_.grid_->Selection()));
    if (!block) return;
    if (block->text.size() >= kDesktopCopyBytes) {
      // Served from the block's own bytes: nothing is copied on the way.
      ClipboardOffer offer;
      auto text = std::make_shared<const std::string>(std::move(block->text));
      for (const char* name : kTextFormats) offer.formats.push_back({name, text});
      if (!block->comments.empty()) {
        offer.formats.push_back({CommentFormat().toStdString(),
                                 std::make_shared<const std::string>(std::move(block->comments))});
      }
      if (window_.platform_.OfferClipboard(offer)) return;
      // Qt serves it after all.
      block->text = *text;
      if (const std::string* comments = offer.Bytes(CommentFormat().toStdString())) {
        block->comments = *comments;
      }
    }
    QApplication::clipboard()->setMimeData(GridMimeData(block->text, block->comments));
  } else if (focus == window_.source_) {
    window_.source_->copy();
  } else if (auto* line = qobject_cast<QLineEdit*>(focus);
             line != nullptr &&
             (line == window_.cell_text_box_ || line == window_.description_box_ ||
              line == window_.window_box_->lineEdit())) {
    if (line->hasSelectedText()) QApplication::clipboard()->setText(line->selectedText());
  }
}

void EditCommands::Clear() {
  QWidget* focus = EditTarget();
  if (focus == window_.grid_) {
    const EditStep step(window_.document_, "Clear");
    const QtTextMeasure measure(window_.grid_->font());
    FinishEdit(window_.document_, ClearCells(MakeEditContext(window_.document_, measure),
                                             ToCellRect(window_.grid_->Selection())));
    ShowCurrent();
  } else if (focus == window_.cell_text_box_ && window_.cell_text_box_->hasSelectedText() &&
             !window_.cell_text_box_->isReadOnly()) {  // read-only: a cell too long to edit
    window_.cell_text_box_->del();
    window_.WriteCellTextBox();
  } else if (focus == window_.description_box_ && window_.description_box_->hasSelectedText()) {
    // The description follows its box (textChanged), which marks the sheet.
    window_.description_box_->del();
  }
}

void EditCommands::Cut() {
  const EditStep step(window_.document_, "Cut");
  Copy();
  Clear();
}

void EditCommands::Paste() {
  const EditStep step(window_.document_, "Paste");
  QWidget* focus = EditTarget();
  if (focus == window_.grid_) {
    PasteIntoGrid(true);
  } else if (focus == window_.window_box_->lineEdit()) {
    window_.window_box_->lineEdit()->paste();
  } else if (focus == window_.cell_text_box_) {
    if (window_.cell_text_box_->isReadOnly()) return;  // a cell too long to edit
    window_.cell_text_box_->paste();
    window_.WriteCellTextBox();
  } else if (focus == window_.description_box_) {
    window_.description_box_->paste();
  }
}

void EditCommands::GridPaste() { PasteIntoGrid(false); }

void EditCommands::PasteIntoGrid(bool check_drop_lists) {
  // Our own large copy still on the clipboard is pasted from its bytes as
  // they are, without a transfer; anything else comes through Qt.
  const std::optional<ClipboardOffer> own = window_.platform_.CurrentClipboardOffer();
  const QMimeData* data = own ? nullptr : QApplication::clipboard()->mimeData();
  if (!own && data == nullptr) return;
  // Everything is read from the clipboard before the progress window lets
  // events run (the clipboard may change owners meanwhile).
  std::string_view text;
  std::string_view comments;
  QByteArray utf8;
  QByteArray comment_bytes;
  std::string quoted;
  // The grid's own copy ends its rows at CR LF; another program's text may
  // end its lines with LF alone (Qt gives Windows' CR LF as LF too), and each
  // of them is a row.
  PastedLines lines = PastedLines::kAtCarriageReturn;
  if (own) {
    const std::string* own_text = own->Bytes("text/plain");
    const std::string* own_comments = own->Bytes(CommentFormat().toStdString());
    if (own_text != nullptr) text = *own_text;
    if (own_comments != nullptr) comments = *own_comments;
  } else {
    comment_bytes = data->data(CommentFormat());
    comments =
        std::string_view(comment_bytes.constData(), static_cast<size_t>(comment_bytes.size()));
    utf8 = ClipboardUtf8(*data);
    text = std::string_view(utf8.constData(), static_cast<size_t>(utf8.size()));
    if (std::optional<std::string> rows = SpreadsheetRows(*data, utf8)) {
      quoted = std::move(*rows);
      utf8 = QByteArray();  // the clipboard's copy goes before the sheet takes its own
      text = quoted;
    } else {
      lines = PastedLines::kAtAnyBreak;
    }
  }
  std::unique_ptr<QProgressDialog> progress;
  if (text.size() >= kPasteProgressBytes) {
    progress = std::make_unique<QProgressDialog>(
        QStringLiteral("Pasting %1 MB of text...")
            .arg(static_cast<double>(text.size()) / (1024.0 * 1024.0), 0, 'f', 1),
        QString(), 0, 3, &window_);
    progress->setWindowTitle(QStringLiteral("Typelane"));
    progress->setObjectName(QStringLiteral("frmPasteProgress"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setValue(1);  // read; shown and painted at once
    progress->setValue(2);
  }
  const EditStep step(window_.document_, "Paste");
  const QtTextMeasure measure(window_.grid_->font());
  const EditContext context = MakeEditContext(window_.document_, measure);
  const CellRect selection = ToCellRect(window_.grid_->Selection());
  SheetChange change = check_drop_lists ? PasteCommand(context, selection, text, comments, lines)
                                        : PasteCells(context, selection, text, comments, lines);
  utf8 = QByteArray();
  quoted = std::string();
  if (progress) progress->setValue(3);
  FinishEdit(window_.document_, std::move(change));
  if (progress) {
    // The main window and its grid have the keyboard again, as after any
    // paste (without a window manager nobody would give it back).
    progress.reset();
    window_.activateWindow();
    window_.grid_->setFocus();
  }
  ShowCurrent();
}

// ---- the grid alone ----

void EditCommands::Fill(FillDirection direction) {
  static const char* const kStepNames[] = {"Fill Down", "Fill Up", "Fill Left", "Fill Right"};
  const EditStep step(window_.document_, kStepNames[static_cast<int>(direction)]);
  const QtTextMeasure measure(window_.grid_->font());
  FinishEdit(window_.document_, FillCells(MakeEditContext(window_.document_, measure),
                                          ToCellRect(window_.grid_->Selection()), direction));
  ShowCurrent();
}

void EditCommands::Insert(WholeCells kind) {
  EditGrid* grid = window_.grid_;
  const GridRect s = grid->Selection();
  // The view stays where it is; the selection shrinks to its top-left cell.
  const int h = grid->horizontalScrollBar()->value();
  const int v = grid->verticalScrollBar()->value();
  const QtTextMeasure measure(grid->font());
  Document& document = window_.document_;
  const EditStep step(document, kind == WholeCells::kRows ? "Insert Rows" : "Insert Columns");
  grid->Quietly([&] {
    FinishEdit(document, InsertCells(MakeEditContext(document, measure), ToCellRect(s), kind,
                                     document.SheetEvents()));
    grid->SelectRange({s.left, s.top, s.left, s.top});
  });
  grid->ForgetAnchor();
  grid->horizontalScrollBar()->setValue(h);
  grid->verticalScrollBar()->setValue(v);
  ShowCurrent();
}

void EditCommands::Delete(WholeCells kind) {
  EditGrid* grid = window_.grid_;
  const GridRect s = grid->Selection();
  const QtTextMeasure measure(grid->font());
  Document& document = window_.document_;
  const EditStep step(document, kind == WholeCells::kRows ? "Delete Rows" : "Delete Columns");
  grid->Quietly([&] {
    FinishEdit(document, DeleteCells(MakeEditContext(document, measure), ToCellRect(s), kind,
                                     document.SheetEvents()));
  });
  // The cells under the old current cell moved: nothing of them is checked.
  grid->ForgetAnchor();
  grid->SetCurrentCell(s.top, s.left);
  ShowCurrent();
}

void EditCommands::AutofitSelection() {
  const EditStep step(window_.document_, "Autofit Selection");
  const QtTextMeasure measure(window_.grid_->font());
  FinishEdit(window_.document_,
             typelane::AutofitSelection(MakeEditContext(window_.document_, measure),
                                        ToCellRect(window_.grid_->Selection())));
}

void EditCommands::AutofitColumn(int col) {
  if (col <= 0) return;
  const EditStep step(window_.document_, "Autofit Column");
  const QtTextMeasure measure(window_.grid_->font());
  FinishEdit(window_.document_, typelane::AutofitColumn(MakeEditContext(window_.document_, measure),
                                                        col, 0, window_.document_.sheet.LastRow()));
}

void EditCommands::ClearTitle() {
  const GridRect s = window_.grid_->Selection();
  const EditStep step(window_.document_, "Clear Title");
  const QtTextMeasure measure(window_.grid_->font());
  FinishEdit(window_.document_,
             ClearTitles(MakeEditContext(window_.document_, measure), s.left, s.right));
}

void EditCommands::ClearAllTitles() {
  const EditStep step(window_.document_, "Clear All Titles");
  const QtTextMeasure measure(window_.grid_->font());
  FinishEdit(window_.document_,
             typelane::ClearAllTitles(MakeEditContext(window_.document_, measure)));
}

void EditCommands::AddComment() {
  const int row = window_.grid_->CurrentRow();
  const int col = window_.grid_->CurrentCol();
  if (row <= 0 || col <= 0) return;
  const QtTextMeasure measure(window_.grid_->font());
  {
    const EditStep step(window_.document_, "Add Comment");
    FinishEdit(window_.document_,
               typelane::AddComment(MakeEditContext(window_.document_, measure), row, col));
  }
  window_.ShowCommentBox(row, col, true);
}

void EditCommands::DeleteComment() {
  const int row = window_.grid_->CurrentRow();
  const int col = window_.grid_->CurrentCol();
  if (row <= 0 || col <= 0) return;
  const EditStep step(window_.document_, "Delete Comment");
  const QtTextMeasure measure(window_.grid_->font());
  // The note box showing this comment goes with it (hidden before it could
  // store what it holds back into the cell).
  if (window_.CommentCell() == std::pair(row, col)) {
    const bool focused = window_.comment_box_->hasFocus();
    window_.HideCommentBox();
    if (focused) window_.grid_->setFocus();
  }
  FinishEdit(window_.document_,
             typelane::DeleteComment(MakeEditContext(window_.document_, measure), row, col));
}

// ---- the grid's click ----

void EditCommands::CellClicked(int row, int col) {
  EditGrid* grid = window_.grid_;
  const GridRect s = grid->Selection();
  const QPoint pointer = grid->viewport()->mapFromGlobal(QCursor::pos());
  CellClick click;
  click.previous = CellPos{grid->AnchorRow(), grid->AnchorCol()};
  click.current = CellPos{row, col};
  click.single_cell = s.left == s.right && s.top == s.bottom;
  click.checks_suspended = checks_suspended_;
  click.pointer_on_cell =
      grid->viewport()->rect().contains(pointer) && grid->indexAt(pointer).isValid();
  const QtTextMeasure measure(grid->font());
  ClickResult result;
  {
    // The click may insert a command into the cell, or empty a value its drop
    // list refused.
    EditStep step(window_.document_, "Insert Command");
    result = ClickCell(MakeEditContext(window_.document_, measure), click);
    if (result.reselect) step.Rename("Clear");
    FinishEdit(window_.document_, result.change);
  }
  if (result.reselect) {
    // Back to the emptied cell once the press that left it has finished, with
    // the checks off so that moving there checks nothing.
    checks_suspended_ = true;
    const CellPos cell = *result.reselect;
    QTimer::singleShot(0, this, [this, cell] {
      checks_suspended_ = true;
      window_.grid_->SetCurrentCell(cell.row, cell.col);
      checks_suspended_ = false;
    });
  }
  ShowCurrent();
}

void EditCommands::ShowCurrent() {
  window_.ShowCurrentCell(window_.grid_->CurrentRow(), window_.grid_->CurrentCol());
}

// ---- the document's events ----

void EditCommands::ModifiedChanged(bool /*modified*/) { window_.UpdateSaveState(); }

void EditCommands::ExtentChanged(const SheetExtent& /*extent*/) { window_.UpdateSizeText(); }

void EditCommands::SheetReset(const SheetExtent& /*extent*/) {
  checks_suspended_ = false;
  window_.UpdateSizeText();
}

}  // namespace typelane::ui
