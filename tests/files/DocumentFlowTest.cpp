#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "FilesTestSupport.h"
#include "SystemReasons.h"
#include "core/document/CommandLine.h"
#include "core/files/SheetFile.h"
#ifndef _WIN32
#include "support/FileSizeLimit.h"
#endif

namespace typelane {
namespace {

using testing::DocumentHarness;
using testing::Join;
using testing::WriteBytes;

constexpr std::string_view kOpenFailed =
    "Failed to open the file or an error occured during file processing.";
constexpr std::string_view kSaveFailed = "Failed to save the file.";
constexpr std::string_view kSaveQuestion = "Do you want to save the current spreadsheet?";

std::string ReadBytes(const std::string& path) { return ReadFileBytes(path); }

std::string SheetFileText(const std::vector<std::string>& data) {
  std::vector<std::string> lines = {"begindelays", "DataDelay=2", "enddelays",  "beginheader",
                                    "Name",        "endheader",   "beginother", "Window=Target",
                                    "endother",    "begindata"};
  lines.insert(lines.end(), data.begin(), data.end());
  lines.push_back("enddata");
  return Join(lines);
}

DocumentKind Detect(std::string_view first, testing::ScriptedPrompter& prompter) {
  std::vector<std::string_view> lines = {first, "more"};
  return Document::DetectFileKind(lines, prompter);
}

void Edit(Document& d) {
  d.sheet.SetCell(1, 1, "changed");
  d.sheet.RaiseExtent(1, 1);
  d.SetModified(true);
}

TEST(DocumentFlow, NewSheetStartsFromTheDefaults) {
  DocumentHarness h;
  Document& d = *h.doc;
  EXPECT_EQ(d.Caption(), "Veltrax Typelane");
  EXPECT_EQ(d.SizeText(), " Data size: 0 Cols, 0 Rows");
  EXPECT_EQ(d.Kind(), DocumentKind::kSheetFile);
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(d.commands.SaveLines(), testing::kDefaultCommands);

  h.store.WriteInt(kOptionsKey, "ProgressBar", 0);
  d.sheet.SetCell(0, 2, "Title");
  d.sheet.SetCell(12, 4, "x");
  d.sheet.RaiseExtent(12, 4);
  d.sheet.AttachInfo(3, 3).comment = "old note";
  d.sheet.SetColumnWidth(2, 200);
  EXPECT_EQ(d.SizeText(), " Data size: 4 Cols, 12 Rows");
  d.window_title = "W";
  d.description = "D";
  d.command_group = "GroupA";
  d.auto_tab = true;
  d.sheet.SetBlankCols(0);
  d.delays.cell_delay = 9;
  d.options.title_size = true;
  d.LoadCommands(std::vector<std::string>{"A\tB\tC\tD"});
  d.SetModified(true);

  h.prompter.answers.push_back(Answer::kNo);
  ASSERT_TRUE(d.NewSheet());
  EXPECT_EQ(h.Messages(), std::vector<std::string>{std::string(kSaveQuestion)});
  EXPECT_EQ(d.sheet.LastRow(), 0);
  EXPECT_EQ(d.sheet.LastCol(), 0);
  EXPECT_EQ(d.sheet.Cell(0, 2), "");
  EXPECT_EQ(d.sheet.Cell(12, 4), "");
  EXPECT_EQ(d.sheet.Info(3, 3), nullptr);
  EXPECT_EQ(d.sheet.ColumnWidth(2), Sheet::kDefaultColumnWidth);
  EXPECT_EQ(d.window_title, "");
  EXPECT_EQ(d.description, "");
  EXPECT_EQ(d.command_group, "");
  EXPECT_FALSE(d.auto_tab);
  EXPECT_EQ(d.sheet.BlankCols(), 100);
  EXPECT_EQ(d.delays.cell_delay, 0.2);
  EXPECT_FALSE(d.options.progress_bar);  // the stored default
  EXPECT_FALSE(d.options.title_size);
  EXPECT_EQ(d.commands.SaveLines(), testing::kDefaultCommands);
  EXPECT_FALSE(d.Modified());

  // Cancel leaves everything as it was.
  Edit(d);
  h.prompter.answers.push_back(Answer::kCancel);
  EXPECT_FALSE(d.NewSheet());
  EXPECT_EQ(d.sheet.Cell(1, 1), "changed");
  EXPECT_TRUE(d.Modified());
}

TEST(DocumentFlow, DetectsTheKindFromTheFirstLine) {
  testing::ScriptedPrompter p;
  EXPECT_EQ(Detect("begindelays", p), DocumentKind::kSheetFile);
  EXPECT_EQ(Detect("begindelays ", p), DocumentKind::kTabDelimited);
  EXPECT_EQ(Detect("Begindelays", p), DocumentKind::kTabDelimited);
  EXPECT_EQ(Detect("# Forms 6.0 Event File", p), DocumentKind::kPlayback);
  EXPECT_EQ(Detect("# Forms 4.5 Event File", p), DocumentKind::kPlayback);
  EXPECT_TRUE(p.shown.empty());
  EXPECT_EQ(Detect("# Forms 6.0 Event File x", p), DocumentKind::kTabDelimited);
  EXPECT_EQ(Detect("# Forms  6.0 Event File", p), DocumentKind::kTabDelimited);
  EXPECT_EQ(Detect("# forms 6.0 Event File", p), DocumentKind::kTabDelimited);
  EXPECT_TRUE(p.shown.empty());

  EXPECT_EQ(Detect("# Forms 5.0 Event File", p), DocumentKind::kPlayback);
  ASSERT_EQ(p.shown.size(), 1u);
  EXPECT_EQ(p.shown[0].title, "Typelane Warning");
  EXPECT_EQ(p.shown[0].buttons, Buttons::kOk);
  EXPECT_EQ(p.shown[0].text,
            "This version of Typelane has not been tested with Oracle Forms 5.0 Event Files.\r"
            "Please check Veltrax's website for further support information - "
            "https://typelane.org/support");
}

TEST(DocumentFlow, OpensSheetAndTabDelimitedFiles) {
  DocumentHarness h;
  Document& d = *h.doc;
  const std::string tyl = h.dir / "orders.tyl";
  WriteBytes(tyl, SheetFileText({"Smith\t3", "Jones"}));
  Edit(d);
  h.prompter.answers.push_back(Answer::kNo);
  ASSERT_TRUE(d.OpenFile(tyl));
  EXPECT_EQ(h.Messages(), std::vector<std::string>{std::string(kSaveQuestion)});
  EXPECT_TRUE(h.prompter.dialogs.empty());
  EXPECT_EQ(d.FileName(), tyl);
  EXPECT_EQ(d.Caption(), "Veltrax Typelane " + tyl);
  EXPECT_EQ(d.Kind(), DocumentKind::kSheetFile);
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(d.RecentFiles()[0], tyl);
  EXPECT_EQ(d.sheet.Cell(0, 1), "Name");
  EXPECT_EQ(d.sheet.Cell(1, 2), "3");
  EXPECT_EQ(d.sheet.LastRow(), 2);
  EXPECT_EQ(d.window_title, "Target");
  EXPECT_EQ(d.delays.data_delay, 2);
  // The per-command delays follow the command table once the file is read.
  ASSERT_EQ(d.delays.CommandDelays().size(), 2u);
  EXPECT_EQ(d.delays.CommandDelays()[0].name, "SAVE");
  EXPECT_EQ(h.prompter.busy_depth, 0);

  // "begindelays" followed by a blank is tab-delimited; the earlier sheet is gone.
  const std::string txt = h.dir / "export.txt";
  WriteBytes(txt, "begindelays \tb\r\nc\n\"q\tq\"\r");
  ASSERT_TRUE(d.OpenFile(txt));
  EXPECT_EQ(d.Kind(), DocumentKind::kTabDelimited);
  EXPECT_EQ(d.sheet.Cell(0, 1), "");
  EXPECT_EQ(d.window_title, "");
  EXPECT_EQ(d.delays.data_delay, 0);
  EXPECT_EQ(d.sheet.Cell(1, 1), "begindelays ");
  EXPECT_EQ(d.sheet.Cell(3, 1), "q\tq");
  EXPECT_EQ(d.SizeText(), " Data size: 2 Cols, 3 Rows");
  EXPECT_EQ(d.RecentFiles()[0], txt);
  EXPECT_EQ(d.RecentFiles()[1], tyl);
}

TEST(DocumentFlow, OpeningAFileWithTheBackupOfAnInterruptedSaveAsksWhichToOpen) {
  DocumentHarness h;
  Document& d = *h.doc;
  // An in-place save was killed half-way: the file is torn, the backup whole.
  const std::string file = h.dir / "orders.txt";
  const std::string backup = h.dir / ".orders.txt.typelane-backup";
  WriteBytes(file, "Smith\t3\r\nJo");
  WriteBytes(backup, "Smith\t2\r\nJones\t5\r\n");
  // The backup as the system names it (a full path on Windows).
  const std::string named = InterruptedSaveBackup(file);
  ASSERT_TRUE(std::filesystem::equivalent(PathFromName(named), PathFromName(backup))) << named;
  const std::string question = "An earlier save of \"" + file +
                               "\" was interrupted. A backup of the file as it was before that "
                               "save is kept in \"" +
                               named + "\". Open the backup instead?";

  h.prompter.answers.push_back(Answer::kYes);
  ASSERT_TRUE(d.OpenFile(file));
  ASSERT_EQ(h.prompter.shown.size(), 1u);
  EXPECT_EQ(h.prompter.shown[0].text, question);
  EXPECT_EQ(h.prompter.shown[0].buttons, Buttons::kYesNo);
  EXPECT_EQ(d.sheet.Cell(2, 1), "Jones");
  // The sheet is the backup's, under the file's name, and differs from the file.
  EXPECT_EQ(d.FileName(), file);
  EXPECT_EQ(d.Caption(), "Veltrax Typelane " + file);
  EXPECT_TRUE(d.Modified());
  EXPECT_EQ(d.RecentFiles()[0], file);

  // No opens the file as it is; both files stay until a save.
  h.prompter.shown.clear();
  h.prompter.answers = {Answer::kNo, Answer::kNo};
  ASSERT_TRUE(d.OpenFile(file));
  EXPECT_EQ(h.Messages(), (std::vector<std::string>{std::string(kSaveQuestion), question}));
  EXPECT_EQ(d.sheet.Cell(2, 1), "Jo");
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(ReadBytes(backup), "Smith\t2\r\nJones\t5\r\n");

  // A save makes the file whole: the backup has served and goes, and the next
  // open asks nothing.
  Edit(d);
  ASSERT_TRUE(d.SaveFile(false));
  EXPECT_FALSE(std::filesystem::exists(backup));
  h.prompter.shown.clear();
  ASSERT_TRUE(d.OpenFile(file));
  EXPECT_TRUE(h.prompter.shown.empty());
  EXPECT_EQ(d.sheet.Cell(1, 1), "changed");
}

TEST(DocumentFlow, OpeningAPlaybackFileWarnsAboutAnUntestedVersion) {
  DocumentHarness h;
  const std::string fpb = h.dir / "rec.fpb";
  WriteBytes(fpb, "# Forms 5.0 Event File\r\n");
  h.doc->OpenFile(fpb);
  ASSERT_FALSE(h.prompter.shown.empty());
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane Warning");
  EXPECT_NE(h.prompter.shown[0].text.find("Oracle Forms 5.0 Event Files."), std::string::npos);
}

TEST(DocumentFlow, FailedOpenResetsAndSaysSo) {
  DocumentHarness h;
  Document& d = *h.doc;
  const std::string good = h.dir / "good.tyl";
  WriteBytes(good, SheetFileText({"kept?"}));
  ASSERT_TRUE(d.OpenFile(good));
  const auto recent = d.RecentFiles();

  const std::string empty = h.dir / "empty.tyl";
  WriteBytes(empty, "");
  const std::string bad_number = h.dir / "bad.tyl";
  WriteBytes(bad_number,
             Join({"begindelays", "DataDelay=", "enddelays", "beginheader", "endheader"}));
  const std::string bad_option = h.dir / "badoption.tyl";
  WriteBytes(bad_option,
             SheetFileText({"row"}) + Join({"beginoptions", "DataColour=red", "endoptions"}));
  const std::string bad_option_bytes = ReadBytes(bad_option);
  // A failure of the file itself names the file and the reason on a second line.
  const std::map<std::string, std::string> reasons = {
      {empty, "\r" + empty + ": The file is empty"},
      {bad_number, ""},
      {bad_option, ""},
      {h.dir / "missing.tyl", "\r" + (h.dir / "missing.tyl") + ": No such file or directory"},
      {h.dir.Path(), "\r" + h.dir.Path() + ": " + testing::OpenFolderReason()}};
  for (const auto& [path, reason] : reasons) {
    h.prompter.shown.clear();
    // Even a reset after a half-read file asks nothing (a Yes would save the
    // half-read sheet over the file that failed), whatever answer is ready.
    h.prompter.answers.assign(1, Answer::kYes);
    h.prompter.files.assign(1, FileChoice{bad_option, 1});
    EXPECT_FALSE(d.OpenFile(path)) << path;
    ASSERT_EQ(h.prompter.shown.size(), 1u) << path;
    EXPECT_EQ(h.prompter.shown[0].title, "Typelane Error");
    EXPECT_EQ(h.prompter.shown[0].text, std::string(kOpenFailed) + reason);
    // The hourglass is gone before the failure is told.
    EXPECT_EQ(h.prompter.shown[0].busy, 0) << path;
    EXPECT_EQ(d.FileName(), "");
    EXPECT_EQ(d.Caption(), "Veltrax Typelane");
    EXPECT_EQ(d.sheet.LastRow(), 0);
    EXPECT_EQ(d.sheet.Cell(1, 1), "");
    EXPECT_EQ(d.window_title, "");
    EXPECT_EQ(d.delays.data_delay, 0);
    EXPECT_FALSE(d.Modified());
    EXPECT_EQ(d.RecentFiles(), recent);
    EXPECT_EQ(h.prompter.busy_depth, 0);
  }
  EXPECT_EQ(ReadBytes(bad_option), bad_option_bytes);
  h.prompter.answers.clear();
  h.prompter.files.clear();

  // A format error is the reader's own message; the open still completes.
  const std::string broken = h.dir / "broken.tyl";
  WriteBytes(broken, Join({"begindelays", "DataDelay=4", "enddelays", "beginother"}));
  h.prompter.shown.clear();
  EXPECT_TRUE(d.OpenFile(broken));
  EXPECT_EQ(h.Messages(),
            std::vector<std::string>{"Error reading Typelane file. Is it the correct format?"});
  EXPECT_EQ(d.FileName(), broken);
  EXPECT_EQ(d.delays.data_delay, 4);
  EXPECT_EQ(d.RecentFiles()[0], broken);
  EXPECT_FALSE(d.Modified());
}

TEST(DocumentFlow, OpenDialogAndItsCancelPaths) {
  DocumentHarness h;
  Document& d = *h.doc;
  const std::string tyl = h.dir / "a.tyl";
  WriteBytes(tyl, SheetFileText({"a"}));

  // Cancel at the save question: no dialog, nothing changes.
  Edit(d);
  h.prompter.answers.push_back(Answer::kCancel);
  EXPECT_FALSE(d.OpenFile(""));
  EXPECT_TRUE(h.prompter.dialogs.empty());
  EXPECT_TRUE(d.Modified());

  // No, then cancel the dialog: the document stays, but is no longer modified.
  h.prompter.answers.push_back(Answer::kNo);
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.OpenFile(""));
  ASSERT_EQ(h.prompter.dialogs.size(), 1u);
  EXPECT_EQ(h.prompter.dialogs[0].kind, "open");
  EXPECT_EQ(h.prompter.dialogs[0].filter,
            "Typelane File (*.tyl)|*.tyl|Tab Delimited File (*.*)|*.*|Form File (*.fpb)|*.fpb");
  EXPECT_EQ(h.prompter.dialogs[0].filter_index, 1);
  EXPECT_EQ(h.prompter.dialogs[0].file_name, "");
  EXPECT_EQ(d.sheet.Cell(1, 1), "changed");
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(h.prompter.busy_depth, 0);

