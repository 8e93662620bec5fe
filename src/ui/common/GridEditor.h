#pragma once

class QAbstractItemView;
class QWidget;

namespace typelane::ui {

// The in-place line editor of a view while it is open (hidden editors wait to
// be deleted or reused), or nullptr.
QWidget* OpenGridEditor(const QAbstractItemView* grid);

// Stores what an in-place editor holds into the view's model; the editor
// stays open.
void StoreGridEditor(QAbstractItemView* grid, QWidget* editor);

// Closes an in-place editor without storing what it holds.
void CloseGridEditor(QAbstractItemView* grid, QWidget* editor);

// Stores what the editor holds and closes it: Return in a cell.
void StoreAndCloseGridEditor(QAbstractItemView* grid, QWidget* editor);

// Closes the open in-place editor, if any, without storing it.
void DropGridEditor(QAbstractItemView* grid);

}  // namespace typelane::ui
