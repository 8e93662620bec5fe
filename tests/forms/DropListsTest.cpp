#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>

#include "FormsTestSupport.h"
#include "SystemReasons.h"
#include "core/common/Errors.h"
#include "core/forms/DropLists.h"
#include "core/forms/FormsState.h"
#include "core/forms/KindControls.h"
#include "support/RecordingObserver.h"

namespace typelane {
namespace {

using testing::FormsHarness;
using testing::Lines;
using V = std::vector<std::string>;

constexpr std::string_view kCellRefused = "The data entered is not valid for the drop list.";
constexpr std::string_view kRangeRefused =
    "One or more cells contained data that is not valid for the relevant drop list. Please "
    "re-enter the invalid data.";

// A recording of one order whose status was clicked from a list.
testing::LineFile OrderRecording(std::string_view status) {
  return Lines({"# Forms 6.0 Event File", "# orders", "VALUE OEXOEORD ORDER CUSTOMER 1 \"Acme\"",
                "CLICK OEXOEORD ORDER STATUS 1 \"" + std::string(status) + "\"", "KEY Commit_form",
                "MENU MAGIC MAGIC QUIT"});
}

bool Learnt(const Document& d, std::string_view entry) {
  return d.forms.drop_list_entries.Contains(entry);
}

TEST(DropLists, EntriesAreSortedAndIgnoreLetterCase) {
  DropListEntries entries;
  EXPECT_TRUE(entries.Add("F:B.I=beta"));
  EXPECT_TRUE(entries.Add("F:B.I=Alpha"));
  EXPECT_FALSE(entries.Add("f:b.i=ALPHA"));
  EXPECT_TRUE(entries.Add("F:B.I="));
  EXPECT_EQ(V(entries.Entries().begin(), entries.Entries().end()),
            (V{"F:B.I=", "F:B.I=Alpha", "F:B.I=beta"}));
  EXPECT_TRUE(entries.Contains("F:B.I=BETA"));
  EXPECT_FALSE(entries.Contains("F:B.I=gamma"));

  ColumnItems items;
  items.Set("Col2", "F:B.I");
  EXPECT_EQ(items.Value("COL2"), "F:B.I");
  EXPECT_EQ(items.ItemOfColumn(2), "F:B.I");
  EXPECT_EQ(items.Value("Col3"), "");
}

TEST(DropLists, LetterCaseIsFoldedOverAccentedLettersInEitherEncoding) {
  FormsHarness h;
  // The same value recorded once in Windows-1252 and once in UTF-8 capitals.
  ASSERT_TRUE(h.Convert(OrderRecording("Annul\xE9")));
  h.doc->NewSheet();
  h.doc->SetDocumentKind(DocumentKind::kPlayback);
  ASSERT_TRUE(h.Convert(OrderRecording("ANNUL\xC3\x89")));
  h.doc->NewSheet();
  h.doc->SetDocumentKind(DocumentKind::kPlayback);
  ASSERT_TRUE(h.Convert(OrderRecording("Annule")));
  h.doc->NewSheet();
  h.doc->SetDocumentKind(DocumentKind::kPlayback);
  ASSERT_TRUE(h.Convert(OrderRecording("Annuler")));
  // One entry for the accented value, sorted beside its unaccented letters.
  EXPECT_EQ(ReadFileBytes(h.dir / "droplists.dat"),
            "OEXOEORD:ORDER.STATUS=Annule\r\nOEXOEORD:ORDER.STATUS=Annul\xE9\r\n"
            "OEXOEORD:ORDER.STATUS=Annuler\r\n");
  const FormsState& f = h.doc->forms;
  EXPECT_TRUE(DropListAllows(f, 2, "ANNUL\xC9"));
  EXPECT_TRUE(DropListAllows(f, 2, "annul\xC3\xA9"));
  EXPECT_TRUE(DropListAllows(f, 2, "ANNULE"));
  EXPECT_FALSE(DropListAllows(f, 2, "Annul\xE8"));  // another accent is another value
}

TEST(DropLists, LearnedFromRecordingsAndCheckedInTheSheet) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert(OrderRecording("BOOKED")));
  // A second recording of the same form, opened later, adds its value.
  h.doc->NewSheet();
  h.doc->SetDocumentKind(DocumentKind::kPlayback);
  ASSERT_TRUE(h.Convert(OrderRecording("Entered")));
  EXPECT_EQ(ReadFileBytes(h.dir / "droplists.dat"),
            "OEXOEORD:ORDER.STATUS=BOOKED\r\nOEXOEORD:ORDER.STATUS=Entered\r\n");

  Document& d = *h.doc;
  const FormsState& f = d.forms;
  EXPECT_TRUE(DropListAllows(f, 2, "booked"));
  EXPECT_TRUE(DropListAllows(f, 2, "Entered"));
  EXPECT_FALSE(DropListAllows(f, 2, "Shipped"));
  EXPECT_FALSE(DropListAllows(f, 2, ""));                // no empty value was recorded
  EXPECT_TRUE(DropListAllows(f, 1, "anything at all"));  // a VALUE column