  // Choosing a file opens it.
  h.prompter.files.push_back(FileChoice{tyl, 2});
  EXPECT_TRUE(d.OpenFile(""));
  EXPECT_EQ(d.FileName(), tyl);
  EXPECT_EQ(d.Kind(), DocumentKind::kSheetFile);  // from the contents, not the dialog
  EXPECT_EQ(d.sheet.Cell(1, 1), "a");

  // The dialog starts from the current file and kind.
  d.SetDocumentKind(DocumentKind::kTabDelimited);
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.OpenFile(""));
  EXPECT_EQ(h.prompter.dialogs.back().filter_index, 2);
  EXPECT_EQ(h.prompter.dialogs.back().file_name, tyl);
}

TEST(DocumentFlow, QuerySaveAnswers) {
  DocumentHarness h;
  Document& d = *h.doc;
  EXPECT_TRUE(d.QuerySave());  // nothing to save: no question
  EXPECT_TRUE(h.prompter.shown.empty());

  Edit(d);
  h.prompter.answers.push_back(Answer::kCancel);
  EXPECT_FALSE(d.QuerySave());
  ASSERT_EQ(h.prompter.shown.size(), 1u);
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane");
  EXPECT_EQ(h.prompter.shown[0].text, kSaveQuestion);
  EXPECT_EQ(h.prompter.shown[0].buttons, Buttons::kYesNoCancel);
  EXPECT_TRUE(d.Modified());

  h.prompter.answers.push_back(Answer::kNo);
  EXPECT_TRUE(d.QuerySave());
  EXPECT_FALSE(d.Modified());

  // Yes on a never-saved sheet asks for a name; cancelling that keeps the
  // changes and abandons the operation rather than losing them.
  Edit(d);
  h.prompter.answers.push_back(Answer::kYes);
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.QuerySave());
  EXPECT_TRUE(d.Modified());

  const std::string path = h.dir / "saved.tyl";
  h.prompter.answers.push_back(Answer::kYes);
  h.prompter.files.push_back(FileChoice{path, 1});
  EXPECT_TRUE(d.QuerySave());
  EXPECT_FALSE(d.Modified());
  EXPECT_NE(ReadBytes(path).find("changed"), std::string::npos);
}

