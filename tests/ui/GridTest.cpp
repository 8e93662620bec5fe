// The sheet grid and its model: shape follows the extent, cells read from and
// written to the sheet's own bytes, selections as ranges, keys.

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include "core/common/Prompter.h"
#include "core/document/Document.h"
#include "core/settings/SettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "ui/common/CellText.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"

using typelane::Document;
using typelane::MemorySettingsStore;
using typelane::testing::ScriptedPrompter;
using typelane::ui::EditGrid;
using typelane::ui::GridRect;
using typelane::ui::SheetModel;

namespace {

struct Grid {
  Grid() : document(prompter, settings, TYPELANE_BIN_DIR) {
    document.SetUserFolder("");
    document.LoadCommands({});
    model = new SheetModel(document);
    tester =
        new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid = new EditGrid(model);
    grid->resize(800, 600);
  }
  ~Grid() {
    delete grid;
    delete tester;
    delete model;
  }
  ScriptedPrompter prompter;
  MemorySettingsStore settings;
  Document document;
  SheetModel* model;
  QAbstractItemModelTester* tester;
  EditGrid* grid;
};

}  // namespace

class GridTest : public QObject {
  Q_OBJECT

 private slots:
  void TypingGrowsTheGridBeyondTheExtent() {
    Grid g;
    g.grid->show();
    g.grid->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(g.grid));
    QCOMPARE(g.model->rowCount(), 100);
    QCOMPARE(g.model->columnCount(), 100);
    QCOMPARE(g.model->headerData(99, Qt::Vertical).toString(), QStringLiteral("100"));
    int changes = 0;
    QObject::connect(g.model, &SheetModel::CellChanged, [&] { ++changes; });
    g.grid->setFocus();
    g.grid->SetCurrentCell(5, 3);
    QTest::keyClicks(g.grid, QStringLiteral("q"));
    QVERIFY(g.grid->Editing());
    QTest::keyClick(qobject_cast<QLineEdit*>(QApplication::focusWidget()), Qt::Key_Return);
    QTRY_COMPARE(g.document.sheet.Cell(5, 3), std::string_view("q"));
    QCOMPARE(g.document.sheet.LastRow(), 5);
    QCOMPARE(g.document.sheet.LastCol(), 3);
    QCOMPARE(g.model->rowCount(), 105);
    QCOMPARE(g.model->columnCount(), 103);
    QCOMPARE(changes, 1);
    QCOMPARE(g.model->headerData(104, Qt::Vertical).toString(), QStringLiteral("105"));
    QVERIFY(!g.grid->Editing());

