#include "ui/main/WindowCombo.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>

#include "core/common/Text.h"
#include "core/load/Platform.h"
#include "ui/common/CellText.h"

namespace typelane::ui {

WindowCombo::WindowCombo(Platform& platform, QWidget* parent)
    : QComboBox(parent), platform_(platform) {
  setObjectName(QStringLiteral("cmbWindow"));
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(20);
  lineEdit()->setObjectName(QStringLiteral("cmbWindowEdit"));
}

void WindowCombo::FillWindowTitles() {
  QStringList titles;
  for (const WindowInfo& w : platform_.ListWindows()) {
    // Our own windows are no target for a load.
    if (!w.visible || w.own) continue;
    const std::string_view title = TrimControl(w.title);
    if (title.empty()) continue;
    const QString text = BytesToText(title);
    if (!titles.contains(text)) titles << text;
  }
  std::sort(titles.begin(), titles.end(), [](const QString& a, const QString& b) {
    return QString::localeAwareCompare(a, b) < 0;
  });
  const QString typed = currentText();
  // The typed text is the value; refilling the list must not change it.
  const QSignalBlocker blocker(this);
  clear();
  addItems(titles);
  setCurrentIndex(-1);
  setEditText(typed);
}

void WindowCombo::showPopup() {
  FillWindowTitles();
  QComboBox::showPopup();
}

}  // namespace typelane::ui
