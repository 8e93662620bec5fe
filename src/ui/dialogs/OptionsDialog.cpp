#include "ui/dialogs/OptionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/common/Errors.h"
#include "core/document/Document.h"
#include "core/forms/KindControls.h"
#include "core/settings/SettingsStore.h"
#include "ui/common/CellText.h"

namespace typelane::ui {
namespace {

constexpr const char* kColourProperty = "colourRef";

// Colours are kept as 0x00BBGGRR.
QColor FromColourRef(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xff), static_cast<int>((v >> 8) & 0xff),
                static_cast<int>((v >> 16) & 0xff));
}

std::int32_t ToColourRef(const QColor& colour) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(colour.red()) |
                                   (static_cast<std::uint32_t>(colour.green()) << 8) |
                                   (static_cast<std::uint32_t>(colour.blue()) << 16));
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent,
                    const char* hint = nullptr) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  if (hint != nullptr) button->setToolTip(QString::fromLatin1(hint));
  return button;
}

}  // namespace

OptionsDialog::OptionsDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral("Options & Preferences"));
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(false);
  choose_colour_ = [](const QColor& current, QWidget* parent) -> std::optional<QColor> {
    QColorDialog dialog(current, parent);
    dialog.setObjectName(QStringLiteral("dlgColour"));
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.currentColor();
  };

  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("pgeOptions"));
  layout->addWidget(pages_);

  // Form Client.
  auto* client = new QWidget(pages_);
  client->setObjectName(QStringLiteral("tabFormClient"));
  auto* client_layout = new QVBoxLayout(client);
  hour_glass_ = AddCheck(client, "chkHourGlass", "Wait while hourglass",
                         "Suspend sending data while target application has an hourglass cursor");
  auto_insert_ = AddCheck(client, "chkAutoInsert", "Auto insert commands",
                          "Automatically insert the column's command in blank cells");
  progress_bar_ =
      AddCheck(client, "chkProgressBar", "Show progress bar", "Show progress bar during load");
  title_size_ = AddCheck(client, "chkTitleSize", "Automatically size titles",
                         "Turn on to automatically size columns to fit row titles.");
  verify_paste_ = AddCheck(client, "chkVerifyPaste", "Verify pasted data",
                           "Read every pasted value back from the target's field before moving "
                           "on, and stop the load when the field holds something else");
  verify_paste_->setAccessibleName(QStringLiteral("Verify pasted data"));
  for (QCheckBox* box : {hour_glass_, auto_insert_, progress_bar_, title_size_, verify_paste_}) {
    client_layout->addWidget(box);
  }
  colour_group_ = new QGroupBox(QStringLiteral("Cell Colour"), client);
  colour_group_->setObjectName(QStringLiteral("grpColour"));
  colour_group_->setToolTip(
      QStringLiteral("Click on a colour panel to change a cell's default colour."));
  auto* colours = new QGridLayout(colour_group_);
  const std::pair<const char*, const char*> panels[] = {{"Data", "setDataColour"},
                                                        {"Commands", "setCommandColour"},
                                                        {"Keystrokes", "setKeystrokeColour"}};
  QPushButton** panel_slots[] = {&data_colour_, &command_colour_, &keystroke_colour_};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(QString::fromLatin1(panels[i].first), colour_group_);
    colours->addWidget(label, i, 0);
    *panel_slots[i] = AddPanel(colour_group_, panels[i].second);
    label->setBuddy(*panel_slots[i]);  // the panel is named as its kind of cell
    colours->addWidget(*panel_slots[i], i, 1);
  }
  client_layout->addWidget(colour_group_);
  client_layout->addStretch(1);
  pages_->addTab(client, QStringLiteral("Form Client"));

  // Export Import.
  auto* export_page = new QWidget(pages_);
  export_page->setObjectName(QStringLiteral("tabExportImport"));
  auto* export_layout = new QVBoxLayout(export_page);
  apps_export_ = AddCheck(export_page, "chkAppsExport", "Oracle Apps export target",
                          "Use Typelane as the helper for the Oracle Apps Export functionality");
  export_layout->addWidget(apps_export_);
  auto radio_group = [&](const char* name, const char* caption,
                         std::pair<const char*, const char*> items, QRadioButton** buttons) {
    auto* group = new QGroupBox(QString::fromLatin1(caption), export_page);
    group->setObjectName(QString::fromLatin1(name));
    auto* group_layout = new QVBoxLayout(group);
    auto* exclusive = new QButtonGroup(group);
    const char* captions[2] = {items.first, items.second};
    for (int i = 0; i < 2; ++i) {
      buttons[i] = new QRadioButton(QString::fromLatin1(captions[i]), group);
      buttons[i]->setObjectName(QString::fromLatin1(name) + QString::number(i));
      exclusive->addButton(buttons[i], i);
      group_layout->addWidget(buttons[i]);
      connect(buttons[i], &QRadioButton::clicked, this, [this] { changed_ = true; });
    }
    export_layout->addWidget(group);
  };
  radio_group("grpData", "Data Source", {"Selected Data", "All Data"}, data_source_);
  radio_group("grpImportLoad", "Action", {"Import data only", "Import then load"}, import_load_);
  export_layout->addStretch(1);
  pages_->addTab(export_page, QStringLiteral("Export Import"));

  // Form Event.
  auto* event_page = new QWidget(pages_);
  event_page->setObjectName(QStringLiteral("tabFormEvent"));
  auto* event_layout = new QVBoxLayout(event_page);
  exit_apps_ = AddCheck(event_page, "chkExitApps", "Exit Oracle Apps after load",
                        "Exit Oracle Apps after loading the last record in a forms playback");
  event_layout->addWidget(exit_apps_);
  auto* sign_on = new QGridLayout;
  const struct {
    const char* caption;
    const char* name;
    const char* hint;
    QLineEdit** box;
  } edits[] = {
      {"User Name", "txtUserName", "Oracle Applications user name", &user_name_},
      {"Password", "txtPassword", "Oracle Applications password", &password_},
      {"Responsibility", "txtResponsibility", "Oracle Applications responsibility",
       &responsibility_},
  };
  int row = 0;
  for (const auto& e : edits) {
    auto* label = new QLabel(QString::fromLatin1(e.caption), event_page);
    auto* box = new QLineEdit(event_page);
    box->setObjectName(QString::fromLatin1(e.name));
    box->setToolTip(QString::fromLatin1(e.hint));
    label->setBuddy(box);
    connect(box, &QLineEdit::textEdited, this, [this] { changed_ = true; });
    sign_on->addWidget(label, row, 0);
    sign_on->addWidget(box, row, 1);
    *e.box = box;
    ++row;
  }
  event_layout->addLayout(sign_on);
  event_layout->addStretch(1);
  pages_->addTab(event_page, QStringLiteral("Form Event"));

  auto* buttons = new QHBoxLayout;
  auto* ok = Button("btnOK", "OK", this);
  auto* cancel = Button("btnCancel", "Cancel", this);
  auto* make_default =
      Button("btnDefault", "Make Default", this, "Make options the default for new sheets");
  auto* load_defaults =
      Button("btnLoadDefaults", "Load Defaults", this, "Reset all options to their defaults.");
  ok->setDefault(true);
  for (QPushButton* b : {ok, cancel, make_default, load_defaults}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &OptionsDialog::ApplyOptions);
  // Cancel (and Esc, and closing) only hides: the values in force stay, and
  // the controls are filled again on the next showing.
  connect(cancel, &QPushButton::clicked, this, &OptionsDialog::reject);
  connect(make_default, &QPushButton::clicked, this, &OptionsDialog::MakeDefault);
  connect(load_defaults, &QPushButton::clicked, this, &OptionsDialog::LoadDefaults);

  setFixedSize(sizeHint().expandedTo(QSize(360, 300)));
}

