#pragma once

#include <QWidget>

namespace typelane::ui {

// frmFlash: the navy start-up window with the product and the maker in red.
// No border, on top, centred; shown for 3000 ms while the program starts.
class SplashWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kShowMs = 3000;
  explicit SplashWindow(QWidget* parent = nullptr);
  // Shows the window, centred, and discards it after kShowMs.
  void ShowFor(int ms = kShowMs);
};

}  // namespace typelane::ui