  h.prompter.shown.clear();
  testing::RecordingObserver seen;
  d.AddObserver(&seen);
  d.sheet.SetCell(1, 2, "Shipped");
  EXPECT_FALSE(CheckDropListCell(d, 2, 1));
  EXPECT_EQ(d.sheet.Cell(1, 2), "");
  // The grid hears of the emptied cell (and first of the extent, since the
  // harness converted outside the open flow's reset).
  EXPECT_EQ(seen.Take(), (V{"extent 1x2+100", "cells R1C2:R1C2"}));
  EXPECT_EQ(h.Messages(), (V{std::string(kCellRefused)}));
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane Error");
  // Beyond the used extent nothing is checked.
  d.sheet.SetCell(5, 2, "Shipped");
  EXPECT_TRUE(CheckDropListCell(d, 2, 5));
  EXPECT_EQ(d.sheet.Cell(5, 2), "Shipped");

  // A pasted range: failing cells cleared, one message for all of them.
  h.prompter.shown.clear();
  d.sheet.SetLastRow(4);
  const V status = {"BOOKED", "nonsense", "entered", "bad too"};
  for (int r = 1; r <= 4; ++r) {
    d.sheet.SetCell(r, 1, "customer " + std::to_string(r));
    d.sheet.SetCell(r, 2, status[static_cast<size_t>(r - 1)]);
  }
  seen.Take();
  EXPECT_EQ(CheckDropListRange(d, 1, 1, 2, 4), 2);
  EXPECT_EQ(h.Messages(), (V{std::string(kRangeRefused)}));
  // One rectangle around the emptied cells, after the extent that grew.
  EXPECT_EQ(seen.Take(), (V{"extent 4x2+100", "cells R2C2:R4C2"}));
  EXPECT_EQ(d.sheet.Cell(1, 2), "BOOKED");
  EXPECT_EQ(d.sheet.Cell(2, 2), "");
  EXPECT_EQ(d.sheet.Cell(3, 2), "entered");
  EXPECT_EQ(d.sheet.Cell(4, 2), "");
  EXPECT_EQ(d.sheet.Cell(2, 1), "customer 2");
  // The emptied cells fail again until valid values are entered.
  h.prompter.shown.clear();
  d.sheet.SetCell(2, 2, "Booked");
  EXPECT_EQ(CheckDropListRange(d, 1, 1, 2, 4), 1);
  d.sheet.SetCell(4, 2, "ENTERED");
  h.prompter.shown.clear();
  seen.Take();
  EXPECT_EQ(CheckDropListRange(d, 1, 1, 2, 4), 0);
  EXPECT_TRUE(h.Messages().empty());
  EXPECT_TRUE(seen.Take().empty());
  d.RemoveObserver(&seen);
  EXPECT_EQ(d.sheet.Cell(2, 2), "Booked");

  // Any other kind drops the lists, and with them the checks.
  d.SetDocumentKind(DocumentKind::kSheetFile);
  EXPECT_FALSE(d.forms.drop_lists_active);
  EXPECT_EQ(d.forms.column_items.Size(), 0u);
  d.sheet.SetCell(1, 2, "Shipped");
  EXPECT_TRUE(CheckDropListCell(d, 2, 1));
}

