#include "ui/common/QtPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <map>

#include "ui/common/CellText.h"
#include "ui/common/FileFilters.h"

namespace typelane::ui {
namespace {

// A Yes/No question has no way out but its two buttons: Qt would take Esc and
// the close button as No, and a No to "save the current spreadsheet?" throws
// the changes away.
class NoEscape : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      event->accept();
      return true;
    }
    if (event->type() == QEvent::Close) {
      event->ignore();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

// Ctrl+C copies the whole message, title and buttons included, laid out as
// Windows message boxes copy theirs: the user can paste a summary ("Rows: 12")
// or an error into a note or a report.
class CopyMessage : public QObject {
 public:
  explicit CopyMessage(QMessageBox* box) : QObject(box), box_(box) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
      const QString rule = QStringLiteral("---------------------------\n");
      QString buttons;
      for (const QAbstractButton* button : box_->buttons()) {
        buttons += QString(button->text()).remove(QLatin1Char('&')) + QStringLiteral("   ");
      }
      QApplication::clipboard()->setText(rule + box_->windowTitle() + QLatin1Char('\n') + rule +
                                         box_->text() + QLatin1Char('\n') + rule + buttons +
                                         QLatin1Char('\n') + rule);
      event->accept();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QMessageBox* box_;
};

QMessageBox::StandardButton StandardButton(Answer answer) {
  switch (answer) {
    case Answer::kOk:
      return QMessageBox::Ok;
    case Answer::kYes:
      return QMessageBox::Yes;
    case Answer::kNo:
      return QMessageBox::No;
    case Answer::kCancel:
      return QMessageBox::Cancel;
    case Answer::kOpen:
      return QMessageBox::Open;
  }
  return QMessageBox::Ok;
}

}  // namespace

QWidget* QtPrompter::Parent() const {
  // A window of ours that stays on top (the options dialog) would cover a box
  // that belongs to the main window: what it asks for goes over it, on top too.
  QWidget* active = QApplication::activeWindow();
  if (active && (active->windowFlags() & Qt::WindowStaysOnTopHint)) return active;
  if (parent_) return parent_;
  return active;
}

Answer QtPrompter::Message(std::string_view title, std::string_view text, Buttons buttons) {
  QString body = BytesToText(text);
  // Messages join their lines with CR or CR LF.
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox box(Parent());
  box.setObjectName(QStringLiteral("msgTypelane"));
  box.setWindowTitle(BytesToText(title));
  box.setText(body);
  if (title == kTitleError) {
    box.setIcon(QMessageBox::Critical);
  } else if (title == kTitleWarning) {
    box.setIcon(QMessageBox::Warning);
  } else {
    box.setIcon(buttons == Buttons::kOk ? QMessageBox::Information : QMessageBox::Question);
  }
  // The buttons stand in the order of the set; Enter presses the default
  // answer's, Esc (and the close button) the escape answer's. A set without an
  // escape answer (Yes/No) cannot be left by Esc or by closing the box.
  std::map<QAbstractButton*, Answer> answers;
  for (const Answer answer : ButtonAnswers(buttons)) {
    answers[box.addButton(StandardButton(answer))] = answer;
  }
  const auto button_of = [&](Answer answer) -> QAbstractButton* {
    for (const auto& [button, a] : answers) {
      if (a == answer) return button;
    }
    return nullptr;
  };
  box.setDefaultButton(qobject_cast<QPushButton*>(button_of(DefaultAnswer(buttons))));
  const std::optional<Answer> escape = EscapeAnswer(buttons);
  if (escape.has_value()) {
    box.setEscapeButton(button_of(*escape));
  } else {
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    box.installEventFilter(new NoEscape(&box));
  }
  box.installEventFilter(new CopyMessage(&box));
  // A message must be readable even while a busy cursor is up.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  const auto clicked = answers.find(box.clickedButton());
  if (clicked != answers.end()) return clicked->second;
  // Closed some other way: what Esc gives (a Yes/No box cannot end this way).
  return escape.value_or(DefaultAnswer(buttons));
}

std::optional<FileChoice> QtPrompter::ChooseOpenFile(std::string_view filter, int filter_index,
                                                     std::string_view file_name) {
  return ChooseFile(false, filter, filter_index, file_name);
}

std::optional<FileChoice> QtPrompter::ChooseSaveFile(std::string_view filter, int filter_index,
                                                     std::string_view file_name) {
  return ChooseFile(true, filter, filter_index, file_name);
}

std::optional<FileChoice> QtPrompter::ChooseFile(bool save, std::string_view filter,
                                                 int filter_index, std::string_view file_name) {
  QFileDialog dialog(Parent());
  dialog.setObjectName(save ? QStringLiteral("dlgSave") : QStringLiteral("dlgOpen"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Open: the file must exist. Save: any name, with the overwrite question; no
  // default extension, so a name typed without one is stored as typed.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setWindowTitle(save ? QStringLiteral("Save As") : QStringLiteral("Open"));
  // No default suffix on opening either: Qt would add it to a chosen file that
  // has no dot in its name, and such files are ordinary tab-delimited text here.
  const QStringList filters = NameFilters(filter);
  dialog.setNameFilters(filters);
  if (filter_index >= 1 && filter_index <= filters.size()) {
    dialog.selectNameFilter(filters[filter_index - 1]);
  }
  if (!file_name.empty()) {
    const QFileInfo info(PathToText(file_name));
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
  }
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = dialog.exec();
  if (busy) QApplication::restoreOverrideCursor();
  if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  FileChoice choice;
  choice.path = TextToPath(dialog.selectedFiles().constFirst());
  choice.filter_index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  if (choice.filter_index < 1) choice.filter_index = 1;
  return choice;
}

void QtPrompter::BeginBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtPrompter::EndBusy() { QApplication::restoreOverrideCursor(); }

}  // namespace typelane::ui
