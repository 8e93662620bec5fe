#pragma once

#include <QColor>
#include <QDialog>
#include <functional>
#include <optional>

#include "core/settings/Options.h"
#include "ui/dialogs/TsvAssociation.h"

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace typelane {
class Document;
}

namespace typelane::ui {

// frmOptions, "Options & Preferences": a view over the options in force
// (Document::options) and their stored defaults (the document's settings
// store). Showing fills the controls; OK applies them; "Make Default" stores
// the controls as the defaults for new sheets; "Load Defaults" puts the stored
// defaults in force at once. The window keeps only its changed flag and whether
// the tab-separated-values association was ours when it was shown.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(Document& document, QWidget* parent = nullptr);
  ~OptionsDialog() override;

  // How a colour panel asks for its colour (the colour dialog by default);
  // nothing when the user cancels.
  using ColourChooser =
      std::function<std::optional<QColor>(const QColor& current, QWidget* parent)>;
  void SetColourChooser(ColourChooser chooser) { choose_colour_ = std::move(chooser); }
  void SetAssociation(TsvAssociation association) { association_ = std::move(association); }

  // The document was replaced (New, Open): hidden.
  void DocumentReset();

  void ShowOptions();   // fills the controls from the values in force
  void ApplyOptions();  // OK
  void MakeDefault();   // "Make Default"
  void LoadDefaults();  // "Load Defaults"

  bool Changed() const { return changed_; }
  // The options as the controls stand.
  Options ControlOptions() const;
  // A colour panel's colour, 0x00BBGGRR.
  std::int32_t PanelColour(const char* name) const;

 signals:
  // OK found something changed: the sheet is now modified.
  void Modified();
  // The values in force changed (OK, Load Defaults): the grid shows them.
  void OptionsApplied();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QCheckBox* AddCheck(QWidget* page, const char* name, const char* caption, const char* hint);
  QPushButton* AddPanel(QWidget* parent, const char* name);
  void SetPanel(QPushButton* panel, std::int32_t colour);
  void ChoosePanelColour(QPushButton* panel);
  void ApplyKind();
  void SetAppsExport(bool on);

  Document& document_;
  TsvAssociation association_;
  ColourChooser choose_colour_;
  QTabWidget* pages_ = nullptr;
  QCheckBox* hour_glass_ = nullptr;
  QCheckBox* auto_insert_ = nullptr;
  QCheckBox* progress_bar_ = nullptr;
  QCheckBox* title_size_ = nullptr;
  QCheckBox* verify_paste_ = nullptr;
  QCheckBox* exit_apps_ = nullptr;
  QCheckBox* apps_export_ = nullptr;
  QGroupBox* colour_group_ = nullptr;
  QPushButton* data_colour_ = nullptr;
  QPushButton* command_colour_ = nullptr;
  QPushButton* keystroke_colour_ = nullptr;
  QRadioButton* data_source_[2] = {};
  QRadioButton* import_load_[2] = {};
  QLineEdit* user_name_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* responsibility_ = nullptr;
  bool changed_ = false;
  bool association_flag_ = false;
};

}  // namespace typelane::ui
