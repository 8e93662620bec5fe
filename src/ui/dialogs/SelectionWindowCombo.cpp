#include "ui/dialogs/SelectionWindowCombo.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "core/load/Platform.h"
#include "ui/common/CellText.h"

namespace typelane::ui {

SelectionWindowCombo::SelectionWindowCombo(Platform& platform, std::string own_caption,
                                           QWidget* parent)
    : QComboBox(parent), platform_(platform), own_caption_(std::move(own_caption)) {
  setObjectName(QStringLiteral("cmbWindow"));
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(20);
  lineEdit()->setObjectName(QStringLiteral("cmbWindowEdit"));
}

void SelectionWindowCombo::FillWindowTitles() {
  const QSignalBlocker blocker(this);
  // The list replaces whatever was typed.
  clear();
  clearEditText();
  QStringList titles;
  for (const std::string& title : ListWindowTitles(platform_, own_caption_)) {
    titles << BytesToText(title);
  }
  addItems(titles);
  setCurrentIndex(-1);
  clearEditText();
}

void SelectionWindowCombo::showPopup() {
  FillWindowTitles();
  QComboBox::showPopup();
}

}  // namespace typelane::ui