OptionsDialog::~OptionsDialog() = default;

QCheckBox* OptionsDialog::AddCheck(QWidget* page, const char* name, const char* caption,
                                   const char* hint) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), page);
  box->setObjectName(QString::fromLatin1(name));
  box->setToolTip(QString::fromLatin1(hint));
  // The association box is not an option of the sheet: it changes nothing
  // that the sheet keeps.
  if (QByteArray(name) != "chkAppsExport") {
    connect(box, &QCheckBox::clicked, this, [this] { changed_ = true; });
  }
  return box;
}

QPushButton* OptionsDialog::AddPanel(QWidget* parent, const char* name) {
  auto* panel = new QPushButton(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFixedSize(64, 22);
  panel->setFlat(true);
  panel->setAutoDefault(false);
  panel->setCursor(Qt::PointingHandCursor);
  connect(panel, &QPushButton::clicked, this, [this, panel] { ChoosePanelColour(panel); });
  return panel;
}

void OptionsDialog::SetPanel(QPushButton* panel, std::int32_t colour) {
  panel->setProperty(kColourProperty, colour);
  panel->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #808080;")
                           .arg(FromColourRef(colour).name()));
}

std::int32_t OptionsDialog::PanelColour(const char* name) const {
  const auto* panel = findChild<QPushButton*>(QString::fromLatin1(name));
  return panel != nullptr ? panel->property(kColourProperty).toInt() : 0;
}

void OptionsDialog::ChoosePanelColour(QPushButton* panel) {
  const std::optional<QColor> chosen =
      choose_colour_(FromColourRef(panel->property(kColourProperty).toInt()), this);
  if (chosen && chosen->isValid()) SetPanel(panel, ToColourRef(*chosen));
}

void OptionsDialog::showEvent(QShowEvent* event) {
  ShowOptions();
  QDialog::showEvent(event);
}

void OptionsDialog::DocumentReset() { hide(); }

