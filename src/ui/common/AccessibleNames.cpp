#include "ui/common/AccessibleNames.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>

namespace typelane::ui {
namespace {

// "&Window Name" -> "Window Name"; "&&" stays one ampersand.
QString WithoutAccessKeys(const QString& text) {
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain.trimmed();
}

QString OwnCaption(const QWidget& widget) {
  if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) return button->text();
  if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) return group->title();
  if (const auto* pages = qobject_cast<const QTabWidget*>(&widget)) {
    // The pages it holds, as their tabs say.
    QStringList tabs;
    for (int i = 0; i < pages->count(); ++i) tabs << pages->tabText(i);
    return tabs.join(QStringLiteral(", "));
  }
  return {};
}

}  // namespace

void NameControls(QWidget& root) {
  QList<QWidget*> widgets = root.findChildren<QWidget*>();
  widgets.prepend(&root);
  // Labels name their buddies first: a label says what its box holds.
  for (QWidget* widget : widgets) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (label == nullptr || label->buddy() == nullptr) continue;
    QWidget* buddy = label->buddy();
    if (buddy->accessibleName().isEmpty()) {
      buddy->setAccessibleName(WithoutAccessKeys(label->text()));
    }
  }
  // The line edit of an editable combo box is what the keyboard reaches: it
  // says what the combo box says.
  for (QWidget* widget : widgets) {
    const auto* combo = qobject_cast<const QComboBox*>(widget);
    if (combo == nullptr || combo->lineEdit() == nullptr) continue;
    QString name = combo->accessibleName();
    if (name.isEmpty()) name = combo->toolTip();
    if (combo->lineEdit()->accessibleName().isEmpty() && !name.isEmpty()) {
      combo->lineEdit()->setAccessibleName(name);
    }
  }
  for (QWidget* widget : widgets) {
    if (qobject_cast<const QLabel*>(widget) != nullptr) continue;
    if (widget->accessibleName().isEmpty()) {
      QString name = WithoutAccessKeys(OwnCaption(*widget));
      if (name.isEmpty()) name = widget->toolTip();
      if (!name.isEmpty()) widget->setAccessibleName(name);
    }
    if (widget->accessibleDescription().isEmpty()) {
      QString description = widget->toolTip();
      if (description.isEmpty()) description = widget->statusTip();
      if (description.isEmpty()) description = widget->accessibleName();
      if (!description.isEmpty()) widget->setAccessibleDescription(description);
    }
  }
}

}  // namespace typelane::ui
