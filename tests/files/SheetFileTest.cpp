#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "FilesTestSupport.h"
#include "core/common/Errors.h"
#include "core/files/SheetFile.h"

namespace typelane {
namespace {

using testing::DocumentHarness;

constexpr std::string_view kFormatError = "Error reading Typelane file. Is it the correct format?";

std::vector<std::string_view> Views(const std::vector<std::string>& lines) {
  return std::vector<std::string_view>(lines.begin(), lines.end());
}

// Reads lines into the harness's freshly reset document, as the open flow does.
void Read(DocumentHarness& h, const std::vector<std::string>& lines) {
  auto views = Views(lines);
  ReadSheetFile(*h.doc, views);
  h.doc->delays.SyncCommandDelays(h.doc->commands);
}

// The sections up to and including the data, for files that end early.
std::vector<std::string> Head(std::vector<std::string> data = {"a\tb"}) {
  std::vector<std::string> lines = {"begindelays",         "DataDelay=0.5", "enddelays",
                                    "beginheader",         "T1\tT2",        "endheader",
                                    "beginother",          "Window=Orders", "Description=Monthly",
                                    "CommandGroup=GroupB", "endother",      "begindata"};
  lines.insert(lines.end(), data.begin(), data.end());
  lines.push_back("enddata");
  return lines;
}

std::vector<std::string> WithTail(std::vector<std::string> lines,
                                  const std::vector<std::string>& tail) {
  lines.insert(lines.end(), tail.begin(), tail.end());
  return lines;
}

const std::vector<std::string> kOptions = {
    "beginoptions",     "AutoTab=true",      "HourGlass=true",
    "AutoInsert=false", "ProgressBar=false", "TitleSize=true",
    "DataColour=255",   "CommandColour=-1",  "KeystrokeColour=65280",
    "DataSource=1",     "ImportLoad=1",      "VerifyPaste=true",
    "endoptions"};

TEST(SheetFile, WritesEverySectionInOrder) {
  DocumentHarness h;
  Document& d = *h.doc;
  d.delays.data_delay = 1.5;
  d.delays.SetDelayByName("NEXT", 0.25);
  d.sheet.SetCell(0, 1, "Name");
  d.sheet.SetCell(0, 3, "Qty");
  d.sheet.SetCell(0, 4, "beyond the extent");
  d.sheet.SetCell(1, 1, "Smith");
  d.sheet.SetCell(1, 2, "NEXT");
  d.sheet.SetCell(2, 3, "7");
  d.sheet.SetCell(3, 1, "outside");
  d.sheet.SetLastRow(2);
  d.sheet.SetLastCol(3);
  d.sheet.SetColumnWidth(2, 120);
  d.sheet.SetColumnWidth(9, 30);  // beyond the extent: not written
  d.sheet.AttachInfo(1, 1).comment = "first";
  d.sheet.AttachInfo(1, 2).comment = "two\r\nlines";
  d.sheet.AttachInfo(2, 1).comment = "third";
  d.sheet.AttachInfo(2, 2);  // an empty record is no comment
  d.window_title = "Orders";
  d.description = "Monthly run";
  d.command_group = "GroupB";
  d.auto_tab = true;
  d.options.data_colour = 255;

  TextOut out;
  WriteSheetFile(d, out);
  const std::vector<std::string> expected = {"begindelays",
                                             "DataDelay=1.5",
                                             "CellDelay=0.2",
                                             "FormDelay=0.25",
                                             "KeyHold=50",
                                             "SystemHold=50",
                                             "MenuCall=250",
                                             "HourGlass=1000",
                                             "PasteWait=30",
                                             "VerifyWait=0.5",
                                             "SAVE=0",
                                             "NEXT=0.25",
                                             "enddelays",
                                             "beginheader",
                                             "Name\t\tQty",
                                             "endheader",
                                             "beginother",
                                             "Window=Orders",
                                             "Description=Monthly run",
                                             "CommandGroup=GroupB",
                                             "endother",
                                             "begindata",
                                             "Smith\tNEXT\t",
                                             "\t\t7",
                                             "enddata",
                                             "beginoptions",
                                             "AutoTab=true",
                                             "HourGlass=false",
                                             "AutoInsert=true",
                                             "ProgressBar=true",
                                             "TitleSize=false",
                                             "DataColour=255",
                                             "CommandColour=16777215",
                                             "KeystrokeColour=16777215",
                                             "DataSource=0",
                                             "ImportLoad=0",
                                             "VerifyPaste=false",
                                             "endoptions",
                                             "beginformat",
                                             "ColumnWidth2=120",
                                             "Comment1,2=third",
                                             "Comment2,1=two%CRLF%lines",
                                             "Comment1,1=first",
                                             "endformat",
                                             "begincommands",
                                             testing::kDefaultCommands[0],
                                             testing::kDefaultCommands[1],
                                             testing::kDefaultCommands[2],
                                             "endcommands"};
  EXPECT_EQ(out.Lines(), expected);
  EXPECT_EQ(out.Text(), testing::Join(expected));
}

TEST(SheetFile, RoundTripKeepsEverything) {
  DocumentHarness a;
  Document& d = *a.doc;
  d.delays.data_delay = 0.75;
  d.delays.cell_delay = 0;
  d.delays.form_delay = 2;
  d.delays.key_hold = 10;
  d.delays.system_hold = 20;
  d.delays.menu_call = 30;
  d.delays.hour_glass = 40;
  std::vector<std::string> table = {"Name\tSecond\tG1\tG2\tLast", "GO\t\t\\{F1}\tgo data\tx",
                                    "STOP\tz\t\t\\^q\t"};
  d.LoadCommands(table);
  d.delays.SyncCommandDelays(d.commands);
  d.delays.SetDelayByName("GO", 1.25);
  for (int c = 1; c <= 5; ++c) d.sheet.SetCell(0, c, "Title " + std::to_string(c));
  for (int r = 1; r <= 40; ++r) {
    for (int c = 1; c <= 5; ++c) {
      if ((r + c) % 4 == 0) continue;  // some blank cells, trailing ones too
      d.sheet.SetCell(r, c, "r" + std::to_string(r) + "c" + std::to_string(c) + " \"q\" \\x");
    }
  }
  d.sheet.RaiseExtent(40, 5);
  d.sheet.SetColumnWidth(1, 10);
  d.sheet.SetColumnWidth(5, 300);
  d.sheet.AttachInfo(3, 2).comment = "line one\r\nline two\r\nthree";
  d.sheet.AttachInfo(40, 5).comment = "last";
  d.window_title = "Enter Orders - Oracle";
  d.description = "a=b, with = signs";
  d.command_group = "G2";
  d.auto_tab = true;
  d.options.hour_glass = true;
  d.options.auto_insert = false;
  d.options.progress_bar = false;
  d.options.title_size = true;
  d.options.data_colour = 0x00123456;
  d.options.command_colour = -5;
  d.options.keystroke_colour = 0;
  d.options.data_source = 1;
  d.options.import_load = 1;
  TextOut out;
  WriteSheetFile(d, out);

  DocumentHarness b;
  const std::vector<std::string_view> lines = SplitLines(out.Text());
  ReadSheetFile(*b.doc, lines);
  b.doc->delays.SyncCommandDelays(b.doc->commands);
  const Document& e = *b.doc;
  EXPECT_TRUE(b.prompter.shown.empty());
  EXPECT_EQ(e.delays.data_delay, 0.75);
  EXPECT_EQ(e.delays.cell_delay, 0);
  EXPECT_EQ(e.delays.form_delay, 2);
  EXPECT_EQ(e.delays.key_hold, 10);
  EXPECT_EQ(e.delays.system_hold, 20);
  EXPECT_EQ(e.delays.menu_call, 30);
  EXPECT_EQ(e.delays.hour_glass, 40);
  EXPECT_EQ(e.delays.DelayByName("go"), 1.25);
  EXPECT_EQ(e.commands.SaveLines(), d.commands.SaveLines());
  EXPECT_EQ(e.GroupItems(), (std::vector<std::string>{"G1", "G2"}));
  EXPECT_EQ(e.command_group, "G2");
  EXPECT_EQ(e.window_title, d.window_title);
  EXPECT_EQ(e.description, d.description);
  EXPECT_TRUE(e.auto_tab);
  Options expected_options = d.options;
  expected_options.exit_apps = e.options.exit_apps;  // not kept in the file
  EXPECT_EQ(e.options, expected_options);
  EXPECT_EQ(e.sheet.LastRow(), 40);
  EXPECT_EQ(e.sheet.LastCol(), 5);
  for (int r = 0; r <= 40; ++r) {
    for (int c = 1; c <= 5; ++c) {
      ASSERT_EQ(e.sheet.Cell(r, c), d.sheet.Cell(r, c)) << r << "," << c;
    }
  }
  EXPECT_EQ(e.sheet.ColumnWidths(), d.sheet.ColumnWidths());
  ASSERT_NE(e.sheet.Info(3, 2), nullptr);
  EXPECT_EQ(e.sheet.Info(3, 2)->comment, "line one\r\nline two\r\nthree");
  EXPECT_EQ(e.sheet.Info(3, 2)->keep, 0);
  ASSERT_NE(e.sheet.Info(40, 5), nullptr);
  EXPECT_EQ(e.sheet.Infos().size(), 2u);

  // Saving what was read gives the same bytes again.
  TextOut again;
  WriteSheetFile(e, again);
  EXPECT_EQ(again.Text(), out.Text());
}

TEST(SheetFile, HeaderLines) {
  {
    // No used columns: the header is one empty line, read back as no title.
    DocumentHarness h;
    h.doc->sheet.SetCell(0, 1, "not saved");
    TextOut out;
    WriteSheetFile(*h.doc, out);
    const auto lines = out.Lines();
    ASSERT_EQ(lines[13], "beginheader");
    EXPECT_EQ(lines[14], "");
    EXPECT_EQ(lines[15], "endheader");

    DocumentHarness r;
    Read(r, lines);
    EXPECT_TRUE(r.prompter.shown.empty());
    EXPECT_EQ(r.doc->sheet.Cell(0, 1), "");
    EXPECT_EQ(r.doc->sheet.LastCol(), 0);
    EXPECT_EQ(r.doc->sheet.LastRow(), 0);
  }
  {
    // Several header lines continue with the next column; empty lines use up
    // none; titles do not widen the sheet.
    DocumentHarness h;
    Read(h, {"begindelays", "enddelays", "beginheader", "A\tB", "", "C", "\t", "endheader",
             "beginother", "endother", "begindata", "x", "enddata"});
    EXPECT_EQ(h.doc->sheet.Cell(0, 1), "A");
    EXPECT_EQ(h.doc->sheet.Cell(0, 2), "B");
    EXPECT_EQ(h.doc->sheet.Cell(0, 3), "C");
    EXPECT_EQ(h.doc->sheet.Cell(0, 4), "");
    EXPECT_EQ(h.doc->sheet.Cell(0, 5), "");
    EXPECT_EQ(h.doc->sheet.LastCol(), 1);
  }
}

TEST(SheetFile, FileMayEndAfterDataOrFormat) {
  {
    DocumentHarness h;
    h.store.WriteInt(kOptionsKey, "HourGlass", 1);
    h.doc->NewSheet();  // options from the stored defaults
    h.doc->sheet.SetColumnWidth(1, 99);
    Read(h, Head({"a\tb\tc", "", "d"}));
    EXPECT_TRUE(h.prompter.shown.empty());
    EXPECT_EQ(h.doc->delays.data_delay, 0.5);
    EXPECT_EQ(h.doc->window_title, "Orders");
    EXPECT_EQ(h.doc->description, "Monthly");
    EXPECT_EQ(h.doc->command_group, "");  // kept aside, never applied
    EXPECT_TRUE(h.doc->options.hour_glass);
    EXPECT_FALSE(h.doc->options.verify_paste);
    EXPECT_EQ(h.doc->sheet.ColumnWidth(1), 99);
    EXPECT_EQ(h.doc->commands.SaveLines(), testing::kDefaultCommands);
    EXPECT_EQ(h.doc->sheet.LastRow(), 3);
    EXPECT_EQ(h.doc->sheet.LastCol(), 3);
    EXPECT_EQ(h.doc->sheet.Cell(1, 3), "c");
    EXPECT_EQ(h.doc->sheet.Cell(2, 1), "");
    EXPECT_EQ(h.doc->sheet.Cell(3, 1), "d");
  }
  {
    DocumentHarness h;
    Read(h, WithTail(Head(), WithTail(kOptions, {"beginformat", "ColumnWidth2=80", "Comment1,1=hi",
                                                 "endformat"})));
    EXPECT_TRUE(h.prompter.shown.empty());
    EXPECT_TRUE(h.doc->auto_tab);
    EXPECT_EQ(h.doc->options.data_colour, 255);
    EXPECT_EQ(h.doc->options.command_colour, -1);
    EXPECT_TRUE(h.doc->options.verify_paste);
    EXPECT_EQ(h.doc->sheet.ColumnWidth(2), 80);
    EXPECT_EQ(h.doc->sheet.Info(1, 1)->comment, "hi");
    EXPECT_EQ(h.doc->command_group, "");
    EXPECT_EQ(h.doc->commands.SaveLines(), testing::kDefaultCommands);
  }
  {
    // An empty commands section takes the table from commands.dat, and the
    // group is selected.
    DocumentHarness h;
    h.doc->LoadCommands(std::vector<std::string>{"N\tS\tOnly\tL", "X\t\t\t"});
    Read(h, WithTail(Head(), WithTail(kOptions, {"beginformat", "endformat", "begincommands",
                                                 "endcommands"})));
    EXPECT_TRUE(h.prompter.shown.empty());
    EXPECT_EQ(h.doc->commands.SaveLines(), testing::kDefaultCommands);
    EXPECT_EQ(h.doc->command_group, "GroupB");
  }
}

TEST(SheetFile, OptionFlagsCompareFourCharacters) {
  DocumentHarness h;
  Read(h, WithTail(Head(), {"beginoptions", "AutoTab=True", "HourGlass=trueX",
                            "AutoInsert=", "ProgressBar=tru", "TitleSize=true", "Unknown=5",
                            "endoptions", "beginformat", "endformat"}));
  EXPECT_FALSE(h.doc->auto_tab);
  EXPECT_TRUE(h.doc->options.hour_glass);
  EXPECT_FALSE(h.doc->options.auto_insert);
  EXPECT_FALSE(h.doc->options.progress_bar);
  EXPECT_TRUE(h.doc->options.title_size);
  EXPECT_TRUE(h.prompter.shown.empty());
}

TEST(SheetFile, CommentsOrderAndExtent) {
  DocumentHarness h;
  Document& d = *h.doc;
  d.sheet.SetCell(1, 1, "x");
  d.sheet.SetCell(2, 2, "y");
  d.sheet.RaiseExtent(2, 2);
  d.sheet.AttachInfo(1, 1).comment = "c1r1";
  d.sheet.AttachInfo(1, 2).comment = "c2r1";
  d.sheet.AttachInfo(2, 1).comment = "c1r2";
  TextOut out;
  WriteSheetFile(d, out);
  const auto lines = out.Lines();
  auto at = std::find(lines.begin(), lines.end(), "beginformat");
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(*(at + 1), "Comment1,2=c1r2");
  EXPECT_EQ(*(at + 2), "Comment2,1=c2r1");
  EXPECT_EQ(*(at + 3), "Comment1,1=c1r1");
  EXPECT_EQ(*(at + 4), "endformat");

  // A comment below the data rows and right of the data columns raises the
  // extent; widths and comments may come in any order.
  DocumentHarness r;
  std::vector<std::string> data;
  for (int i = 1; i <= 10; ++i) data.push_back("row" + std::to_string(i));
  Read(r, WithTail(Head(data),
                   WithTail(kOptions, {"beginformat", "Comment4,12=late%CRLF%note",
                                       "ColumnWidth3=50", "Comment1,2=early", "endformat"})));
  EXPECT_EQ(r.doc->sheet.LastRow(), 12);
  EXPECT_EQ(r.doc->sheet.LastCol(), 4);
  EXPECT_EQ(r.doc->sheet.Info(12, 4)->comment, "late\r\nnote");
  EXPECT_EQ(r.doc->sheet.Info(2, 1)->comment, "early");
  EXPECT_EQ(r.doc->sheet.ColumnWidth(3), 50);

  // Positions no sheet can have come only from a damaged file: passed over
  // instead of making the next save write a million empty rows.
  DocumentHarness big;
  Read(big,
       WithTail(Head(), WithTail(kOptions, {"beginformat", "Comment1,2000000000=x", "Comment-1,1=y",
                                            "ColumnWidth99999999=5", "endformat"})));
  EXPECT_EQ(big.doc->sheet.LastRow(), 1);
  EXPECT_EQ(big.doc->sheet.LastCol(), 2);
  EXPECT_TRUE(big.doc->sheet.Infos().empty());
  EXPECT_TRUE(big.doc->sheet.ColumnWidths().empty());
}

TEST(SheetFile, DelayValues) {
  DocumentHarness h;
  Read(h, {"begindelays", "DataDelay=1,5", "CellDelay=0.5", "FormDelay=2", "KeyHold=75,9",
           "SystemHold=1x5", "NEWCMD=0,25", "SAVE=3", "=", "enddelays", "beginheader", "endheader",
           "beginother", "endother", "begindata", "enddata"});
  EXPECT_TRUE(h.prompter.shown.empty());
  EXPECT_EQ(h.doc->delays.data_delay, 1.5);
  EXPECT_EQ(h.doc->delays.cell_delay, 0.5);
  EXPECT_EQ(h.doc->delays.form_delay, 2);
  EXPECT_EQ(h.doc->delays.key_hold, 75);
  EXPECT_EQ(h.doc->delays.system_hold, 1);
  EXPECT_EQ(h.doc->delays.menu_call, 250);  // not mentioned: the default stays
  EXPECT_EQ(h.doc->delays.DelayByName("SAVE"), 3);

  // A per-command delay for a name not yet listed adds a row.
  DocumentHarness g;
  const std::vector<std::string> lines = {"begindelays", "NEWCMD=0,25", "enddelays", "beginheader"};
  auto views = Views(lines);
  ReadSheetFile(*g.doc, views);
  EXPECT_EQ(g.doc->delays.DelayByName("newcmd"), 0.25);

  // Values the writer produces for any delay read back exactly.
  EXPECT_EQ(ParseDelayValue(FormatDelaySeconds(-0.5)), -0.5);
  EXPECT_EQ(FormatDelaySeconds(0.00001), "0.00001");
  EXPECT_EQ(ParseDelayValue(FormatDelaySeconds(0.00001)), 0.00001);
  EXPECT_EQ(FormatDelaySeconds(0.2), "0.2");
  EXPECT_EQ(FormatDelaySeconds(0), "0");
  EXPECT_EQ(ParseDelayValue("1,5"), 1.5);
  EXPECT_EQ(ParseDelayValue("1e5"), 1.5);  // any non-digit is the separator
  for (std::string_view bad : {"", "-", "1.2.3", "abc", "1..5"}) {
    EXPECT_THROW(ParseDelayValue(bad), ConversionError) << bad;
  }

  // Per-command delays come back from a saved file too: a value read as
  // 0.00001 is kept as 1e-05 and a typed value may have an exponent or blanks;
  // each would otherwise be written in a form that fails the next open or
  // reads as another number.
  DocumentHarness w;
  Document& d = *w.doc;
  d.LoadCommands(std::vector<std::string>{"Name\tSecond\tG1\tLast", "GO\t\t\\{F1}\t",
                                          "STOP\t\t\\{F2}\t", "WAIT\t\t\\{F3}\t", "PAD\t\t\t"});
  d.delays.SyncCommandDelays(d.commands);
  d.delays.SetDelayByName("GO", 0.00001);
  for (auto& row : d.delays.MutableCommandDelays()) {
    if (row.name == "STOP") row.value = "1e3";
    if (row.name == "WAIT") row.value = "0,5";
    if (row.name == "PAD") row.value = " 2 ";
  }
  TextOut out;
  WriteSheetFile(d, out);
  // A value the reader takes as it stands is written as it stands.
  EXPECT_NE(out.Text().find("\r\nWAIT=0,5\r\n"), std::string::npos);
  DocumentHarness r;
  const std::vector<std::string_view> saved = SplitLines(out.Text());
  ReadSheetFile(*r.doc, saved);
  EXPECT_TRUE(r.prompter.shown.empty());
  EXPECT_EQ(r.doc->delays.DelayByName("GO"), 0.00001);
  EXPECT_EQ(r.doc->delays.DelayByName("STOP"), 1000);
  EXPECT_EQ(r.doc->delays.DelayByName("WAIT"), 0.5);
  EXPECT_EQ(r.doc->delays.DelayByName("PAD"), 2);
}

// Whatever the delays dialog lets a user set, the file keeps: every standard
// delay at the ends of its range and at awkward fractions comes back as the
// same number, and a file from before the paste wait keeps its default.
TEST(SheetFile, EveryDelayTheDialogAcceptsComesBack) {
  struct Set {
    double data, cell, form, paste;
    int key, system, menu, hour_glass;
  };
  const double tiny = 4.9406564584124654e-324;  // the smallest positive double
  const Set sets[] = {
      {0, 0, 0, 0, 0, 0, 0, 0},
      {DelaySettings::kMaxSeconds, DelaySettings::kMaxSeconds, DelaySettings::kMaxSeconds,
       DelaySettings::kMaxSeconds, DelaySettings::kMaxMilliseconds, DelaySettings::kMaxMilliseconds,
       DelaySettings::kMaxMilliseconds, DelaySettings::kMaxMilliseconds},
      {tiny, 0.1 + 0.2, 1e-7, 86399.999999999985, 1, 2, 3, 4},
      {1.0 / 3, 0.000012345678901234567, 12345.678901234567, 0.001, 7, 86399999, 250, 1},
  };
  for (const Set& v : sets) {
    DocumentHarness w;
    DelaySettings& d = w.doc->delays;
    d.SetDelayByName("DataDelay", v.data);
    d.SetDelayByName("CellDelay", v.cell);
    d.SetDelayByName("FormDelay", v.form);
    d.SetDelayByName("PasteWait", v.paste);
    d.SetDelayByName("VerifyWait", v.data);
    d.SetDelayByName("KeyHold", v.key);
    d.SetDelayByName("SystemHold", v.system);
    d.SetDelayByName("MenuCall", v.menu);
    d.SetDelayByName("HourGlass", v.hour_glass);
    TextOut out;
    WriteSheetFile(*w.doc, out);
    // Plain digits only: an exponent's letter would read as a separator.
    const std::vector<std::string> lines = out.Lines();
    for (size_t i = 1; lines[i] != "enddelays"; ++i) {
      const std::string& line = lines[i];
      EXPECT_EQ(line.find_first_not_of("0123456789.", line.find('=') + 1), std::string::npos)
          << line;
    }
    DocumentHarness r;
    const std::vector<std::string_view> saved = SplitLines(out.Text());
    ReadSheetFile(*r.doc, saved);
    EXPECT_TRUE(r.prompter.shown.empty());
    const DelaySettings& got = r.doc->delays;
    EXPECT_EQ(got.data_delay, v.data);
    EXPECT_EQ(got.cell_delay, v.cell);
    EXPECT_EQ(got.form_delay, v.form);
    EXPECT_EQ(got.paste_wait, v.paste);
    EXPECT_EQ(got.DelayByName("pastewait"), v.paste);
    EXPECT_EQ(got.DelayByName("VerifyWait"), v.data);
    EXPECT_EQ(got.key_hold, v.key);
    EXPECT_EQ(got.system_hold, v.system);
    EXPECT_EQ(got.menu_call, v.menu);
    EXPECT_EQ(got.hour_glass, v.hour_glass);
    // PasteWait is a delay, never a command's row.
    EXPECT_EQ(got.CommandDelays().size(), w.doc->delays.CommandDelays().size());
  }
  DocumentHarness old;
  Read(old, Head());
  EXPECT_EQ(old.doc->delays.paste_wait, 30);
  EXPECT_EQ(old.doc->delays.verify_wait, 0.5);
  EXPECT_EQ(old.doc->delays.data_delay, 0.5);
}

TEST(SheetFile, NumbersThatDoNotConvertThrow) {
  const std::vector<std::vector<std::string>> bad_files = {
      {"begindelays", "DataDelay=", "enddelays"},
      {"begindelays", "KeyHold", "enddelays"},
      WithTail(Head(), {"beginoptions", "DataColour=white", "endoptions"}),
      WithTail(Head(), {"beginoptions", "ImportLoad=", "endoptions"}),
      WithTail(Head(), WithTail(kOptions, {"beginformat", "ColumnWidthX=5", "endformat"})),
      WithTail(Head(), WithTail(kOptions, {"beginformat", "ColumnWidth2=wide", "endformat"})),
      WithTail(Head(), WithTail(kOptions, {"beginformat", "ColumnWidth2", "endformat"})),
      WithTail(Head(), WithTail(kOptions, {"beginformat", "Comment1=x", "endformat"})),
      WithTail(Head(), WithTail(kOptions, {"beginformat", "Comment1,b=x", "endformat"})),
      WithTail(Head(), WithTail(kOptions, {"beginformat", "Comment1=x,y", "endformat"})),
  };
  for (const auto& file : bad_files) {
    DocumentHarness h;
    auto views = Views(file);
    EXPECT_THROW(ReadSheetFile(*h.doc, views), ConversionError) << file[1] << " " << file.back();
  }
}

TEST(SheetFile, EnddataFieldEndsTheFile) {
  DocumentHarness h;
  Read(h, WithTail(Head({"a\tb", "c\tenddata\td", "e"}),
                   WithTail(kOptions, {"beginformat", "endformat"})));
  EXPECT_TRUE(h.prompter.shown.empty());
  EXPECT_EQ(h.doc->sheet.LastRow(), 2);
  EXPECT_EQ(h.doc->sheet.Cell(2, 1), "c");
  EXPECT_EQ(h.doc->sheet.Cell(2, 2), "");
  EXPECT_EQ(h.doc->sheet.Cell(2, 3), "");
  EXPECT_FALSE(h.doc->auto_tab);  // the options after it are not applied
  EXPECT_TRUE(h.doc->options.auto_insert);
}

TEST(SheetFile, FormatErrorKeepsWhatWasRead) {
  {
    // A wrong marker: one message, and nothing after it is interpreted.
    DocumentHarness h;
    Read(h, {"begindelays", "DataDelay=3", "enddelays", "beginheaders", "T", "endheader",
             "beginother", "Window=W", "endother", "begindata", "x", "enddata"});
    ASSERT_EQ(h.prompter.shown.size(), 1u);
    EXPECT_EQ(h.prompter.shown[0].title, "Typelane Error");
    EXPECT_EQ(h.prompter.shown[0].text, kFormatError);
    EXPECT_EQ(h.doc->delays.data_delay, 3);
    EXPECT_EQ(h.doc->sheet.Cell(0, 1), "");
    EXPECT_EQ(h.doc->window_title, "");
    EXPECT_EQ(h.doc->sheet.LastRow(), 0);
  }
  {
    // The file breaks off inside the data: the rows read so far stay.
    DocumentHarness h;
    auto lines = Head({"a", "b", "c"});
    lines.pop_back();
    Read(h, lines);
    ASSERT_EQ(h.prompter.shown.size(), 1u);
    EXPECT_EQ(h.prompter.shown[0].text, kFormatError);
    EXPECT_EQ(h.doc->sheet.LastRow(), 3);
    EXPECT_EQ(h.doc->sheet.Cell(0, 2), "T2");
  }
  {
    // Something other than the options after the data.
    DocumentHarness h;
    Read(h, WithTail(Head(), {"", "beginoptions", "AutoTab=true", "endoptions"}));
    ASSERT_EQ(h.prompter.shown.size(), 1u);
    EXPECT_FALSE(h.doc->auto_tab);
    EXPECT_EQ(h.doc->sheet.LastRow(), 1);
  }
  {
    // A commands section that never closes loads no table and selects no group.
    DocumentHarness h;
    Read(h, WithTail(Head(), WithTail(kOptions, {"beginformat", "endformat", "begincommands",
                                                 "A\tB\tC\tD"})));
    ASSERT_EQ(h.prompter.shown.size(), 1u);
    EXPECT_EQ(h.doc->commands.SaveLines(), testing::kDefaultCommands);
    EXPECT_EQ(h.doc->command_group, "");
    EXPECT_TRUE(h.doc->auto_tab);
  }
  {
    // Keywords are exact: no trimming, no letter case.
    DocumentHarness h;
    Read(h, {"begindelays", "enddelays", "Beginheader", "endheader"});
    EXPECT_EQ(h.prompter.shown.size(), 1u);
  }
}

}  // namespace
}  // namespace typelane

