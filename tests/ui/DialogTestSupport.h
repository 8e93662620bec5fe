#pragma once

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>

namespace typelane::testing {

// The child of a window or dialog with the given objectName, as type T; the
// test ends at once when there is none (a renamed control).
template <typename T = QWidget>
T* NamedChild(const QObject& parent, const char* name) {
  auto* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) qFatal("no %s", name);
  return child;
}

// The in-place editor of an item view, while one is open.
inline QLineEdit* OpenEditor(QAbstractItemView* view) {
  for (QLineEdit* editor : view->viewport()->findChildren<QLineEdit*>()) {
    if (editor->isVisible()) return editor;
  }
  return nullptr;
}

// Types text into a cell the way a user does: the cell is made current, the
// first key opens the editor (or goes into the one already open, whose text
// is selected), Return stores it.
inline void TypeIntoCell(QAbstractItemView* view, int row, int col, const QString& text) {
  view->setFocus();
  view->setCurrentIndex(view->model()->index(row, col));
  QLineEdit* editor = OpenEditor(view);
  if (editor == nullptr) {
    QTest::keyClicks(view, text.left(1));
    editor = OpenEditor(view);
    QVERIFY2(editor != nullptr, "no in-place editor");
    QTest::keyClicks(editor, text.mid(1));
  } else {
    editor->selectAll();
    QTest::keyClicks(editor, text);
  }
  QTest::keyClick(editor, Qt::Key_Return);
}

// Empties a cell: F2 opens the editor, Delete takes the text, Return stores.
inline void ClearCell(QAbstractItemView* view, int row, int col) {
  view->setFocus();
  view->setCurrentIndex(view->model()->index(row, col));
  QLineEdit* editor = OpenEditor(view);
  if (editor == nullptr) {
    QTest::keyClick(view, Qt::Key_F2);
    editor = OpenEditor(view);
    QVERIFY2(editor != nullptr, "no in-place editor");
  }
  editor->selectAll();
  QTest::keyClick(editor, Qt::Key_Delete);
  QTest::keyClick(editor, Qt::Key_Return);
}

}  // namespace typelane::testing
