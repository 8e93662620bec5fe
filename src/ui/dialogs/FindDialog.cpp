#include "ui/dialogs/FindDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace typelane::ui {
namespace {

// A control's accessible name is its caption without the access key's mark.
QString Spoken(const QString& caption) {
  QString text = caption;
  text.remove(QLatin1Char('&'));
  if (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text;
}

template <typename W>
W* Named(W* widget, const char* name, const QString& spoken, const QString& description = {}) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setAccessibleName(spoken);
  if (!description.isEmpty()) {
    widget->setAccessibleDescription(description);
    widget->setToolTip(description);
  }
  return widget;
}

}  // namespace

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmFind"));
  setAccessibleName(QStringLiteral("Find and Replace"));
  setModal(false);
  setSizeGripEnabled(false);

  auto* fields = new QGridLayout;
  auto* find_label = new QLabel(QStringLiteral("Fi&nd what:"), this);
  find_label->setObjectName(QStringLiteral("lblFind"));
  find_text_ = Named(new QLineEdit(this), "txtFind", QStringLiteral("Find what"),
                     QStringLiteral("The text to look for in the cells"));
  find_label->setBuddy(find_text_);
  replace_label_ = new QLabel(QStringLiteral("Re&place with:"), this);
  replace_label_->setObjectName(QStringLiteral("lblReplace"));
  replace_text_ = Named(new QLineEdit(this), "txtReplace", QStringLiteral("Replace with"),
                        QStringLiteral("The text that takes the place of each match"));
  replace_label_->setBuddy(replace_text_);
  fields->addWidget(find_label, 0, 0);
  fields->addWidget(find_text_, 0, 1);
  fields->addWidget(replace_label_, 1, 0);
  fields->addWidget(replace_text_, 1, 1);
  find_text_->setMinimumWidth(260);

  auto check = [this](const char* name, const char* caption, const char* description) {
    const QString text = QString::fromLatin1(caption);
    return Named(new QCheckBox(text, this), name, Spoken(text), QString::fromLatin1(description));
  };
  match_case_ = check("chkMatchCase", "Match &case", "Capital and small letters must match");
  whole_cell_ = check("chkWholeCell", "W&hole cell", "The whole text of a cell must match");
  in_selection_ = check("chkInSelection", "In &selection", "Only the cells that were selected");
  titles_ = check("chkTitles", "Search &titles", "Also the column titles");
  comments_ = check("chkComments", "Search co&mments", "Also the cells' comments");
  auto* options = new QGridLayout;
  options->addWidget(match_case_, 0, 0);
  options->addWidget(whole_cell_, 1, 0);
  options->addWidget(in_selection_, 2, 0);
  options->addWidget(titles_, 0, 1);
  options->addWidget(comments_, 1, 1);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("lblFindStatus"));
  status_->setAccessibleName(QStringLiteral("Search result"));
  status_->setWordWrap(true);
  status_->setMinimumHeight(status_->fontMetrics().height() * 2);

  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  left->addWidget(status_);
  left->addStretch(1);

  auto button = [this](const char* name, const char* caption, const char* description) {
    const QString text = QString::fromLatin1(caption);
    auto* b =
        Named(new QPushButton(text, this), name, Spoken(text), QString::fromLatin1(description));
    b->setAutoDefault(false);
    return b;
  };
  find_next_ = button("cmdFindNext", "&Find Next", "Find the next match (F3)");
  find_previous_ = button("cmdFindPrevious", "Find Pre&vious", "Find the match before (Shift+F3)");
  replace_ = button("cmdReplace", "&Replace", "Replace this match and find the next");
  replace_all_ = button("cmdReplaceAll", "Replace &All", "Replace every match in one step");
  auto* close = button("cmdClose", "C&lose", "Close this window (Esc)");
  find_next_->setDefault(true);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {find_next_, find_previous_, replace_, replace_all_, close}) {
    buttons->addWidget(b);
  }
  buttons->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(find_next_, &QPushButton::clicked, this, [this] { emit FindRequested(true); });
  connect(find_previous_, &QPushButton::clicked, this, [this] { emit FindRequested(false); });
  connect(replace_, &QPushButton::clicked, this, &FindDialog::ReplaceRequested);
  connect(replace_all_, &QPushButton::clicked, this, &FindDialog::ReplaceAllRequested);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  // A new search text starts a new search.
  connect(find_text_, &QLineEdit::textChanged, this, [this] { status_->clear(); });

  SetReplaceMode(false);
}

void FindDialog::SetReplaceMode(bool replace) {
  replace_mode_ = replace;
  setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
  replace_label_->setVisible(replace);
  replace_text_->setVisible(replace);
  replace_->setVisible(replace);
  replace_all_->setVisible(replace);
  adjustSize();
}

void FindDialog::OfferSelection(bool offer) {
  in_selection_->setEnabled(offer);
  in_selection_->setChecked(offer);
}

void FindDialog::OfferTitles(bool offer) {
  titles_->setEnabled(offer);
  if (!offer) titles_->setChecked(false);
}

FindOptions FindDialog::Options() const {
  FindOptions options;
  options.text = find_text_->text().toStdString();
  options.match_case = match_case_->isChecked();
  options.whole_cell = whole_cell_->isChecked();
  options.titles = titles_->isChecked() && titles_->isEnabled();
  options.comments = comments_->isChecked();
  return options;
}

bool FindDialog::InSelection() const {
  return in_selection_->isChecked() && in_selection_->isEnabled();
}

std::string FindDialog::Replacement() const { return replace_text_->text().toStdString(); }

void FindDialog::FocusText() {
  find_text_->setFocus();
  find_text_->selectAll();
}

void FindDialog::SetStatus(const QString& text) { status_->setText(text); }

QString FindDialog::Status() const { return status_->text(); }

}  // namespace typelane::ui