TEST(DocumentFlow, SaveAndSaveAs) {
  DocumentHarness h;
  Document& d = *h.doc;
  Edit(d);
  d.sheet.SetCell(1, 2, "two");
  d.sheet.RaiseExtent(1, 2);
  auto& dialogs = h.prompter.dialogs;

  // A never-saved sheet: Save shows the dialog; cancelling changes nothing.
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.SaveFile(false));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].kind, "save");
  EXPECT_EQ(dialogs[0].filter, "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*");
  EXPECT_EQ(dialogs[0].filter_index, 1);
  EXPECT_TRUE(d.Modified());
  EXPECT_EQ(d.FileName(), "");
  EXPECT_TRUE(h.prompter.shown.empty());

  const std::string tyl = h.dir / "sheet.tyl";
  h.prompter.files.push_back(FileChoice{tyl, 1});
  ASSERT_TRUE(d.SaveFile(false));
  EXPECT_EQ(d.FileName(), tyl);
  EXPECT_EQ(d.Caption(), "Veltrax Typelane " + tyl);
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(d.RecentFiles()[0], tyl);
  TextOut expected;
  WriteSheetFile(d, expected);
  EXPECT_EQ(ReadBytes(tyl), expected.Text());

  // Save with a name writes without a dialog.
  d.sheet.SetCell(1, 1, "again");
  d.SetModified(true);
  ASSERT_TRUE(d.SaveFile(false));
  EXPECT_EQ(dialogs.size(), 2u);
  EXPECT_NE(ReadBytes(tyl).find("again\ttwo\r\n"), std::string::npos);

  // Save As always asks, offering the current name; the chosen type turns the
  // document into tab-delimited text from then on.
  const std::string txt = h.dir / "sheet.txt";
  h.prompter.files.push_back(FileChoice{txt, 2});
  ASSERT_TRUE(d.SaveFile(true));
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[2].file_name, tyl);
  EXPECT_EQ(d.Kind(), DocumentKind::kTabDelimited);
  EXPECT_EQ(ReadBytes(txt), "again\ttwo\r\n");
  EXPECT_EQ(d.RecentFiles()[0], txt);
  EXPECT_EQ(d.RecentFiles()[1], tyl);
  d.sheet.SetCell(1, 2, "three");
  ASSERT_TRUE(d.SaveFile(false));
  EXPECT_EQ(ReadBytes(txt), "again\tthree\r\n");

  // ... and back into a sheet file.
  h.prompter.files.push_back(FileChoice{tyl, 1});
  ASSERT_TRUE(d.SaveFile(true));
  EXPECT_EQ(dialogs.back().filter_index, 2);
  EXPECT_EQ(d.Kind(), DocumentKind::kSheetFile);
  EXPECT_EQ(ReadBytes(tyl).substr(0, 13), "begindelays\r\n");

  // Cancelling Save As keeps name, kind and flag.
  d.SetModified(true);
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.SaveFile(true));
  EXPECT_EQ(d.FileName(), tyl);
  EXPECT_TRUE(d.Modified());

  // A playback document offers the third type.
  d.SetDocumentKind(DocumentKind::kPlayback);
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.SaveFile(true));
  EXPECT_EQ(dialogs.back().filter,
            "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*|Forms Playback file "
            "(*.fpb)|*.fpb");
  EXPECT_EQ(dialogs.back().filter_index, 3);
  EXPECT_EQ(h.prompter.busy_depth, 0);
}

