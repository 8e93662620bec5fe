#include "ui/dialogs/SelectionDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "core/common/Prompter.h"
#include "core/load/FieldReader.h"
#include "core/load/Platform.h"
#include "ui/common/CellText.h"
#include "ui/dialogs/SelectionWindowCombo.h"

namespace typelane::ui {

SelectionDialog::SelectionDialog(const Start& start, Platform& platform, Prompter& prompter,
                                 QWidget* parent)
    : QDialog(parent),
      platform_(platform),
      prompter_(prompter),
      fields_(start.fields),
      start_group_(start.group),
      start_window_(start.window_title) {
  setObjectName(QStringLiteral("frmSelection"));
  setWindowTitle(QStringLiteral("Typelane"));
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  auto* scope = new QGroupBox(QStringLiteral("Scope"), this);
  scope->setObjectName(QStringLiteral("grpSelection"));
  auto* scope_layout = new QVBoxLayout(scope);
  all_ = new QRadioButton(QStringLiteral("Load all cells"), scope);
  all_->setObjectName(QStringLiteral("rdoAll"));
  selected_ = new QRadioButton(QStringLiteral("Load selected cells only"), scope);
  selected_->setObjectName(QStringLiteral("dboSelection"));
  scope_layout->addWidget(all_);
  scope_layout->addWidget(selected_);
  if (start.resume_row > 0 && start.resume_col > 0) {
    resume_ = new QRadioButton(
        QStringLiteral("Resume at row %1, cell %2").arg(start.resume_row).arg(start.resume_col),
        scope);
    resume_->setObjectName(QStringLiteral("rdoResume"));
    scope_layout->addWidget(resume_);
  }
  layout->addWidget(scope);

  auto* group_label = new QLabel(QStringLiteral("Command Group"), this);
  group_label->setObjectName(QStringLiteral("lblGroup"));
  group_box_ = new QComboBox(this);
  group_box_->setObjectName(QStringLiteral("cmbGroup"));
  for (const std::string& group : start.groups) group_box_->addItem(BytesToText(group));
  group_box_->setCurrentIndex(group_box_->findText(BytesToText(start.group)));
  // A group is picked from the list, never typed.
  group_box_->installEventFilter(this);
  group_label->setBuddy(group_box_);
  layout->addWidget(group_label);
  layout->addWidget(group_box_);

  auto* window_label = new QLabel(QStringLiteral("Window Name"), this);
  window_label->setObjectName(QStringLiteral("lblWindow"));
  window_box_ = new SelectionWindowCombo(platform, start.own_caption, this);
  window_box_->setEditText(BytesToText(start.window_title));
  window_label->setBuddy(window_box_);
  layout->addWidget(window_label);
  layout->addWidget(window_box_);
  if (fields_) {
    verify_label_ = new QLabel(this);
    verify_label_->setObjectName(QStringLiteral("lblVerify"));
    verify_label_->setWordWrap(true);
    layout->addWidget(verify_label_);
    // Asking the accessibility bus costs a few milliseconds: once the typing
    // pauses, not at every key.
    verify_timer_ = new QTimer(this);
    verify_timer_->setSingleShot(true);
    verify_timer_->setInterval(300);
    connect(verify_timer_, &QTimer::timeout, this, &SelectionDialog::CheckVerify);
    connect(window_box_, &QComboBox::currentTextChanged, verify_timer_,
            qOverload<>(&QTimer::start));
  }
  layout->addStretch(1);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &SelectionDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &SelectionDialog::reject);

  // OK comes first in the tab order; the dialog opens on it.
  setTabOrder(ok, cancel);
  setTabOrder(cancel, all_);
  setTabOrder(all_, selected_);
  if (resume_) {
    setTabOrder(selected_, resume_);
    setTabOrder(resume_, group_box_);
  } else {
    setTabOrder(selected_, group_box_);
  }
  setTabOrder(group_box_, window_box_);
  ok->setFocus();

  // Showing: a load that stopped inside a row goes on from there; otherwise a
  // selection of more than one cell loads the selection.
  (resume_ ? resume_ : start.multi_cell_selection ? selected_ : all_)->setChecked(true);

  if (fields_) CheckVerify();
  resize(QSize(220, 240).expandedTo(sizeHint()));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

SelectionDialog::~SelectionDialog() = default;

bool SelectionDialog::AllCells() const { return all_->isChecked(); }

bool SelectionDialog::ResumeChosen() const { return resume_ && resume_->isChecked(); }

std::string SelectionDialog::Group() const {
  return TextToBytes(group_box_->currentText(), start_group_);
}

std::string SelectionDialog::WindowTitle() const {
  return TextToBytes(window_box_->currentText(), start_window_);
}

void SelectionDialog::FillWindowTitles() { window_box_->FillWindowTitles(); }

QString SelectionDialog::VerifyText() const {
  return verify_label_ ? verify_label_->text() : QString();
}

void SelectionDialog::CheckVerify() {
  if (!fields_ || !verify_label_) return;
  const std::string title = WindowTitle();
  const WindowHandle window = title.empty() ? 0 : platform_.FindWindowByTitle(title);
  if (window == 0) {
    verify_label_->clear();
    return;
  }
  // The reader knows the window by its whole title, as the load will give it.
  FieldTarget target{window, title};
  for (const WindowInfo& info : platform_.ListWindows()) {
    if (info.handle == window) target.title = SeenTitle(info.title);
  }
  verify_label_->setText(
      fields_->CanRead(target)
          ? QStringLiteral("Pasted data will be verified in this window.")
          : QStringLiteral("Verification is not available for this window: it will be "
                           "loaded without."));
}

void SelectionDialog::accept() {
  if (window_box_->currentText().isEmpty() || group_box_->currentText().isEmpty()) {
    prompter_.Error("A Target Window and Command Group must be specified before a load can start.");
    return;
  }
  QDialog::accept();
}

bool SelectionDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == group_box_ && event->type() == QEvent::KeyPress) {
    // Characters are discarded; the arrows and the keys that open the list
    // still work.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->text().isEmpty() && key->text().at(0).isPrint()) return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace typelane::ui
