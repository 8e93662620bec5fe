#pragma once

#include <QPointer>
#include <QWidget>

#include "core/common/Prompter.h"

namespace typelane::ui {

// The Prompter of the Qt program: real message boxes and file dialogs. The only
// place that builds a QMessageBox. File dialogs are Qt's own (not the
// desktop's), so they look and behave the same everywhere.
class QtPrompter : public Prompter {
 public:
  // Dialogs are centred over the parent (the main window once it exists).
  void SetParent(QWidget* parent) { parent_ = parent; }

  Answer Message(std::string_view title, std::string_view text, Buttons buttons) override;
  std::optional<FileChoice> ChooseOpenFile(std::string_view filter, int filter_index,
                                           std::string_view file_name) override;
  std::optional<FileChoice> ChooseSaveFile(std::string_view filter, int filter_index,
                                           std::string_view file_name) override;
  void BeginBusy() override;
  void EndBusy() override;

 private:
  std::optional<FileChoice> ChooseFile(bool save, std::string_view filter, int filter_index,
                                       std::string_view file_name);
  QWidget* Parent() const;

  QPointer<QWidget> parent_;
};

}  // namespace typelane::ui