void OptionsDialog::ApplyKind() {
  const KindControls c = ControlsForKind(document_.Kind());
  hour_glass_->setEnabled(c.option_hour_glass);
  // A load option, as the hourglass wait is.
  verify_paste_->setEnabled(c.option_hour_glass);
  auto_insert_->setEnabled(c.option_auto_insert);
  progress_bar_->setEnabled(c.option_progress_bar);
  colour_group_->setEnabled(c.option_colours);
  title_size_->setEnabled(c.option_title_size);
  exit_apps_->setEnabled(c.option_exit_apps);
  for (QLineEdit* box : {user_name_, password_, responsibility_}) box->setEnabled(c.option_sign_on);
}

void OptionsDialog::ShowOptions() {
  const Options& o = document_.options;
  hour_glass_->setChecked(o.hour_glass);
  auto_insert_->setChecked(o.auto_insert);
  progress_bar_->setChecked(o.progress_bar);
  title_size_->setChecked(o.title_size);
  verify_paste_->setChecked(o.verify_paste);
  exit_apps_->setChecked(o.exit_apps);
  SetPanel(data_colour_, o.data_colour);
  SetPanel(command_colour_, o.command_colour);
  SetPanel(keystroke_colour_, o.keystroke_colour);
  // An index the radio group does not have leaves both items clear.
  for (int i = 0; i < 2; ++i) {
    data_source_[i]->setChecked(o.data_source == i);
    import_load_[i]->setChecked(o.import_load == i);
  }
  user_name_->setText(BytesToText(o.user_name));
  password_->setText(BytesToText(o.password));
  responsibility_->setText(BytesToText(o.responsibility));
  association_flag_ = association_.IsOurs();
  apps_export_->setChecked(association_flag_);
  ApplyKind();
  changed_ = false;
}

Options OptionsDialog::ControlOptions() const {
  Options o = document_.options;
  o.hour_glass = hour_glass_->isChecked();
  o.auto_insert = auto_insert_->isChecked();
  o.progress_bar = progress_bar_->isChecked();
  o.title_size = title_size_->isChecked();
  o.verify_paste = verify_paste_->isChecked();
  o.exit_apps = exit_apps_->isChecked();
  for (int i = 0; i < 2; ++i) {
    if (data_source_[i]->isChecked()) o.data_source = i;
    if (import_load_[i]->isChecked()) o.import_load = i;
  }
  o.data_colour = data_colour_->property(kColourProperty).toInt();
  o.command_colour = command_colour_->property(kColourProperty).toInt();
  o.keystroke_colour = keystroke_colour_->property(kColourProperty).toInt();
  o.user_name = TextToBytes(user_name_->text(), document_.options.user_name);
  o.password = TextToBytes(password_->text(), document_.options.password);
  o.responsibility = TextToBytes(responsibility_->text(), document_.options.responsibility);
  return o;
}

void OptionsDialog::ApplyOptions() {
  const Options chosen = ControlOptions();
  Options& o = document_.options;
  o.hour_glass = chosen.hour_glass;
  o.auto_insert = chosen.auto_insert;
  o.progress_bar = chosen.progress_bar;
  o.title_size = chosen.title_size;
  o.verify_paste = chosen.verify_paste;
  o.exit_apps = chosen.exit_apps;
  o.data_source = chosen.data_source;
  o.import_load = chosen.import_load;
  o.user_name = chosen.user_name;
  o.password = chosen.password;
  o.responsibility = chosen.responsibility;
  if (apps_export_->isChecked() != association_flag_) SetAppsExport(apps_export_->isChecked());
  if (chosen.data_colour != o.data_colour || chosen.command_colour != o.command_colour ||
      chosen.keystroke_colour != o.keystroke_colour) {
    o.data_colour = chosen.data_colour;
    o.command_colour = chosen.command_colour;
    o.keystroke_colour = chosen.keystroke_colour;
    changed_ = true;
  }
  if (changed_) {
    document_.SetModified(true);
    emit Modified();
  }
  emit OptionsApplied();
  hide();
}

void OptionsDialog::SetAppsExport(bool on) {
  if (association_.Set(on)) {
    association_flag_ = on;
    apps_export_->setChecked(on);
  } else {
    apps_export_->setChecked(association_flag_);
  }
}

void OptionsDialog::MakeDefault() {
  // The controls as they stand, not the values in force.
  // A refusal is told with where the settings live and why: a silent failure
  // would leave the user believing the defaults were kept.
  SettingsStore& store = document_.settings();
  if (!SaveOptionDefaults(store, ControlOptions())) {
    document_.prompter().Error(
        WithFileReason("Failed to save the option defaults.", store.LastFailure()));
  }
}

void OptionsDialog::LoadDefaults() {
  document_.options = LoadOptionDefaults(document_.settings());
  ShowOptions();
  emit OptionsApplied();
}

}  // namespace typelane::ui
