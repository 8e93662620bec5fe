#include "ui/main/DialogHost.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QToolButton>

#include "core/document/Document.h"
#include "ui/dialogs/CommandsEditor.h"
#include "ui/dialogs/DelaysDialog.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/ProgressWindow.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/LoadRunner.h"
#include "ui/main/MainWindow.h"

namespace typelane::ui {

DialogHost::DialogHost(MainWindow& window, Platform& platform) : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("DialogHost"));
  Document& document = window_.document();
  options_ = new OptionsDialog(document, &window_);
  delays_ = new DelaysDialog(document, &window_);
  commands_ = new CommandsEditor(document, &window_);
  commands_->SetDelaysDialog(delays_);
  progress_ = new ProgressWindow(&window_);
  runner_ = new LoadRunner(window_, platform, *progress_);

  auto open_with = [this](const char* action, const char* button, QWidget* dialog) {
    if (QAction* a = window_.Action(QString::fromLatin1(action))) {
      connect(a, &QAction::triggered, dialog, [dialog] { Open(dialog); });
    }
    if (auto* b = window_.findChild<QToolButton*>(QString::fromLatin1(button))) {
      connect(b, &QToolButton::clicked, dialog, [dialog] { Open(dialog); });
    }
  };
  open_with("mnuOptions", "icnOptions", options_);
  open_with("mnuCommands", "icnCommands", commands_);
  open_with("mnuDelays", "icnDelays", delays_);
  if (QAction* a = window_.Action(QStringLiteral("mnuSendData"))) {
    connect(a, &QAction::triggered, runner_, &LoadRunner::SendData);
  }
  if (auto* b = window_.findChild<QToolButton*>(QStringLiteral("icnSendData"))) {
    connect(b, &QToolButton::clicked, runner_, &LoadRunner::SendData);
  }
  if (QAction* a = window_.Action(QStringLiteral("mnuPreviewLoad"))) {
    connect(a, &QAction::triggered, runner_, &LoadRunner::PreviewLoad);
  }
  if (QAction* a = window_.Action(QStringLiteral("mnuProgress"))) {
    connect(a, &QAction::triggered, this, &DialogHost::PlaceProgressWindow);
  }

  connect(options_, &OptionsDialog::Modified, this, [this] { window_.MarkModified(); });
  connect(delays_, &DelaysDialog::Modified, this, [this] { window_.MarkModified(); });
  connect(commands_, &CommandsEditor::Modified, this, [this] { window_.MarkModified(); });
  // The group list, the group text and the cells' kinds follow the table.
  connect(commands_, &CommandsEditor::CommandsChanged, this,
          [this] { window_.ShowDocument(false); });
  // The colours of the cells follow the options in force.
  connect(options_, &OptionsDialog::OptionsApplied, this, [this] { window_.Model()->Repaint(); });
}

DialogHost::~DialogHost() = default;

void DialogHost::Open(QWidget* dialog) {
  if (!dialog->isVisible() && !dialog->property("placed").toBool()) {
    // Centred on the screen the first time; afterwards where the user left it.
    dialog->setProperty("placed", true);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    }
  }
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void DialogHost::DocumentReset() {
  options_->DocumentReset();
  commands_->DocumentReset();
  delays_->DocumentReset();
}

void DialogHost::PlaceProgressWindow() {
  Document& document = window_.document();
  Prompter& prompter = document.prompter();
  if (!document.options.progress_bar) {
    if (prompter.Message(kTitleInfo,
                         "The Progress Bar functionality is not currently turned on.\r"
                         "Click OK to turn this facility on or Cancel to close this message.",
                         Buttons::kOkCancel) != Answer::kOk) {
      return;
    }
    document.options.progress_bar = true;
    // The options window shows the option as it is in force now.
    if (auto* box = options_->findChild<QCheckBox*>(QStringLiteral("chkProgressBar"))) {
      box->setChecked(true);
    }
  }
  prompter.Message(kTitleInfo,
                   "Position the progress bar where you would like it to appear during loads.\r"
                   "When you are finished either leave it where it is or close it and it will "
                   "return to that location when drawn.",
                   Buttons::kOk);
  progress_->ShowProgress();
}

}  // namespace typelane::ui
