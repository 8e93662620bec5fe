// The Edit menu, the pop-up menu and the grid's own keys and mouse, driven as
// a user drives them, with a model tester watching every change the grid's
// model tells.

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/EditCommands.h"

using typelane::DocumentKind;
using typelane::FileChoice;
using typelane::testing::UiFixture;
using typelane::ui::EditCommands;
using typelane::ui::EditGrid;
using typelane::ui::GridRect;
using typelane::ui::SheetModel;

namespace {

// The main window shown and active, its model under a tester that stops the
// test at the first wrong begin/end call or count.
struct Window : UiFixture {
  Window() {
    tester = std::make_unique<QAbstractItemModelTester>(
        window->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qFatal("window not active");
    Grid()->setFocus();
  }
  EditGrid* Grid() const { return window->Grid(); }
  SheetModel* Model() const { return window->Model(); }
  QString Text(int row, int col) const {
    return Model()->data(Model()->index(row - 1, col - 1)).toString();
  }
  bool Marked(int row, int col) const {
    return Model()->data(Model()->index(row - 1, col - 1), SheetModel::kHasCommentRole).toBool();
  }
  QString Title(int col) const { return Model()->headerData(col - 1, Qt::Horizontal).toString(); }
  void Trigger(const char* name) { window->Action(QString::fromLatin1(name))->trigger(); }
  QString SizeText() const {
    return window->findChild<QLabel*>(QStringLiteral("StatusBarSize"))->text();
  }
  // Types into a cell as a user does: the first key opens the in-place
  // editor, Return stores the text.
  void Type(int row, int col, const QString& text) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    Grid()->setFocus();
    Grid()->SetCurrentCell(row, col);
    QTest::keyClicks(Grid(), text.left(1));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!Grid()->Editing());
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  std::unique_ptr<QAbstractItemModelTester> tester;
};

// Mouse events with the button state spelled out, so a drag is a drag.
void Mouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}
void Press(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
  Mouse(w, QEvent::MouseButtonPress, pos, button, button);
}
void Drag(QWidget* w, QPoint pos) {
  Mouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}
void Release(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
  Mouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

// The middle of a row's or a column's header section.
QPoint RowHeader(EditGrid* grid, int row) {
  QHeaderView* h = grid->verticalHeader();
  return {h->width() / 2, h->sectionViewportPosition(row - 1) + h->sectionSize(row - 1) / 2};
}
QPoint ColumnHeader(EditGrid* grid, int col) {
  QHeaderView* h = grid->horizontalHeader();
  return {h->sectionViewportPosition(col - 1) + h->sectionSize(col - 1) / 2, h->height() / 2};
}

}  // namespace

class EditCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  // A document pasted into the grid: the progress window is up while it is
  // stored, every byte lands (line breaks as rows, non-ASCII kept), and the
  // grid and the cell-text box show only the long cell's beginning, which no
  // typing in the box can store back.
  void ALargePasteShowsProgressAndKeepsEveryByte() {
    Window w;
    QStringList shown;
    struct Watch : QObject {
      QStringList* shown;
      bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o->objectName() == QLatin1String("frmPasteProgress")) {
          *shown << o->findChild<QLabel*>()->text();
        }
        return false;
      }
    } watch;
    watch.shown = &shown;
    qApp->installEventFilter(&watch);
    const QString big = QString(5'000'000, QLatin1Char('x')) + QStringLiteral("\u00e9nd");
    QApplication::clipboard()->setText(big + QStringLiteral("\nsecond row"));
    w.Grid()->SetCurrentCell(2, 3);
    w.Trigger("mnuPaste");
    // The grid has the keyboard again once the progress window has gone.
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Grid()));
    QApplication::clipboard()->setText(QStringLiteral("small"));
    w.Grid()->SetCurrentCell(5, 1);
    w.Trigger("mnuPaste");
    qApp->removeEventFilter(&watch);
    QCOMPARE(shown, QStringList{QStringLiteral("Pasting 4.8 MB of text...")});
    QCOMPARE(w.document->sheet.Cell(2, 3), big.toStdString());
    QCOMPARE(w.document->sheet.Cell(3, 3), std::string("second row"));
    QCOMPARE(w.Text(5, 1), QStringLiteral("small"));
    QCOMPARE(w.Text(2, 3), QString(4096, QLatin1Char('x')));

    auto* box = w.window->findChild<QLineEdit*>(QStringLiteral("txtCellText"));
    w.Grid()->SetCurrentCell(2, 3);
    QVERIFY(box->isReadOnly());
    QCOMPARE(box->text().size(), 4096);
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClicks(box, QStringLiteral("typed"));
    QCOMPARE(w.document->sheet.Cell(2, 3).size(), big.toStdString().size());
    w.Grid()->SetCurrentCell(3, 3);
    QVERIFY(!box->isReadOnly());
    QCOMPARE(box->text(), QStringLiteral("second row"));
  }

  void CopyAndPasteRepeatTheBlockWithItsComments() {
    Window w;
    w.Type(1, 1, QStringLiteral("a"));
    w.Type(1, 2, QStringLiteral("b"));
    w.Type(2, 1, QStringLiteral("c"));
    // A comment on (2, 2), typed into the note box Add Comment opens.
    w.Grid()->SetCurrentCell(2, 2);
    w.Trigger("mnuAddComment");
    auto* note = w.window->findChild<QPlainTextEdit*>(QStringLiteral("memCellComment"));
    QVERIFY(note->hasFocus());
    QTest::keyClicks(note, QStringLiteral("two"));
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClicks(note, QStringLiteral("lines"));
    w.Grid()->setFocus();
    QVERIFY(w.Marked(2, 2));

    w.Grid()->SelectRange({1, 1, 2, 2});
    w.Key(Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    QCOMPARE(copied->text(), QStringLiteral("a\tb\r\nc\r\n"));
    QCOMPARE(copied->data(EditCommands::CommentFormat()),
             QByteArray("Comment2,2=two%CRLF%lines\r\n"));

    // Four rows by four columns take the 2 x 2 block twice each way, comments
    // included.
    w.Grid()->SelectRange({4, 3, 7, 6});
    w.Key(Qt::Key_V, Qt::ControlModifier);
    for (int top : {3, 5}) {
      for (int left : {4, 6}) {
        QCOMPARE(w.Text(top, left), QStringLiteral("a"));
        QCOMPARE(w.Text(top, left + 1), QStringLiteral("b"));
        QCOMPARE(w.Text(top + 1, left), QStringLiteral("c"));
        QVERIFY(w.Marked(top + 1, left + 1));
        QVERIFY(!w.Marked(top, left));
      }
    }
    QCOMPARE(w.SizeText(), QStringLiteral(" Data size: 7 Cols, 6 Rows"));
    QCOMPARE(w.Model()->rowCount(), 106);
    QCOMPARE(w.Model()->columnCount(), 107);
    QVERIFY(w.document->Modified());

    // Text copied in another program ends its lines with LF alone: still one
    // row per line. Shift+Insert pastes as well.
    QApplication::clipboard()->setText(QStringLiteral("x\ty\nz\n"));
    w.Grid()->SetCurrentCell(10, 1);
    w.Key(Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(w.Text(10, 1), QStringLiteral("x"));
    QCOMPARE(w.Text(10, 2), QStringLiteral("y"));
    QCOMPARE(w.Text(11, 1), QStringLiteral("z"));
    QCOMPARE(w.Model()->rowCount(), 111);

    // Saved, the sheet file holds every comment the paste made.
    const std::string path = w.temp / "pasted.tyl";
    w.prompter.files.push_back(FileChoice{path, 1});
    w.Trigger("mnuSaveAs");
    const std::string saved = UiFixture::ReadFile(path);
    size_t comments = 0;
    for (size_t at = saved.find("=two%CRLF%lines"); at != std::string::npos;
         at = saved.find("=two%CRLF%lines", at + 1)) {
      ++comments;
    }
    QCOMPARE(comments, size_t{5});

    // Cut empties what it copied and lowers the extent.
    w.Grid()->SelectRange({1, 10, 2, 11});
    w.Trigger("mnuCut");
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("x\ty\r\nz\r\n"));
    QCOMPARE(w.Text(10, 1), QString());
    QCOMPARE(w.document->sheet.LastRow(), 6);
    QCOMPARE(w.Model()->rowCount(), 106);
  }

  void ClipboardCommandsActOnTheFocusedControlOnly() {
    Window w;
    w.Type(1, 1, QStringLiteral("kept"));
    w.Type(2, 1, QStringLiteral("below"));
    // A right press inside the selection keeps it for the pop-up menu's Copy;
    // outside it the pressed cell becomes the one the menu acts on.
    w.window->findChild<QLineEdit*>(QStringLiteral("txtDescription"))->setFocus();
    w.Grid()->SelectRange({1, 1, 2, 2});
    QWidget* cells = w.Grid()->viewport();
    const QPoint inside = w.Grid()->visualRect(w.Model()->index(1, 1)).center();
    Press(cells, inside, Qt::RightButton);
    Release(cells, inside, Qt::RightButton);
    QCOMPARE(w.Grid()->Selection(), (GridRect{1, 1, 2, 2}));
    w.Trigger("pckCopy");
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept\r\nbelow\r\n"));
    const QPoint outside = w.Grid()->visualRect(w.Model()->index(0, 3)).center();
    Press(cells, outside, Qt::RightButton);
    Release(cells, outside, Qt::RightButton);
    QCOMPARE(w.Grid()->Selection(), (GridRect{4, 1, 4, 1}));

    // A selection wholly beyond the used cells copies nothing.
    QApplication::clipboard()->setText(QStringLiteral("before"));
    w.Grid()->SelectRange({3, 3, 5, 5});
    w.Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));

    // In the in-place editor Ctrl+C and Ctrl+V do nothing: the editor stays
    // open with its text, and neither the clipboard nor the cells change.
    w.Grid()->SetCurrentCell(2, 2);
    QTest::keyClicks(w.Grid(), QStringLiteral("t"));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, QStringLiteral("yped"));
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    QVERIFY(w.Grid()->Editing());
    QCOMPARE(editor->text(), QStringLiteral("typed"));
    QCOMPARE(w.Text(2, 2), QString());
    // Ctrl+A stores the text and selects every cell of the grid.
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(!w.Grid()->Editing());
    QCOMPARE(w.Text(2, 2), QStringLiteral("typed"));
    QCOMPARE(w.Grid()->Selection(), (GridRect{1, 1, 102, 102}));

    // The description box copies and pastes its own text.
    auto* description = w.window->findChild<QLineEdit*>(QStringLiteral("txtDescription"));
    description->setFocus();
    description->setText(QStringLiteral("orders"));
    description->setSelection(0, 3);
    w.Trigger("mnuCopy");
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ord"));
    description->setCursorPosition(6);
    w.Trigger("mnuPaste");
    QCOMPARE(description->text(), QStringLiteral("ordersord"));
    QCOMPARE(w.Text(1, 1), QStringLiteral("kept"));
    // The cell-text box pastes into the current cell.
    w.Grid()->SetCurrentCell(3, 1);
    auto* box = w.window->findChild<QLineEdit*>(QStringLiteral("txtCellText"));
    box->setFocus();
    w.Trigger("mnuPaste");
    QCOMPARE(w.Text(3, 1), QStringLiteral("ord"));
    QCOMPARE(w.document->sheet.LastRow(), 3);
  }

  void FillInsertAndDeleteKeepTheExtentAndTheMargin() {
    Window w;
    w.Type(1, 1, QStringLiteral("p"));
    w.Type(1, 2, QStringLiteral("q"));
    w.Type(2, 1, QStringLiteral("r"));
    // Typed into row 1, a data text titles its column.
    QCOMPARE(w.Title(1), QStringLiteral("Data"));
    // Fill Down beyond the last row raises it.
    w.Grid()->SelectRange({1, 1, 1, 4});
    w.Key(Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(w.Text(2, 1), QStringLiteral("p"));
    QCOMPARE(w.Text(4, 1), QStringLiteral("p"));
    QCOMPARE(w.Model()->rowCount(), 104);
    // Fill Right beyond the last column raises it.
    w.Grid()->SelectRange({1, 3, 5, 3});
    w.Key(Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(w.Text(3, 5), QStringLiteral("p"));
    QCOMPARE(w.Model()->columnCount(), 105);
    // Fill Up from an empty row empties the rows above it.
    w.Grid()->SelectRange({2, 1, 2, 8});
    w.Trigger("mnuFillUp");
    QCOMPARE(w.Text(1, 2), QString());
    QCOMPARE(w.document->sheet.LastRow(), 4);

    // Insert two rows in front of rows 2..3: the rows below move down.
    w.document->sheet.SetCell(4, 3, "four");
    w.document->CellsChanged({4, 3, 4, 3});
    w.Grid()->SelectRange({1, 2, 3, 3});
    w.Trigger("mnuRowInsert");
    QCOMPARE(w.Text(2, 1), QString());
    QCOMPARE(w.Text(3, 1), QString());
    QCOMPARE(w.Text(4, 1), QStringLiteral("p"));
    QCOMPARE(w.Text(6, 3), QStringLiteral("four"));
    QCOMPARE(w.Model()->rowCount(), 106);
    QCOMPARE(w.Model()->headerData(105, Qt::Vertical).toString(), QStringLiteral("106"));
    QCOMPARE(w.Grid()->Selection(), (GridRect{1, 2, 1, 2}));
    QCOMPARE(w.SizeText(), QStringLiteral(" Data size: 5 Cols, 6 Rows"));
    // Rows wholly below the used ones are not inserted.
    w.Grid()->SelectRange({1, 6, 1, 7});
    w.Trigger("mnuRowInsert");
    QCOMPARE(w.Model()->rowCount(), 106);

    // Deleting rows 1..2 moves the rest up; the last rows go with their text.
    w.Grid()->SelectRange({1, 1, 1, 2});
    w.Trigger("mnuRowDelete");
    QCOMPARE(w.Text(2, 1), QStringLiteral("p"));
    QCOMPARE(w.Text(4, 3), QStringLiteral("four"));
    QCOMPARE(w.Model()->rowCount(), 104);
    QCOMPARE(w.Grid()->CurrentRow(), 1);

    // A column inserted in front of column 1 takes the titles along.
    w.document->sheet.SetCell(0, 1, "First");
    w.document->CellsChanged({0, 1, 0, 1});
    w.Grid()->SelectRange({1, 1, 1, 1});
    w.Trigger("mnuColInsert");
    QCOMPARE(w.Title(1), QString());
    QCOMPARE(w.Title(2), QStringLiteral("First"));
    QCOMPARE(w.Text(4, 4), QStringLiteral("four"));
    QCOMPARE(w.Model()->columnCount(), 106);
    // Deleting columns 1..2 closes up.
    w.Grid()->SelectRange({1, 1, 2, 1});
    w.Trigger("mnuColDelete");
    QCOMPARE(w.Text(4, 2), QStringLiteral("four"));
    QCOMPARE(w.Model()->columnCount(), 104);
    QCOMPARE(w.SizeText(), QStringLiteral(" Data size: 4 Cols, 4 Rows"));

    // Delete in select mode empties the selection, shrinks the extent to what
    // is left, and leaves the grid editing the current cell.
    w.Grid()->setFocus();
    w.Grid()->SelectRange({3, 1, 4, 4});
    w.Key(Qt::Key_Delete);
    QVERIFY(w.Grid()->Editing());
    QCOMPARE(w.Grid()->Selection(), (GridRect{3, 1, 3, 1}));
    QCOMPARE(w.Text(3, 3), QString());
    QCOMPARE(w.Text(4, 2), QStringLiteral("four"));
    QCOMPARE(w.document->sheet.LastCol(), 2);
    QCOMPARE(w.Model()->columnCount(), 102);
    w.Key(Qt::Key_Escape);
    QVERIFY(!w.Grid()->Editing());

    // New starts over with an empty sheet of 100 by 100.
    w.prompter.answers.push_back(typelane::Answer::kNo);
    w.Trigger("mnuNew");
    QCOMPARE(w.Model()->rowCount(), 100);
    QCOMPARE(w.Model()->columnCount(), 100);
    QCOMPARE(w.Text(1, 1), QString());
  }

  void HeadersSelectWholeRowsAndColumns() {
    Window w;
    EditGrid* grid = w.Grid();
    QWidget* rows = grid->verticalHeader()->viewport();
    QWidget* cols = grid->horizontalHeader()->viewport();
    // The very first press on a header selects already.
    Press(rows, RowHeader(grid, 5));
    QCOMPARE(grid->Selection(), (GridRect{1, 5, 100, 5}));
    Drag(rows, RowHeader(grid, 8));
    QCOMPARE(grid->Selection(), (GridRect{1, 5, 100, 8}));
    Drag(rows, RowHeader(grid, 3));
    QCOMPARE(grid->Selection(), (GridRect{1, 3, 100, 5}));
    Release(rows, RowHeader(grid, 3));
    QCOMPARE(grid->CurrentRow(), 5);
    QCOMPARE(grid->CurrentCol(), 1);
    // A right press inside the selected rows keeps them for the pop-up menu;
    // outside it selects the row pressed.
    Press(rows, RowHeader(grid, 4), Qt::RightButton);
    Release(rows, RowHeader(grid, 4), Qt::RightButton);
    QCOMPARE(grid->Selection(), (GridRect{1, 3, 100, 5}));
    // The pop-up menu opens over the header as well.
    QPoint menu_at;
    QObject::connect(grid, &QWidget::customContextMenuRequested,
                     [&](const QPoint& pos) { menu_at = grid->viewport()->mapToGlobal(pos); });
    QContextMenuEvent context(QContextMenuEvent::Mouse, RowHeader(grid, 4),
                              rows->mapToGlobal(RowHeader(grid, 4)));
    QApplication::sendEvent(rows, &context);
    QCOMPARE(menu_at, rows->mapToGlobal(RowHeader(grid, 4)));
    auto* popup = w.window->findChild<QMenu*>(QStringLiteral("mnuPopup"));
    QTRY_VERIFY(popup->isVisible());
    popup->hide();
    Press(rows, RowHeader(grid, 7), Qt::RightButton);
    Release(rows, RowHeader(grid, 7), Qt::RightButton);
    QCOMPARE(grid->Selection(), (GridRect{1, 7, 100, 7}));

    // Dragging over the column headers past the right edge scrolls on and
    // takes in the columns that come into view.
    Press(cols, ColumnHeader(grid, 2));
    QCOMPARE(grid->Selection(), (GridRect{2, 1, 2, 100}));
    const int last_visible = grid->columnAt(grid->viewport()->width() - 1) + 1;
    const QPoint beyond(grid->viewport()->width() + 20, cols->height() / 2);
    for (int i = 0; i < 5; ++i) Drag(cols, beyond);
    QVERIFY(grid->horizontalScrollBar()->value() > 0);
    QCOMPARE(grid->Selection().left, 2);
    QVERIFY2(grid->Selection().right >= last_visible + 5,
             qPrintable(QString::number(grid->Selection().right)));
    Release(cols, beyond);
    // Back to the left edge and beyond it: scrolls back.
    const int scrolled = grid->horizontalScrollBar()->value();
    Press(cols, ColumnHeader(grid, grid->columnAt(10) + 1));
    Drag(cols, QPoint(-20, cols->height() / 2));
    QVERIFY(grid->horizontalScrollBar()->value() < scrolled);
    Release(cols, QPoint(-20, cols->height() / 2));

    // The corner selects every cell.
    grid->horizontalScrollBar()->setValue(0);
    auto* corner = grid->findChild<QAbstractButton*>();
    Press(corner, QPoint(3, 3));
    Release(corner, QPoint(3, 3));
    QCOMPARE(grid->Selection(), (GridRect{1, 1, 100, 100}));

    // A double-click on a title selects the cell below it and opens the
    // heading editor.
    int editors = 0;
    w.window->SetTitleEditorHook([&](QDialog* dialog) {
      ++editors;
      QMetaObject::invokeMethod(dialog, "reject");
    });
    const QPoint title = ColumnHeader(grid, 3);
    Press(cols, title);
    Release(cols, title);
    Mouse(cols, QEvent::MouseButtonDblClick, title, Qt::LeftButton, Qt::LeftButton);
    Release(cols, title);
    QCOMPARE(editors, 1);
    QCOMPARE(grid->Selection(), (GridRect{3, 1, 3, 1}));

    // On the border right of column 2 a double-click fits column 2 instead.
    w.Type(1, 2, QStringLiteral("a rather long text for one column"));
    QHeaderView* header = grid->horizontalHeader();
    const QPoint border(header->sectionViewportPosition(1) + header->sectionSize(1) - 1,
                        header->height() / 2);
    Press(cols, border);
    Release(cols, border);
    Mouse(cols, QEvent::MouseButtonDblClick, border, Qt::LeftButton, Qt::LeftButton);
    Release(cols, border);
    QCOMPARE(editors, 1);
    const int text_width =
        QFontMetrics(grid->font())
            .horizontalAdvance(QStringLiteral("a rather long text for one column"));
    QCOMPARE(header->sectionSize(1), static_cast<int>(text_width * 1.1));
    QCOMPARE(w.document->sheet.ColumnWidth(2), header->sectionSize(1));
  }

  void ClickChecksDropListsAndInsertsCommands() {
    Window w;
    // A recording whose third column ("Enabled flag") takes Y or N.
    w.WriteFile("droplists.dat", "");
    w.window->OpenFile(w.WriteFile("categories.fpb",
                                   UiFixture::ReadFile(std::string(TYPELANE_SOURCE_DIR) +
                                                       "/tests/data/playback/three_records.fpb")));
    QCOMPARE(w.document->Kind(), DocumentKind::kPlayback);
    w.Type(2, 3, QStringLiteral("maybe"));
    w.Grid()->SetCurrentCell(1, 1);
    QCOMPARE(w.prompter.shown.size(), size_t{1});
    QCOMPARE(w.prompter.shown.back().text,
             std::string("The data entered is not valid for the drop list."));
    QCOMPARE(w.prompter.shown.back().title, std::string("Typelane Error"));
    QCOMPARE(w.Text(2, 3), QString());
    QTRY_COMPARE(w.Grid()->CurrentRow(), 2);
    QCOMPARE(w.Grid()->CurrentCol(), 3);
    // Going back there checked nothing more; a value from the list passes.
    QCOMPARE(w.prompter.shown.size(), size_t{1});
    w.Type(2, 3, QStringLiteral("n"));
    w.Grid()->SetCurrentCell(1, 1);
    QCOMPARE(w.prompter.shown.size(), size_t{1});
    QCOMPARE(w.Text(2, 3), QStringLiteral("n"));
    // Pasting checks every cell it wrote, with one message.
    QApplication::clipboard()->setText(QStringLiteral("Y\nbad\nN\n"));
    w.Grid()->SelectRange({3, 1, 3, 1});
    w.Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w.prompter.shown.size(), size_t{2});
    QCOMPARE(w.prompter.shown.back().text,
             std::string("One or more cells contained data that is not valid for the relevant "
                         "drop list. Please re-enter the invalid data."));
    QCOMPARE(w.Text(1, 3), QStringLiteral("Y"));
    QCOMPARE(w.Text(2, 3), QString());
    QCOMPARE(w.Text(3, 3), QStringLiteral("N"));
    // The grid's own Shift+Insert pastes without the check.
    QApplication::clipboard()->setText(QStringLiteral("bad"));
    w.Grid()->SelectRange({3, 2, 3, 2});
    w.Key(Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(w.Text(2, 3), QStringLiteral("bad"));
    w.Grid()->SelectRange({3, 1, 3, 3});
    QCOMPARE(w.prompter.shown.size(), size_t{2});

    // In a sheet file, clicking an empty cell of a column titled with a
    // command puts the command there, when the pointer is on the cell.
    w.prompter.answers.push_back(typelane::Answer::kNo);  // the changes are not saved
    w.window->OpenFile(w.WriteFile("orders.tyl", UiFixture::ExampleSheet()));
    const QRect cell = w.Grid()->visualRect(w.Model()->index(5, 6));
    QCursor::setPos(w.Grid()->viewport()->mapToGlobal(cell.center()));
    QTest::mouseClick(w.Grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(w.Text(6, 7), QStringLiteral("Save"));
    QCOMPARE(w.document->sheet.LastRow(), 6);
    QVERIFY(w.document->Modified());
    QCOMPARE(w.window->findChild<QLineEdit*>(QStringLiteral("txtCellText"))->text(),
             QStringLiteral("Save"));
    QCOMPARE(w.window->findChild<QLabel*>(QStringLiteral("lblCell"))->text(),
             QStringLiteral("R6:C7"));
  }

  void CommentItemsFollowTheCurrentCell() {
    Window w;
    QMenu* edit = w.window->findChild<QMenu*>(QStringLiteral("mnuEdit"));
    auto visible = [&](const char* name) {
      return w.window->Action(QString::fromLatin1(name))->isVisible();
    };
    w.Grid()->SetCurrentCell(100, 4);
    emit edit->aboutToShow();
    QVERIFY(visible("mnuAddComment"));
    QVERIFY(!visible("mnuDeleteComment"));
    // Add Comment on an empty cell beyond the extent raises it, text or not.
    w.Trigger("mnuAddComment");
    QCOMPARE(w.document->sheet.LastRow(), 100);
    QCOMPARE(w.Model()->rowCount(), 200);
    w.Grid()->setFocus();
    QVERIFY(!w.Marked(100, 4));
    emit edit->aboutToShow();
    QVERIFY(visible("mnuAddComment"));
    // Typed and left: the red mark, and Delete Comment offered instead.
    w.Trigger("mnuAddComment");
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("check"));
    w.Grid()->setFocus();
    QVERIFY(w.Marked(100, 4));
    QMenu* popup = w.window->findChild<QMenu*>(QStringLiteral("mnuPopup"));
    emit popup->aboutToShow();
    QVERIFY(!visible("pckAddComment"));
    QVERIFY(visible("pckdeleteComment"));
    w.Trigger("pckdeleteComment");
    QVERIFY(!w.Marked(100, 4));
    emit popup->aboutToShow();
    QVERIFY(visible("pckAddComment"));
    // Titles: Clear empties the selected columns' titles, Clear All every one,
    // neither marks the sheet.
    w.document->sheet.SetCell(0, 2, "Two");
    w.document->sheet.SetCell(0, 150, "Far");
    w.document->CellsChanged({0, 1, 0, 150});
    w.document->SetModified(false);
    w.Grid()->SelectRange({2, 1, 3, 1});
    w.Trigger("mnuClearTitle");
    QCOMPARE(w.Title(2), QString());
    w.Trigger("mnuClearTitles");
    QCOMPARE(w.document->sheet.Cell(0, 150), "");
    QVERIFY(!w.document->Modified());
  }
};

QTEST_MAIN(EditCommandsTest)
#include "EditCommandsTest.moc"