#ifndef _WIN32  // a full disk is staged with a POSIX file-size limit
using testing::FileSizeLimit;

TEST(DocumentFlow, FailedSaveLeavesTheOldFileWhole) {
  DocumentHarness h;
  Document& d = *h.doc;
  const std::string tyl = h.dir / "keep.tyl";
  h.prompter.files.push_back(FileChoice{tyl, 1});
  Edit(d);
  ASSERT_TRUE(d.SaveFile(false));
  const std::string old_bytes = ReadBytes(tyl);
  const auto recent = d.RecentFiles();

  // The disk fills up while the new version is written.
  for (int r = 1; r <= 2000; ++r) d.sheet.SetCell(r, 1, "a longer sheet than the old one");
  d.sheet.RaiseExtent(2000, 1);
  d.SetModified(true);
  {
    FileSizeLimit limit(old_bytes.size() + 100);
    EXPECT_FALSE(d.SaveFile(false));
  }
  EXPECT_EQ(ReadBytes(tyl), old_bytes);
  EXPECT_EQ(h.Messages(),
            std::vector<std::string>{std::string(kSaveFailed) + "\r" + tyl + ": File too large"});
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane Error");
  EXPECT_EQ(h.prompter.shown[0].busy, 0);
  EXPECT_TRUE(d.Modified());
  EXPECT_EQ(d.RecentFiles(), recent);
  // No temporary file is left beside it.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(h.dir.Path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 2);  // commands.dat and keep.tyl

  // A folder that does not exist; a directory where the file should go. The
  // new name, caption and kind from the dialog stay in effect.
  const std::string in_missing = h.dir / "no-such-folder/x.txt";
  const std::string folder = h.dir / "folder";
  std::filesystem::create_directories(folder + "/inside");
  for (const auto& [target, reason] :
       {std::pair{in_missing, "No such file or directory"}, std::pair{folder, "Is a directory"}}) {
    h.prompter.shown.clear();
    h.prompter.files.push_back(FileChoice{target, 2});
    EXPECT_FALSE(d.SaveFile(true)) << target;
    EXPECT_EQ(h.Messages(),
              std::vector<std::string>{std::string(kSaveFailed) + "\r" + target + ": " + reason});
    EXPECT_EQ(h.prompter.shown[0].busy, 0) << target;
    EXPECT_EQ(d.FileName(), target);
    EXPECT_EQ(d.Caption(), "Veltrax Typelane " + target);
    EXPECT_EQ(d.Kind(), DocumentKind::kTabDelimited);
    EXPECT_TRUE(d.Modified());
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/inside"));
  EXPECT_EQ(h.prompter.busy_depth, 0);
}
#endif  // !_WIN32

TEST(DocumentFlow, RecentFileOrder) {
  DocumentHarness h;
  Document& d = *h.doc;
  std::vector<std::string> paths;
  for (int i = 1; i <= 6; ++i) {
    paths.push_back(h.dir / ("f" + std::to_string(i) + ".txt"));
    WriteBytes(paths.back(), "row " + std::to_string(i));
  }
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(d.OpenFile(paths[static_cast<size_t>(i)]));
  using Recent = std::array<std::string, 5>;
  EXPECT_EQ(d.RecentFiles(), (Recent{paths[4], paths[3], paths[2], paths[1], paths[0]}));

  // Entry 3 moves to the top; 1 and 2 move down; 4 and 5 stay.
  ASSERT_TRUE(d.OpenFile(paths[2]));
  EXPECT_EQ(d.RecentFiles(), (Recent{paths[2], paths[4], paths[3], paths[1], paths[0]}));
  // Entry 1 stays where it is.
  ASSERT_TRUE(d.OpenFile(paths[2]));
  EXPECT_EQ(d.RecentFiles(), (Recent{paths[2], paths[4], paths[3], paths[1], paths[0]}));
  // The last entry moves up too.
  ASSERT_TRUE(d.OpenFile(paths[0]));
  EXPECT_EQ(d.RecentFiles(), (Recent{paths[0], paths[2], paths[4], paths[3], paths[1]}));
  // A sixth file drops the oldest.
  ASSERT_TRUE(d.OpenFile(paths[5]));
  EXPECT_EQ(d.RecentFiles(), (Recent{paths[5], paths[0], paths[2], paths[4], paths[3]}));

  // Paths compare exactly: another spelling is another entry.
  d.AddRecentFile(h.dir / "F6.TXT");
  EXPECT_EQ(d.RecentFiles()[0], h.dir / "F6.TXT");
  EXPECT_EQ(d.RecentFiles()[1], paths[5]);

  // A short list only shifts the entries it has.
  DocumentHarness s;
  s.doc->AddRecentFile("a");
  s.doc->AddRecentFile("b");
  EXPECT_EQ(s.doc->RecentFiles(), (Recent{"b", "a", "", "", ""}));
  s.doc->AddRecentFile("a");
  EXPECT_EQ(s.doc->RecentFiles(), (Recent{"a", "b", "", "", ""}));
}

TEST(DocumentFlow, RecentFilesPersistInTheSettingsStore) {
  testing::TempDir dir;
  const std::string ini = dir / "settings.ini";
  testing::ScriptedPrompter prompter;
  {
    IniSettingsStore store(ini);
    Document d(prompter, store, dir.Path() + "/");
    d.ReadRecentFiles();  // first start: the values are created empty
    EXPECT_TRUE(store.KeyExists(kRecentFilesKey));
    EXPECT_EQ(store.ReadString(kRecentFilesKey, "File5"), std::optional<std::string>(""));
    d.AddRecentFile("/data/one.tyl");
    d.AddRecentFile("/data/two words & more.tyl");
    d.WriteRecentFiles();
  }
  {
    IniSettingsStore store(ini);
    Document d(prompter, store, dir.Path() + "/");
    d.ReadRecentFiles();
    EXPECT_EQ(d.RecentFiles()[0], "/data/two words & more.tyl");
    EXPECT_EQ(d.RecentFiles()[1], "/data/one.tyl");
    EXPECT_EQ(d.RecentFiles()[2], "");
  }

  // Whatever the store holds is only text: values that cannot be a path are
  // not offered, numbers are read as their text.
  MemorySettingsStore store;
  store.WriteString(kRecentFilesKey, "File1", "/ok.tyl");
  store.WriteString(kRecentFilesKey, "File2", "/a.tyl\r\n/b.tyl");
  store.WriteString(kRecentFilesKey, "File3", std::string("/x\0y", 4));
  store.WriteString(kRecentFilesKey, "File4", std::string(5000, 'a'));
  store.WriteInt(kRecentFilesKey, "File5", 42);
  Document d(prompter, store, dir.Path() + "/");
  d.ReadRecentFiles();
  using Recent = std::array<std::string, 5>;
  EXPECT_EQ(d.RecentFiles(), (Recent{"/ok.tyl", "", "", "", "42"}));
}

TEST(CommandLine, JoinsArgumentsSplitAtBlanks) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(JoinCommandLine(Args{"D:\\My", "Files\\a.tyl"}), "D:\\My Files\\a.tyl");
  EXPECT_EQ(JoinCommandLine(Args{}), "");
  EXPECT_EQ(JoinCommandLine(Args{"  ", ""}), "");
  EXPECT_EQ(JoinCommandLine(Args{" a ", "b "}), "a  b");

  DocumentHarness h;
  const std::string spaced = h.dir / "My Files.tyl";
  WriteBytes(spaced, SheetFileText({"x"}));
  EXPECT_FALSE(OpenFromCommandLine(*h.doc, Args{" ", ""}));
  EXPECT_TRUE(h.prompter.shown.empty());
  EXPECT_TRUE(OpenFromCommandLine(*h.doc, Args{h.dir / "My", "Files.tyl"}));
  EXPECT_EQ(h.doc->FileName(), spaced);
  EXPECT_EQ(h.doc->sheet.Cell(1, 1), "x");

  // Two blanks in a row come back as one: that file is not found.
  const std::string two = h.dir / "two  blanks.tyl";
  WriteBytes(two, SheetFileText({"y"}));
  EXPECT_FALSE(OpenFromCommandLine(*h.doc, Args{h.dir / "two", "blanks.tyl"}));
  EXPECT_EQ(h.Messages(), std::vector<std::string>{std::string(kOpenFailed) + "\r" + h.dir.Path() +
                                                   "/two blanks.tyl: No such file or directory"});
}

}  // namespace
}  // namespace typelane

