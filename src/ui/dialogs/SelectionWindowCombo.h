#pragma once

#include <QComboBox>
#include <string>

namespace typelane {
class Platform;
}

namespace typelane::ui {

// The selection dialog's cmbWindow: typed freely; dropping it down clears what
// was typed and lists the titles a load may target, front-most window first.
class SelectionWindowCombo : public QComboBox {
  Q_OBJECT

 public:
  SelectionWindowCombo(Platform& platform, std::string own_caption, QWidget* parent = nullptr);

  void FillWindowTitles();
  void showPopup() override;

 private:
  Platform& platform_;
  std::string own_caption_;
};

}  // namespace typelane::ui
