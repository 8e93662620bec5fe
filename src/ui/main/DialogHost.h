#pragma once

#include <QObject>

namespace typelane {
class Platform;
}

namespace typelane::ui {

class LoadRunner;
class MainWindow;
class CommandsEditor;
class DelaysDialog;
class OptionsDialog;
class ProgressWindow;

// The main window's single windows: options, commands, delays and progress.
// Made once with the main window and opened from its menu items and toolbar
// buttons (mnuOptions/icnOptions, mnuCommands/icnCommands, mnuDelays/icnDelays,
// mnuProgress), each without blocking the main window, and Send Data
// (mnuSendData, icnSendData). What a dialog changes reaches the main window:
// the modified flag, the group list, the colours.
class DialogHost : public QObject {
  Q_OBJECT

 public:
  DialogHost(MainWindow& window, Platform& platform);
  ~DialogHost() override;

  OptionsDialog* Options() const { return options_; }
  CommandsEditor* Commands() const { return commands_; }
  DelaysDialog* Delays() const { return delays_; }
  ProgressWindow* Progress() const { return progress_; }
  LoadRunner* Runner() const { return runner_; }

  // New or Open replaced the document's commands, delays and options: the
  // dialogs start over as new ones would (hidden, nothing to undo).
  void DocumentReset();

  // Tools > Progress Bar: shows the progress window so the user can put it
  // where loads should show it (after turning the option on, if asked to).
  void PlaceProgressWindow();

 private:
  static void Open(class QWidget* dialog);

  MainWindow& window_;
  OptionsDialog* options_ = nullptr;
  CommandsEditor* commands_ = nullptr;
  DelaysDialog* delays_ = nullptr;
  ProgressWindow* progress_ = nullptr;
  LoadRunner* runner_ = nullptr;
};

}  // namespace typelane::ui
