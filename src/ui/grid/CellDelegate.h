#pragma once

#include <QStyledItemDelegate>

namespace typelane::ui {

// Paints a sheet cell as the grid shows it: the kind colour from the model,
// navy for selected cells other than the current one, the text from the
// cell's left edge, and a red corner mark on a commented cell. Its editor is a
// plain line edit whose every change is reported.
class CellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  static const QColor& SelectionColour();

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;

 protected:
  // Keys with Ctrl go to the menus first, as they do everywhere else in the
  // window: a line edit would otherwise take Ctrl+C, Ctrl+V, Ctrl+A and Ctrl+K
  // for itself before any menu shortcut could fire.
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  void EditorTextChanged(const QString& text) const;
};

}  // namespace typelane::ui