namespace typelane {
namespace {

TEST(DocumentFlow, ARecentListThatCannotBeStoredWarnsOnceAndStopsNothing) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "commands.dat", testing::Join(testing::kDefaultCommands));
  testing::WriteBytes(dir / "one.txt", "a\tb\r\n");
  testing::WriteBytes(dir / "two.txt", "c\td\r\n");
  // The user keeps the settings file read-only; it holds an older list.
  const std::string ini = dir / "settings.ini";
  testing::WriteBytes(ini, "[Software\\Veltrax\\Typelane\\RecentFiles]\r\nFile1=s:/old.tyl\r\n");
  std::filesystem::permissions(ini, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  testing::ScriptedPrompter prompter;
  IniSettingsStore store(ini);
  Document d(prompter, store, dir.Path() + "/");
  d.SetUserFolder(dir / "user/");

  // Starting, opening and saving say nothing about the list and all go through.
  d.ReadRecentFiles();
  ASSERT_TRUE(d.OpenFile(dir / "one.txt"));
  ASSERT_TRUE(d.OpenFile(dir / "two.txt"));
  ASSERT_TRUE(d.SaveFile(false));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(d.RecentFiles()[0], dir / "two.txt");
  EXPECT_EQ(d.RecentFiles()[2], "/old.tyl");

  // Closing cannot keep the list: one warning naming the file and why, and the
  // window still closes.
  EXPECT_TRUE(d.QueryClose());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].title, "Typelane Warning");
  EXPECT_EQ(prompter.shown[0].text,
            "The list of recent files could not be saved.\r" + ini + ": The file is read-only");
  EXPECT_EQ(IniSettingsStore(ini).ReadString(kRecentFilesKey, "File1"),
            std::optional<std::string>("/old.tyl"));
  // Not again in the same run.
  EXPECT_TRUE(d.QueryClose());
  EXPECT_EQ(prompter.shown.size(), 1u);

  // A list that has not changed needs no write, so a read-only file is no failure.
  testing::ScriptedPrompter quiet;
  Document unchanged(quiet, store, dir.Path() + "/");
  unchanged.ReadRecentFiles();
  EXPECT_TRUE(unchanged.QueryClose());
  EXPECT_TRUE(quiet.shown.empty());
}