namespace typelane {
namespace {

using testing::DocumentHarness;

// Saves the document as a sheet file and opens it in a fresh document.
std::unique_ptr<DocumentHarness> SavedAndOpened(DocumentHarness& h, const std::string& path) {
  h.prompter.files.push_back(FileChoice{path, 1});
  EXPECT_TRUE(h.doc->SaveFile(true));
  auto again = std::make_unique<DocumentHarness>();
  EXPECT_TRUE(again->doc->OpenFile(path));
  return again;
}

TEST(SheetFile, WhateverTheCommandTableHoldsComesBack) {
  DocumentHarness h;
  Document& d = *h.doc;
  // A header with nothing in it, and a command named with "=" signs, whose
  // delay line then reads TOTAL=SUM=0.5.
  d.LoadCommands(std::vector<std::string>{"\t\t\t", "TOTAL=SUM\t\tsum it\t", "NEXT\t\t\\{TAB}\t"});
  d.delays.SyncCommandDelays(d.commands);
  d.delays.SetDelayByName("TOTAL=SUM", 0.5);
  d.sheet.SetCell(1, 1, "TOTAL=SUM");
  d.sheet.RaiseExtent(1, 1);

  auto b = SavedAndOpened(h, h.dir / "commands.tyl");
  const Document& e = *b->doc;
  EXPECT_TRUE(b->prompter.shown.empty());
  EXPECT_FALSE(e.PartlyRead());
  EXPECT_EQ(e.commands.SaveLines(), d.commands.SaveLines());
  EXPECT_TRUE(e.commands.IsCommand("total=sum"));
  EXPECT_TRUE(e.commands.IsCommand("NEXT"));
  EXPECT_EQ(e.delays.DelayByName("TOTAL=SUM"), 0.5);
  EXPECT_EQ(e.sheet.Cell(1, 1), "TOTAL=SUM");

  // commands.dat keeps the same lines.
  ASSERT_TRUE(d.SaveCommands());
  h.doc->NewSheet();
  EXPECT_EQ(h.doc->commands.SaveLines(),
            (std::vector<std::string>{"\t\t\t", "TOTAL=SUM\t\tsum it\t", "NEXT\t\t\\{TAB}\t"}));
}

TEST(SheetFile, TextsThatReadAsSectionEndsAreNotSaved) {
  constexpr std::string_view kAdvice =
      "\rThe file was not saved. Change it, or save the sheet as a tab-delimited file.";
  DocumentHarness h;
  Document& d = *h.doc;
  for (int r = 1; r <= 4; ++r) d.sheet.SetCell(r, 1, "row " + std::to_string(r));
  d.sheet.SetCell(2, 2, "enddata");
  d.sheet.RaiseExtent(4, 2);
  const std::string tyl = h.dir / "sheet.tyl";
  WriteFileAtomic(tyl, "the old file\r\n");
  d.SetModified(true);

  // Opened again, the rows after the cell would be gone: nothing is written.
  h.prompter.files.push_back(FileChoice{tyl, 1});
  EXPECT_FALSE(d.SaveFile(true));
  ASSERT_EQ(h.prompter.shown.size(), 1u);
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane Warning");
  EXPECT_EQ(h.prompter.shown[0].text,
            "The cell in row 2, column 2 reads \"enddata\", which ends the data when a Typelane "
            "file is opened." +
                std::string(kAdvice));
  EXPECT_EQ(h.prompter.shown[0].busy, 0);
  EXPECT_EQ(h.prompter.busy_depth, 0);
  EXPECT_EQ(ReadFileBytes(tyl), "the old file\r\n");
  EXPECT_TRUE(d.Modified());

  // Tab-delimited text has no sections: it keeps the cell, and comes back whole.
  const std::string txt = h.dir / "sheet.txt";
  h.prompter.files.push_back(FileChoice{txt, 2});
  ASSERT_TRUE(d.SaveFile(true));
  DocumentHarness b;
  ASSERT_TRUE(b.doc->OpenFile(txt));
  EXPECT_EQ(b.doc->sheet.LastRow(), 4);
  EXPECT_EQ(b.doc->sheet.Cell(2, 2), "enddata");
  EXPECT_EQ(b.doc->sheet.Cell(4, 1), "row 4");

  // The same for a lone title that reads like the end of the titles, and a
  // command line that reads like the end of the command table.
  {
    DocumentHarness t;
    t.doc->sheet.SetCell(0, 1, "endheader");
    t.doc->sheet.SetCell(1, 1, "x");
    t.doc->sheet.RaiseExtent(1, 1);
    t.prompter.files.push_back(FileChoice{t.dir / "t.tyl", 1});
    EXPECT_FALSE(t.doc->SaveFile(true));
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text,
              "The title of column 1 reads \"endheader\", which ends the titles when a Typelane "
              "file is opened." +
                  std::string(kAdvice));
    EXPECT_FALSE(std::filesystem::exists(t.dir / "t.tyl"));
    // Beside a second title it is a field of the line and harmless.
    t.doc->sheet.RaiseExtent(1, 2);
    auto back = SavedAndOpened(t, t.dir / "t.tyl");
    EXPECT_EQ(back->doc->sheet.Cell(0, 1), "endheader");
    EXPECT_EQ(back->doc->sheet.Cell(1, 1), "x");
  }
  {
    DocumentHarness c;
    c.doc->LoadCommands(std::vector<std::string>{"Name", "endcommands", "LAST"});
    c.prompter.files.push_back(FileChoice{c.dir / "c.tyl", 1});
    EXPECT_FALSE(c.doc->SaveFile(true));
    ASSERT_EQ(c.prompter.shown.size(), 1u);
    EXPECT_EQ(c.prompter.shown[0].text,
              "A command of the command table reads \"endcommands\", which ends the commands when "
              "a Typelane file is opened." +
                  std::string(kAdvice));
    EXPECT_FALSE(std::filesystem::exists(c.dir / "c.tyl"));
  }
}

TEST(SheetFile, AFileReadOnlyInPartIsSaid) {
  DocumentHarness h;
  const std::string cut = h.dir / "cut.tyl";
  // Cut off inside the second row: the first row and half the second are read.
  const std::string full = testing::Join(Head({"a\tb", "c\td"}));
  WriteFileAtomic(cut, full.substr(0, full.find("\td\r\nenddata")));
  ASSERT_TRUE(h.doc->OpenFile(cut));
  EXPECT_TRUE(h.doc->PartlyRead());
  EXPECT_EQ(h.Messages(), std::vector<std::string>{std::string(kFormatError)});

  // A whole file, and a file that ends after its data, are read completely.
  const std::string whole = h.dir / "whole.tyl";
  WriteFileAtomic(whole, testing::Join(Head()));
  ASSERT_TRUE(h.doc->OpenFile(whole));
  EXPECT_FALSE(h.doc->PartlyRead());
  ASSERT_TRUE(h.doc->OpenFile(cut));
  h.doc->NewSheet();
  EXPECT_FALSE(h.doc->PartlyRead());

  // A field reading "enddata" (from an older writer) ends the reading without
  // a word, but the rest of the file is not in the document either.
  const std::string early = h.dir / "early.tyl";
  WriteFileAtomic(early, testing::Join(WithTail(Head({"a", "b\tenddata", "c"}), kOptions)));
  h.prompter.shown.clear();
  ASSERT_TRUE(h.doc->OpenFile(early));
  EXPECT_TRUE(h.prompter.shown.empty());
  EXPECT_EQ(h.doc->sheet.LastRow(), 2);
  EXPECT_TRUE(h.doc->PartlyRead());
}

}  // namespace
}  // namespace typelane