    // Shrinking the extent takes the extra rows away again.
    g.document.sheet.SetCell(5, 3, "");
    g.document.sheet.SetLastRow(0);
    g.document.sheet.SetLastCol(0);
    g.document.CellsChanged({5, 3, 5, 3});
    QCOMPARE(g.model->rowCount(), 100);
    QCOMPARE(g.model->columnCount(), 100);
    // A converted recording offers no blank columns.
    g.document.sheet.SetBlankCols(0);
    g.document.sheet.SetCell(1, 4, "v");
    g.document.sheet.RaiseExtent(1, 4);
    g.document.CellsChanged({1, 4, 1, 4});
    QCOMPARE(g.model->columnCount(), 4);
  }

  void EditsKeepTheEncodingTheCellCameIn() {
    Grid g;
    // "Café" as Windows-1252 (one byte for é) and as UTF-8.
    g.document.sheet.SetCell(1, 1, "Caf\xe9");
    g.document.sheet.SetCell(1, 2, "Caf\xc3\xa9");
    g.document.sheet.SetCell(1, 3, "\x81\x8d");  // undefined in Windows-1252
    g.document.sheet.RaiseExtent(1, 3);
    g.document.CellsChanged({1, 1, 1, 3});
    QCOMPARE(g.model->data(g.model->index(0, 0)).toString(), QStringLiteral("Caf\u00e9"));
    QCOMPARE(g.model->data(g.model->index(0, 1)).toString(), QStringLiteral("Caf\u00e9"));
    // Unchanged text leaves the bytes alone.
    QVERIFY(g.model->setData(g.model->index(0, 2), g.model->data(g.model->index(0, 2))));
    QCOMPARE(g.document.sheet.Cell(1, 3), "\x81\x8d");
    // Edited: Windows-1252 stays Windows-1252 while it can, UTF-8 stays UTF-8.
    QVERIFY(g.model->setData(g.model->index(0, 0), QStringLiteral("Caf\u00e9 \u20ac")));
    QCOMPARE(g.document.sheet.Cell(1, 1), "Caf\xe9 \x80");
    QVERIFY(g.model->setData(g.model->index(0, 1), QStringLiteral("Caf\u00e9s")));
    QCOMPARE(g.document.sheet.Cell(1, 2), "Caf\xc3\xa9s");
    // A character Windows-1252 lacks turns the cell into UTF-8 rather than losing it.
    QVERIFY(g.model->setData(g.model->index(0, 0), QStringLiteral("\u4e2d")));
    QCOMPARE(g.document.sheet.Cell(1, 1), "\xe4\xb8\xad");
    // Every byte survives the trip through the screen.
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    QCOMPARE(typelane::ui::TextToBytes(typelane::ui::BytesToText(all), "x\xff"), all);
  }

  void SelectionsAreReadAsOneRange() {
    Grid g;
    // A big sheet: a whole-column selection is 200,000 cells. (The model tester
    // would walk all 4 million cells after the reload.)
    delete g.tester;
    g.tester = nullptr;
    g.document.sheet.SetCell(200000, 20, "end");
    g.document.sheet.RaiseExtent(200000, 20);
    g.document.CellsChanged({200000, 20, 200000, 20});
    g.grid->show();
    g.grid->SelectRange({2, 3, 4, 6});
    QCOMPARE(g.grid->Selection(), (GridRect{2, 3, 4, 6}));
    g.grid->Select(2);
    QCOMPARE(g.grid->Selection(), (GridRect{2, 1, 4, 200100}));
    QCOMPARE(g.grid->CurrentRow(), 1);
    QCOMPARE(g.grid->CurrentCol(), 4);
    g.grid->SelectRange({2, 3, 4, 6});
    g.grid->Select(1);
    QCOMPARE(g.grid->Selection(), (GridRect{1, 3, 120, 6}));
    QCOMPARE(g.grid->CurrentCol(), 1);
    g.grid->Select(3);
    QCOMPARE(g.grid->Selection(), (GridRect{1, 1, 120, 200100}));
    // Pressing a row header selects that row.
    QHeaderView* rows = g.grid->verticalHeader();
    const int y = rows->sectionViewportPosition(4) + 5;
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, QPoint(5, y));
    QCOMPARE(g.grid->Selection(), (GridRect{1, 5, 120, 5}));
  }

  void RowsHaveOneFixedHeightAndBoldHeaders() {
    Grid g;
    QCOMPARE(g.grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(g.grid->rowHeight(0), EditGrid::kRowHeight);
    QVERIFY(g.model->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    g.document.sheet.SetCell(0, 2, "Item");
    g.document.CellsChanged({0, 2, 0, 2});
    QCOMPARE(g.model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Item"));
    // Sizing a column with the mouse is a change to the sheet.
    int changes = 0;
    QObject::connect(g.grid, &EditGrid::Changed, [&] { ++changes; });
    g.grid->horizontalHeader()->resizeSection(1, 150);
    QCOMPARE(g.document.sheet.ColumnWidth(2), 150);
    QCOMPARE(changes, 1);
  }

  void KindColoursAndTheCommentMark() {
    Grid g;
    g.document.options.data_colour = 0x0000FF;       // red, as 0x00BBGGRR
    g.document.options.keystroke_colour = 0xFF0000;  // blue
    g.document.sheet.SetCell(1, 1, "data");
    g.document.sheet.SetCell(1, 2, "\\{TAB}");
    g.document.sheet.AttachInfo(1, 1).comment = "note";
    g.document.sheet.AttachInfo(1, 2);  // an empty comment shows no mark
    g.document.sheet.RaiseExtent(1, 3);
    g.document.CellsChanged({1, 1, 1, 3});
    QCOMPARE(g.model->data(g.model->index(0, 0), Qt::BackgroundRole).value<QColor>(),
             QColor(255, 0, 0));
    QCOMPARE(g.model->data(g.model->index(0, 1), Qt::BackgroundRole).value<QColor>(),
             QColor(0, 0, 255));
    QVERIFY(!g.model->data(g.model->index(0, 2), Qt::BackgroundRole).isValid());
    QVERIFY(g.model->data(g.model->index(0, 0), SheetModel::kHasCommentRole).toBool());
    QVERIFY(!g.model->data(g.model->index(0, 1), SheetModel::kHasCommentRole).toBool());
  }

  void CopyKeyNeverCopiesJustTheCurrentCell() {
    Grid g;
    g.grid->show();
    g.grid->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(g.grid));
    g.document.sheet.SetCell(1, 1, "secret");
    g.document.sheet.RaiseExtent(1, 1);
    g.document.CellsChanged({1, 1, 1, 1});
    QApplication::clipboard()->setText(QStringLiteral("before"));
    g.grid->setFocus();
    g.grid->SetCurrentCell(1, 1);
    QTest::keyClick(g.grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    int pastes = 0;
    QObject::connect(g.grid, &EditGrid::PasteRequested, [&] { ++pastes; });
    QTest::keyClick(g.grid, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(pastes, 1);
    // Delete in select mode asks for the selection to be emptied and edits the cell.
    int clears = 0;
    QObject::connect(g.grid, &EditGrid::ClearRequested, [&] { ++clears; });
    g.grid->SelectRange({1, 1, 3, 3});
    QTest::keyClick(g.grid, Qt::Key_Delete);
    QCOMPARE(clears, 1);
    QVERIFY(g.grid->Editing());
    QCOMPARE(g.grid->Selection(), (GridRect{1, 1, 1, 1}));
    QTest::keyClick(qobject_cast<QLineEdit*>(QApplication::focusWidget()), Qt::Key_Escape);
    QVERIFY(!g.grid->Editing());
  }
};

QTEST_MAIN(GridTest)
#include "GridTest.moc"