TEST(DropLists, MissingUnreadableOrUnwritableFile) {
  {
    FormsHarness h(/*with_drop_lists=*/false);
    // The harness switched to kind 3 already and was told so.
    h.doc->SetDocumentKind(DocumentKind::kPlayback);
    EXPECT_EQ(h.Messages(),
              (V{"Failed to open the droplists.dat file - no droplist data loaded.\r" +
                 (h.dir / "droplists.dat") + ": " + testing::NoSuchFileReason()}));
    EXPECT_TRUE(h.doc->forms.drop_lists_active);
    EXPECT_TRUE(h.doc->forms.drop_list_entries.Empty());
    // The conversion still learns, and writes the file afresh.
    ASSERT_TRUE(h.Convert(OrderRecording("BOOKED")));
    EXPECT_EQ(ReadFileBytes(h.dir / "droplists.dat"), "OEXOEORD:ORDER.STATUS=BOOKED\r\n");
  }
#ifndef _WIN32  // links and file modes as POSIX has them
  {
    // droplists.dat is there but cannot be read (here a link to itself, which
    // no one reads, root included): the conversion that needs it fails, and
    // every value the file holds is kept.
    FormsHarness h(/*with_drop_lists=*/false);
    const std::string drop_lists = h.dir / "droplists.dat";
    std::filesystem::create_symlink("droplists.dat", drop_lists);
    h.doc->SetDocumentKind(DocumentKind::kPlayback);
    const std::string unread =
        "Failed to open the droplists.dat file - no droplist data loaded.\r" + drop_lists +
        ": Too many levels of symbolic links";
    EXPECT_EQ(h.Messages(), (V{unread}));
    EXPECT_THROW(h.Convert(OrderRecording("BOOKED")), PlatformError);
    EXPECT_TRUE(std::filesystem::is_symlink(drop_lists));
    EXPECT_EQ(std::filesystem::read_symlink(drop_lists), "droplists.dat");

    // Opened as a file, the recording fails with the open error.
    const std::string recording = h.dir / "order.fpb";
    WriteFileAtomic(recording, OrderRecording("BOOKED").bytes);
    h.prompter.shown.clear();
    EXPECT_FALSE(h.doc->OpenFile(recording));
    EXPECT_EQ(h.Messages(),
              (V{unread, "Failed to open the file or an error occured during file processing.\r" +
                             drop_lists + ": It could not be read, so it is not written over"}));
    EXPECT_TRUE(std::filesystem::is_symlink(drop_lists));
  }
  if (geteuid() != 0) {
    // The everyday case: a file the user may not read.
    FormsHarness h;
    WriteFileAtomic(h.dir / "droplists.dat", "A:B.C=1\r\n");
    std::filesystem::permissions(h.dir / "droplists.dat", std::filesystem::perms::none);
    h.doc->SetDocumentKind(DocumentKind::kPlayback);
    EXPECT_THROW(h.Convert(OrderRecording("BOOKED")), PlatformError);
    std::filesystem::permissions(h.dir / "droplists.dat", std::filesystem::perms::owner_read);
    EXPECT_EQ(ReadFileBytes(h.dir / "droplists.dat"), "A:B.C=1\r\n");
  }
#endif
  {
    // A program installed where the user cannot write (here its folder's path
    // runs through a file, which no one can write into): what a conversion
    // learns goes to the user's data folder, and is read from there next time.
    FormsHarness h;
    WriteFileAtomic(h.dir / "installed", "");
    Document other(h.prompter, h.store, h.dir / "installed/");
    other.SetUserFolder(h.dir / "user/");
    other.SetDocumentKind(DocumentKind::kPlayback);
    ASSERT_TRUE(ConvertPlaybackFile(other, OrderRecording("BOOKED").lines));
    EXPECT_EQ(ReadFileBytes(h.dir / "user/droplists.dat"), "OEXOEORD:ORDER.STATUS=BOOKED\r\n");
    other.NewSheet();
    other.SetDocumentKind(DocumentKind::kPlayback);
    EXPECT_TRUE(Learnt(other, "OEXOEORD:ORDER.STATUS=booked"));
    ASSERT_TRUE(ConvertPlaybackFile(other, OrderRecording("Entered").lines));
    EXPECT_EQ(ReadFileBytes(h.dir / "user/droplists.dat"),
              "OEXOEORD:ORDER.STATUS=BOOKED\r\nOEXOEORD:ORDER.STATUS=Entered\r\n");

    // With nowhere to write, the conversion fails as a whole.
    other.NewSheet();
    other.SetUserFolder(h.dir / "installed/user/");
    other.SetDocumentKind(DocumentKind::kPlayback);
    EXPECT_THROW(ConvertPlaybackFile(other, OrderRecording("BOOKED").lines), PlatformError);
  }
  {
    // Converting in another kind switches to kind 3 first, so the learned
    // values of earlier recordings are kept.
    FormsHarness h;
    WriteFileAtomic(h.dir / "droplists.dat", "A:B.C=1\r\n");
    h.doc->SetDocumentKind(DocumentKind::kSheetFile);
    ASSERT_TRUE(h.Convert(OrderRecording("BOOKED")));
    EXPECT_EQ(h.doc->Kind(), DocumentKind::kPlayback);
    EXPECT_EQ(ReadFileBytes(h.dir / "droplists.dat"),
              "A:B.C=1\r\nOEXOEORD:ORDER.STATUS=BOOKED\r\n");
  }
}

TEST(DocumentKinds, FiltersAndTitles) {
  // Sending data is offered for sheet files only; a recording fixes its columns.
  EXPECT_TRUE(ControlsForKind(DocumentKind::kSheetFile).send_data);
  EXPECT_FALSE(ControlsForKind(DocumentKind::kPlayback).send_data);
  EXPECT_FALSE(ControlsForKind(DocumentKind::kPlayback).col_insert_delete);
  EXPECT_EQ(SaveFileFilter(DocumentKind::kTabDelimited),
            "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*");
  EXPECT_EQ(SaveFileFilter(DocumentKind::kPlayback),
            "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*|Forms Playback file "
            "(*.fpb)|*.fpb");

  // Tab-delimited text has no titles: switching to it empties them all.
  FormsHarness h;
  Document& d = *h.doc;
  d.sheet.SetCell(0, 1, "Name");
  d.sheet.SetCell(0, 7, "beyond the extent");
  d.sheet.SetCell(1, 1, "kept");
  d.forms.source_view = true;
  d.SetDocumentKind(DocumentKind::kTabDelimited);
  EXPECT_EQ(d.Kind(), DocumentKind::kTabDelimited);
  EXPECT_EQ(d.sheet.Cell(0, 1), "");
  EXPECT_EQ(d.sheet.Cell(0, 7), "");
  EXPECT_EQ(d.sheet.Cell(1, 1), "kept");
  EXPECT_FALSE(d.forms.source_view);
}

}  // namespace
}  // namespace typelane
