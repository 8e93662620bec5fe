#include "ui/dialogs/ProgressWindow.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/load/Platform.h"
#include "ui/common/CellText.h"

namespace typelane::ui {
namespace {

// Often enough to look smooth, rarely enough to cost nothing.
constexpr int kRefreshMs = 50;
// The window's height with its two bars, and with a notice in their place.
constexpr int kBarsHeight = 45;
constexpr int kNoticeHeight = 62;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmProgress"));
  setWindowTitle(QStringLiteral("Typelane Progress"));
  // A tool window of ours that the window manager never gives the focus.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setVerticalSpacing(3);
  const struct {
    const char* label_name;
    const char* caption;
    const char* bar_name;
    QProgressBar** bar;
  } rows[] = {{"lblCol", "Cols", "prgCol", &col_bar_}, {"lblRow", "Rows", "prgRow", &row_bar_}};
  int row = 0;
  for (const auto& r : rows) {
    auto* label = new QLabel(QString::fromLatin1(r.caption), this);
    label->setObjectName(QString::fromLatin1(r.label_name));
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QString::fromLatin1(r.bar_name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(16);
    bar->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(label, row, 0);
    layout->addWidget(bar, row, 1);
    bar_widgets_ << label << bar;
    *r.bar = bar;
    ++row;
  }
  layout->setColumnStretch(1, 1);
  held_label_ = new QLabel(this);
  held_label_->setObjectName(QStringLiteral("lblHeldKeys"));
  held_label_->setWordWrap(true);
  held_label_->hide();
  layout->addWidget(held_label_, 0, 0, 2, 2);
  wait_label_ = new QLabel(this);
  wait_label_->setObjectName(QStringLiteral("lblWait"));
  wait_label_->setWordWrap(true);
  wait_label_->hide();
  layout->addWidget(wait_label_, 0, 0, 2, 2);
  // While the load holds, the user can end it or send it back to its target
  // here: where Esc cannot be seen (Wayland) these are the only way besides
  // closing the program. Clicks reach them; the window still takes no focus.
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(2);
  const struct {
    const char* name;
    const char* caption;
    const char* hint;
    QPushButton** button;
  } actions[] = {{"btnStop", "Stop", "End the load here", &stop_button_},
                 {"btnContinue", "Continue", "Bring the target window to the front and go on",
                  &continue_button_}};
  for (const auto& a : actions) {
    auto* button = new QPushButton(QString::fromLatin1(a.caption), this);
    button->setObjectName(QString::fromLatin1(a.name));
    button->setToolTip(QString::fromLatin1(a.hint));
    button->setAccessibleName(QString::fromLatin1(a.caption));
    button->setAccessibleDescription(QString::fromLatin1(a.hint));
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedHeight(18);
    button->hide();
    buttons->addWidget(button);
    *a.button = button;
  }
  layout->addLayout(buttons, 0, 2, 2, 1);
  connect(stop_button_, &QPushButton::clicked, this, &ProgressWindow::StopClicked);
  connect(continue_button_, &QPushButton::clicked, this, &ProgressWindow::ContinueClicked);
  setFixedSize(377, kBarsHeight);
  move(515, 10);

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("tmrProgress"));
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &ProgressWindow::UpdateBars);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::ShowProgress() {
  feed_.Clear();
  UpdateBars();
  // Whatever the window manager made of it last time, each load shows it as
  // it was designed, where the user left it.
  setWindowState(windowState() &
                 ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
  show();
  // Above our main window, whose Stop and Continue it offers.
  raise();
}

void ProgressWindow::UpdateBars() {
  col_bar_->setValue(feed_.Column());
  row_bar_->setValue(feed_.Row());
  // Held keys first: the load cannot go on before they are let go anyway.
  const unsigned held = feed_.HeldKeys();
  const QString wait = held != 0 ? QString() : BytesToText(feed_.WaitText());
  if (held != 0) held_label_->setText(HeldKeysText(held));
  if (wait_label_->text() != wait) wait_label_->setText(wait);
  const bool show_held = held != 0;
  const bool show_wait = !wait.isEmpty();
  if (held_label_->isHidden() == show_held) held_label_->setVisible(show_held);
  if (wait_label_->isHidden() == show_wait) wait_label_->setVisible(show_wait);
  const bool bars = !show_held && !show_wait;
  // The notice and its buttons need a line more than the bars.
  const int height = bars ? kBarsHeight : kNoticeHeight;
  if (this->height() != height) setFixedHeight(height);
  // Continue only helps a load that waits for its target to come back.
  if (stop_button_->isHidden() == !bars) stop_button_->setVisible(!bars);
  if (continue_button_->isHidden() == show_wait) continue_button_->setVisible(show_wait);
  for (QWidget* w : bar_widgets_) {
    if (w->isHidden() == bars) w->setVisible(bars);
  }
}

QString ProgressWindow::HeldKeysText(unsigned held) {
  return QStringLiteral(
             "Waiting for %1 to be released: nothing is sent while it is held. "
             "Esc cancels the load.")
      .arg(QString::fromStdString(ModifierNames(held)));
}

QString ProgressWindow::WaitText() const {
  if (!held_label_->isHidden()) return held_label_->text();
  return wait_label_->isHidden() ? QString() : wait_label_->text();
}

int ProgressWindow::ColumnValue() const { return col_bar_->value(); }
int ProgressWindow::RowValue() const { return row_bar_->value(); }

void ProgressWindow::showEvent(QShowEvent* event) {
  UpdateBars();
  timer_->start();
  QWidget::showEvent(event);
}

void ProgressWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // The window offers only closing, but some window managers (openbox) draw a
  // minimise button on every window: minimised, it would stay out of sight at
  // every later load. Minimising counts as closing: the window hides and the
  // next load shows it again. Maximised or full screen it goes back to its size.
  const Qt::WindowStates state = windowState();
  if (!(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) return;
  // Not from inside the window manager's state change: the next turn of the
  // event loop.
  QTimer::singleShot(0, this, [this, minimised = bool(state & Qt::WindowMinimized)] {
    setWindowState(Qt::WindowNoState);
    if (minimised) hide();
  });
}

void ProgressWindow::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

}  // namespace typelane::ui
