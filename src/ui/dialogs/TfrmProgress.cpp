#include "ui/dialogs/TfrmProgress.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

namespace typelane::ui {
namespace {

// Often enough to look smooth, rarely enough to cost nothing.
constexpr int kRefreshMs = 50;

}  // namespace

TfrmProgress::TfrmProgress(QWidget* parent) : QWidget(parent) {
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
    *r.bar = bar;
    ++row;
  }
  layout->setColumnStretch(1, 1);
  setFixedSize(377, 45);
  move(515, 10);

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("tmrProgress"));
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &TfrmProgress::UpdateBars);
}

TfrmProgress::~TfrmProgress() = default;

void TfrmProgress::ShowProgress() {
  feed_.Clear();
  UpdateBars();
  show();
}

void TfrmProgress::UpdateBars() {
  col_bar_->setValue(feed_.Column());
  row_bar_->setValue(feed_.Row());
}

int TfrmProgress::ColumnValue() const { return col_bar_->value(); }
int TfrmProgress::RowValue() const { return row_bar_->value(); }

void TfrmProgress::showEvent(QShowEvent* event) {
  UpdateBars();
  timer_->start();
  QWidget::showEvent(event);
}

void TfrmProgress::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

}  // namespace typelane::ui
