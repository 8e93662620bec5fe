#pragma once

#include <QComboBox>

namespace typelane {
class Platform;
}

namespace typelane::ui {

// cmbWindow: the target window's title. Typed freely; each time its list drops
// down it is filled afresh with the titles of the visible top-level windows,
// sorted, 20 lines high.
class WindowCombo : public QComboBox {
  Q_OBJECT

 public:
  WindowCombo(Platform& platform, QWidget* parent = nullptr);

  // Refills the list from the platform, keeping the typed text.
  void FillWindowTitles();
  void showPopup() override;

 private:
  Platform& platform_;
};

}  // namespace typelane::ui
