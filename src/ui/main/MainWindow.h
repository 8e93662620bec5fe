#pragma once

#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/main/ExcelSource.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTimer;
class QToolButton;

namespace typelane {
class Document;
class Platform;
}  // namespace typelane

namespace typelane::ui {

class HelpWindow;

class DialogHost;
class EditCommands;
class EditGrid;
class FindCommands;
class SheetModel;
class UndoCommands;
class WindowCombo;

// frmTypelane: the program's one main window, a view over a Document. Menus,
// the toolbar panel (buttons, command group, Auto Tab, window name,
// description, current cell), the sheet grid, the source view and the status
// bar. Every action and control carries its name as its objectName.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(Document& document, Platform& platform, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The arguments after the program's name; joined into one path and opened on
  // the first activation of the window.
  void SetCommandLine(std::vector<std::string> args) { command_line_ = std::move(args); }
  // How help pages and addresses are opened (the desktop's handler by default).
  // Opens a web or mail address or a local file with the desktop's program;
  // false when the desktop has none.
  void SetUrlOpener(std::function<bool(const QUrl&)> opener) { open_url_ = std::move(opener); }
  // Opens a web page or a file with the desktop's own program for it.
  void OpenUrl(const QUrl& url) { open_url_(url); }

  Document& document() { return document_; }
  EditGrid* Grid() const { return grid_; }
  SheetModel* Model() const { return model_; }
  DialogHost* Dialogs() const { return dialogs_; }
  QAction* Action(const QString& name) const;
  // The local help page: the program folder's help/index.htm.
  QUrl LocalHelpUrl() const;

  // Tools > Excel Import: Excel's selection (or, by the DataSource option, all
  // its cells) pasted as a manual Paste would, the clipboard emptied, then Send
  // Data when the ImportLoad option asks for it in a sheet file.
  void ExcelImport();
  // Where Excel's cells come from (the running Excel by default; tests script it).
  void SetExcelSource(ExcelSource source) { excel_source_ = std::move(source); }

  // The grid's in-place editor holds text for (column, row): *ML or *MR in a
  // sheet file asks the user to point at the place to click and completes the
  // cell with the pointer's screen position. Returns the cell's text after it.
  QString CaptureMousePosition(int column, int row, const QString& text);

  // ---- the file flow ----
  void NewSheet();
  void OpenFile(const std::string& name);  // empty: ask
  void SaveFile(bool save_as);
  void OpenCommandLineFile();
  // Runs fn on the heading editor once it is shown (tests drive it this way).
  void SetTitleEditorHook(std::function<void(QDialog*)> hook) {
    title_editor_hook_ = std::move(hook);
  }

  // "Time: 9:05": the hour without, the minute with a leading zero.
  static QString ClockText(int hour, int minute);
  // The comment timer's tick: the clock, and the note of the cell under the
  // pointer when none is shown.
  void Tick();
  // The note box at a cell: shown with the cell's comment (hover), or for
  // editing it (focused).
  void ShowCommentBox(int row, int col, bool edit);
  // The cell whose note the box shows ({0, 0} while hidden).
  std::pair<int, int> CommentCell() const { return comment_cell_; }

  // The document changed: the sheet was marked modified by the user.
  void MarkModified();
  // The user began typing into the sheet (a cell, the note box, the heading
  // editor): marked as MarkModified does, but the change itself comes as an
  // undo step, so undoing back to the saved sheet clears the mark.
  void MarkTyping();
  // Everything on screen from the document: caption, toolbar values, kind,
  // recent files, Save, the size text. reload: the sheet was replaced.
  void ShowDocument(bool reload);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* AddAction(QMenu* menu, const char* name, const char* caption,
                     const QKeySequence& shortcut = {});
  QMenu* AddMenu(QMenu* parent, const char* name, const char* caption);
  QToolButton* AddButton(const char* name, const char* picture, const char* hint);
  void BuildMenus();
  void BuildPopupMenus();
  void BuildToolbar(QWidget* panel);
  void BuildStatusBar();
  void Connect();

  void ApplyKindControls();
  void UpdateSaveState();
  void UpdateSizeText();
  void UpdateRecentFiles();
  void UpdateCommentItems();
  void ShowCurrentCell(int row, int col);
  void WriteCellTextBox();
  void MoveFromCellTextBox(bool tab);
  void HideCommentBox();

  void ConvertCommand(int conversion);
  void ShowSource();
  void HideSource();
  // The heading editor; from a double-click on a title, columns are then sized
  // to their titles when the option says so.
  void EditTitles(bool from_double_click);
  void ShowLocalHelp();
  void ShowAbout();

  Document& document_;
  Platform& platform_;
  SheetModel* model_ = nullptr;
  EditGrid* grid_ = nullptr;
  QPlainTextEdit* source_ = nullptr;
  QPlainTextEdit* comment_box_ = nullptr;
  QComboBox* group_box_ = nullptr;
  QCheckBox* auto_tab_box_ = nullptr;
  WindowCombo* window_box_ = nullptr;
  QLineEdit* description_box_ = nullptr;
  QLineEdit* cell_text_box_ = nullptr;
  QLabel* cell_label_ = nullptr;
  QLabel* size_panel_ = nullptr;
  QLabel* time_panel_ = nullptr;
  QTimer* comment_timer_ = nullptr;
  QMenu* popup_ = nullptr;
  QMenu* source_popup_ = nullptr;
  DialogHost* dialogs_ = nullptr;
  EditCommands* edit_commands_ = nullptr;
  UndoCommands* undo_commands_ = nullptr;
  FindCommands* find_commands_ = nullptr;
  std::map<QString, QAction*> actions_;
  std::map<QString, QToolButton*> buttons_;

  std::vector<std::string> command_line_;
  bool command_line_handled_ = false;
  std::pair<int, int> comment_cell_{0, 0};
  // Set while the window fills its controls from the document, so that this
  // does not count as the user's change.
  bool showing_ = false;
  // Set while a mouse click capture completes its cell.
  bool capturing_ = false;
  std::function<bool(const QUrl&)> open_url_;
  HelpWindow* help_window_ = nullptr;  // made at the first need, then kept
  std::function<void(QDialog*)> title_editor_hook_;
  ExcelSource excel_source_;

  // The editing commands reach the window's controls directly.
  friend class EditCommands;
  friend class UndoCommands;
  friend class FindCommands;
};

}  // namespace typelane::ui
