#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Prompter.h"
#include "core/common/TextEncoding.h"
#include "core/document/DocumentObserver.h"
#include "core/document/UndoHistory.h"
#include "core/files/DocumentKind.h"
#include "core/forms/FormsContent.h"
#include "core/sheet/SheetObserverList.h"

namespace typelane {

class SettingsStore;

inline constexpr const char* kRecentFilesKey = "Software\\Veltrax\\Typelane\\RecentFiles";
inline constexpr std::string_view kCaptionBase = "Veltrax Typelane";

// The open document and everything that travels with it: the sheet, the command
// table, the delays, the options in force, the values of the main window's
// toolbar, the document kind, the file name and the modified flag. The windows
// are views over it. The content (SheetContent, FormsContent) is what the
// readers, writers and the playback code below work on.
class Document : public FormsContent {
 public:
  // program_folder: where commands.dat and droplists.dat are looked for (see
  // ProgramFolder); empty means the current folder. The user's data folder
  // (UserDataFolder) is looked in first.
  Document(Prompter& prompter, SettingsStore& settings, std::string program_folder);

  // ---- the model: sheet, commands, delays, options, toolbar values
  // (SheetContent), forms (FormsContent) ----
  // The encoding the file came in (TextEncoding.h): what it holds when it is
  // not plain ASCII; else UTF-8, but Windows-1252 for a recording, which Oracle
  // Forms replays in the system's 8-bit code page. Typed text is stored in it.
  TextEncoding text_encoding = TextEncoding::kUtf8;

  // ---- document state ----
  DocumentKind Kind() const override { return kind_; }
  const std::string& FileName() const { return file_name_; }
  bool Modified() const { return modified_; }
  // Stores the flag; observers hear ModifiedChanged when it really changes.
  // Setting it outside an edit step also tells the undo history that the
  // document changed in a way it does not hold.
  void SetModified(bool modified);
  // The user began typing into the sheet (a cell, the note box, the heading
  // editor): the flag is set, but the change itself comes as an edit step, so
  // undoing back to the saved sheet clears the flag again.
  void SetModifiedByTyping();
  // Undo and redo of the sheet (see UndoHistory; the steps are made by
  // EditStep and FinishEdit in DocumentEditing.h).
  UndoHistory& History() { return history_; }
  const UndoHistory& History() const { return history_; }
  // "Veltrax Typelane" or "Veltrax Typelane " + the file's path.
  const std::string& Caption() const { return caption_; }
  // " Data size: 4 Cols, 12 Rows"
  std::string SizeText() const;
  // The groups offered in cmbGroup, refilled whenever the table is loaded.
  std::vector<std::string> GroupItems() const { return commands.GroupNames(); }

  // ---- the command table and commands.dat ----
  // Where commands.dat and droplists.dat are read from: the user's data folder
  // when it holds the file, else the program folder.
  std::string CommandsPath() const;
  std::string DropListsPath() const override;
  // Where they are written: the user's copy when there is one, else the
  // program folder when it can be written, else the user's data folder.
  std::string CommandsPathForWriting() const;
  std::string DropListsPathForWriting() const override;
  const std::string& ProgramFolder() const { return program_folder_; }
  const std::string& UserFolder() const { return user_folder_; }
  // "" leaves the program folder as the only place (tests, portable installs).
  void SetUserFolder(std::string folder) { user_folder_ = std::move(folder); }
  // From lines, or from commands.dat when lines is empty. Clears the command
  // group. A missing commands.dat keeps the table, says so and returns false.
  bool LoadCommands(std::span<const std::string> lines) override;
  // Writes commands.dat; false (after the message) when it cannot be written.
  bool SaveCommands();

  // ---- document kind ----
  void SetDocumentKind(DocumentKind kind) override;