TEST(DocumentFlow, ClosingAsksYesOrNoAndStoresTheRecentFiles) {
  testing::DocumentHarness h;
  Document& d = *h.doc;
  d.AddRecentFile("/one.tyl");
  EXPECT_TRUE(d.QueryClose());  // nothing changed: no question
  EXPECT_TRUE(h.prompter.shown.empty());
  EXPECT_EQ(h.store.ReadString(kRecentFilesKey, "File1"), std::optional<std::string>("/one.tyl"));

  d.SetModified(true);
  h.prompter.answers.push_back(Answer::kNo);
  EXPECT_TRUE(d.QueryClose());
  ASSERT_EQ(h.prompter.shown.size(), 1u);
  EXPECT_EQ(h.prompter.shown[0].buttons, Buttons::kYesNo);
  EXPECT_EQ(h.prompter.shown[0].text, "Do you want to save the current spreadsheet?");

  // Yes, but the save dialog is cancelled: the window stays open.
  h.prompter.answers.push_back(Answer::kYes);
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.QueryClose());
  EXPECT_TRUE(d.Modified());

  const std::string path = h.dir / "closing.tyl";
  h.prompter.answers.push_back(Answer::kYes);
  h.prompter.files.push_back(FileChoice{path, 1});
  EXPECT_TRUE(d.QueryClose());
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(h.store.ReadString(kRecentFilesKey, "File1"), std::optional<std::string>(path));
  EXPECT_EQ(h.store.ReadString(kRecentFilesKey, "File2"), std::optional<std::string>("/one.tyl"));
}

}  // namespace
}  // namespace typelane
