#include "ui/common/GridEditor.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QLineEdit>

namespace typelane::ui {

QWidget* OpenGridEditor(const QAbstractItemView* grid) {
  for (QLineEdit* editor : grid->viewport()->findChildren<QLineEdit*>()) {
    if (!editor->isHidden()) return editor;
  }
  return nullptr;
}

// commitData and closeEditor are protected slots of the view: reached
// through the meta-object, as the view's delegate reaches them.
void StoreGridEditor(QAbstractItemView* grid, QWidget* editor) {
  QMetaObject::invokeMethod(grid, "commitData", Q_ARG(QWidget*, editor));
}

void CloseGridEditor(QAbstractItemView* grid, QWidget* editor) {
  QMetaObject::invokeMethod(
      grid, "closeEditor", Q_ARG(QWidget*, editor),
      Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
}

void StoreAndCloseGridEditor(QAbstractItemView* grid, QWidget* editor) {
  StoreGridEditor(grid, editor);
  CloseGridEditor(grid, editor);
}

void DropGridEditor(QAbstractItemView* grid) {
  if (QWidget* editor = OpenGridEditor(grid)) CloseGridEditor(grid, editor);
}

}  // namespace typelane::ui
