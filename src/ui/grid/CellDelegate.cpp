#include "ui/grid/CellDelegate.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "ui/grid/SheetModel.h"

namespace typelane::ui {

const QColor& CellDelegate::SelectionColour() {
  static const QColor navy(0x00, 0x00, 0x80);
  return navy;
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
  const bool current = view != nullptr && view->currentIndex() == index;
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  const bool navy = selected && !current;

  QColor background = Qt::white;
  const QVariant kind_colour = index.data(Qt::BackgroundRole);
  if (kind_colour.canConvert<QColor>()) background = kind_colour.value<QColor>();
  if (navy) background = SelectionColour();

  painter->save();
  painter->fillRect(option.rect, background);
  painter->setPen(navy ? Qt::white : Qt::black);
  painter->setFont(option.font);
  const QString text = index.data(Qt::DisplayRole).toString();
  if (!text.isEmpty()) {
    const QRect text_rect = option.rect.adjusted(3, 0, -2, 0);
    painter->drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }
  if (current) {
    painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
  }
  if (index.data(SheetModel::kHasCommentRole).toBool()) {
    const QRect r = option.rect;
    painter->setPen(Qt::black);
    painter->setBrush(Qt::red);
    painter->drawRect(QRect(r.right() - 5, r.top(), 5, 5));
  }
  painter->restore();
}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->setObjectName(QStringLiteral("grdTypelaneEditor"));
    connect(line, &QLineEdit::textEdited, this, &CellDelegate::EditorTextChanged);
    line->installEventFilter(const_cast<CellDelegate*>(this));
  }
  return editor;
}

bool CellDelegate::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::ControlModifier) != 0 && key->key() >= Qt::Key_A &&
        key->key() <= Qt::Key_Z) {
      // Not overridden: the shortcut (if any) fires instead of the editor's key.
      event->ignore();
      return true;
    }
  }
  return QStyledItemDelegate::eventFilter(watched, event);
}

}  // namespace typelane::ui