  // ---- the file flow ----
  // Each returns false when the user cancelled or the operation failed (after
  // the message has been shown).
  bool NewSheet() override;
  bool OpenFile(const std::string& name);  // empty name: ask with the open dialog
  // After an open that succeeded: true when the reader stopped at a format
  // error and the document holds only the part of the file in front of it.
  bool PartlyRead() const { return partly_read_; }
  bool SaveFile(bool save_as);
  bool QuerySave();
  // Closing the main window: the save question with Yes and No only, then the
  // recent files are stored. False only when the user chose Yes and the save
  // did not happen (cancelled or failed): the window should then stay open
  // rather than lose the changes.
  bool QueryClose();
  void ClearSheet();
  static DocumentKind DetectFileKind(std::span<const std::string_view> lines, Prompter& prompter);

  // ---- recent files ----
  const std::array<std::string, 5>& RecentFiles() const { return recent_; }
  void AddRecentFile(const std::string& path);
  // Entries are taken as plain text; a value that cannot be a path (control
  // characters, absurd length) is left out.
  void ReadRecentFiles();
  // False when the store refused the list; the user is warned the first time
  // in a run.
  bool WriteRecentFiles();
  static bool UsableRecentPath(std::string_view path);

  Prompter& prompter() override { return prompter_; }
  SettingsStore& settings() { return settings_; }

  // ---- events ----
  // Observers are told every change the document makes (see DocumentObserver
  // for when). They must detach before they are destroyed; the document does
  // not own them.
  void AddObserver(DocumentObserver* observer);
  void RemoveObserver(DocumentObserver* observer);
  // The sheet's observers as one, for code that changes the sheet on the
  // document's behalf (the editing rules, the drop-list checks): hand it over
  // as the SheetObserver& they take. Silent while the document is in a reset.
  SheetObserverList& SheetEvents() { return sheet_events_; }
  // The extent the grid shows: LastRow, LastCol and the sheet's BlankCols.
  SheetExtent Extent() const { return sheet.Extent(); }
  // After a change made straight to `sheet` or to the values: tells the
  // observers the extent (when it changed) and the cells of rect.
  void CellsChanged(const CellRect& rect) override;
  // After the toolbar values (window_title, description, command_group,
  // auto_tab) were changed straight: tells ValuesChanged.
  void ValuesChanged();

 private:
  // New, Open and a conversion run as one reset (see DocumentObserver).
  // Nested resets are one.
  class ResetScope {
   public:
    explicit ResetScope(Document& document) : document_(document) { document_.BeginReset(); }
    ~ResetScope() { document_.EndReset(); }
    ResetScope(const ResetScope&) = delete;
    ResetScope& operator=(const ResetScope&) = delete;

   private:
    Document& document_;
  };
  void BeginReset();
  void EndReset();
  bool InReset() const { return reset_depth_ > 0; }
  void SetCaption(std::string caption);
  void RecentFilesMayHaveChanged(const std::array<std::string, 5>& before);
  void TellKind();
  void TellCommandsReset();
  void TellDelaysReset();
  void TellOptionsReset();
  template <typename F>
  void Tell(F&& call);

  // Commands, delays and options back to commands.dat, defaults and the stored
  // defaults, as a new document starts.
  void ResetModels();

  Prompter& prompter_;
  SettingsStore& settings_;
  std::string program_folder_;
  std::string user_folder_;
  DocumentKind kind_ = DocumentKind::kSheetFile;
  std::string file_name_;
  bool modified_ = false;
  bool partly_read_ = false;
  bool recent_files_warned_ = false;
  std::string caption_{kCaptionBase};
  std::array<std::string, 5> recent_;

  std::vector<DocumentObserver*> observers_;
  SheetObserverList sheet_events_;
  int reset_depth_ = 0;
  // What a reset tells at its end: the state when it began, and which parts
  // were replaced meanwhile.
  struct ResetStart {
    bool modified = false;
    std::string caption;
    std::array<std::string, 5> recent;
  } reset_start_;
  bool pending_kind_ = false;
  bool pending_commands_ = false;
  bool pending_delays_ = false;
  bool pending_options_ = false;
  bool pending_values_ = false;
  UndoHistory history_{sheet};
};

}  // namespace typelane
