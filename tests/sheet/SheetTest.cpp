#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/common/Text.h"
#include "core/sheet/CellKind.h"
#include "core/sheet/Sheet.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {
namespace {

TEST(Sheet, CellsKeepTheirBytesWhateverIsWrittenAround) {
  Sheet s;
  s.SetCell(2, 3, "abc");
  s.SetCell(2, 1, std::string("x\0y", 3));
  s.SetCell(2, 5, "\xe9t\xe9");
  EXPECT_EQ(s.Cell(2, 3), "abc");
  EXPECT_EQ(s.Cell(2, 1), std::string_view("x\0y", 3));
  EXPECT_EQ(s.Cell(2, 5), "\xe9t\xe9");
  EXPECT_EQ(s.Cell(2, 2), "");
  EXPECT_EQ(s.Cell(2, 99), "");
  EXPECT_EQ(s.Cell(99, 1), "");
  // Rewriting a cell with its own text (a view into the row buffer) is safe.
  s.SetCell(2, 3, s.Cell(2, 3));
  EXPECT_EQ(s.Cell(2, 3), "abc");
  s.SetCell(2, 3, "");
  EXPECT_EQ(s.Cell(2, 3), "");
  EXPECT_EQ(s.Cell(2, 5), "\xe9t\xe9");
  // Writing cells never moves the used extent.
  EXPECT_EQ(s.LastRow(), 0);
  EXPECT_EQ(s.LastCol(), 0);
  s.RaiseExtent(4, 2);
  s.RaiseExtent(1, 7);
  EXPECT_EQ(s.LastRow(), 4);
  EXPECT_EQ(s.LastCol(), 7);
}

TEST(Sheet, RowsAndColumnsMoveWithCommentsAndWidths) {
  Sheet s;
  std::vector<std::string_view> r1 = {"a", "b", "c"};
  std::vector<std::string_view> r2 = {"d", "e", "f"};
  s.SetRowCells(1, r1);
  s.SetRowCells(2, r2);
  s.SetLastRow(2);
  s.SetLastCol(3);
  s.AttachInfo(2, 2).comment = "on e";
  s.SetColumnWidth(3, 120);

  s.InsertRows(1, 1);
  EXPECT_EQ(s.Cell(1, 1), "");
  EXPECT_EQ(s.Cell(2, 1), "a");
  EXPECT_EQ(s.Cell(3, 2), "e");
  ASSERT_NE(s.Info(3, 2), nullptr);
  EXPECT_EQ(s.Info(3, 2)->comment, "on e");
  EXPECT_EQ(s.LastRow(), 3);

  s.DeleteCols(1, 1);
  EXPECT_EQ(s.Cell(2, 1), "b");
  EXPECT_EQ(s.Cell(3, 2), "f");
  EXPECT_EQ(s.Info(3, 1)->comment, "on e");
  EXPECT_EQ(s.ColumnWidth(2), 120);
  EXPECT_EQ(s.ColumnWidth(3), Sheet::kDefaultColumnWidth);
  EXPECT_EQ(s.LastCol(), 2);

  s.InsertCols(1, 2);
  EXPECT_EQ(s.Cell(2, 3), "b");
  EXPECT_EQ(s.ColumnWidth(4), 120);

  s.DeleteRows(1, 2);  // the empty row and a,b,c
  EXPECT_EQ(s.Cell(1, 3), "e");
  EXPECT_EQ(s.LastRow(), 1);
  EXPECT_EQ(s.Info(1, 3)->comment, "on e");

  s.Clear();
  EXPECT_EQ(s.Cell(1, 3), "");
  EXPECT_TRUE(s.Infos().empty());
  EXPECT_EQ(s.LastRow(), 0);
}

class FixedNames : public CommandNames {
 public:
  bool IsCommand(std::string_view text) const override {
    return !text.empty() && (IsBuiltInCommand(text) || text == "SAVE" || text == "save");
  }
};

TEST(CellKind, EveryCellHasExactlyTheKindItsTextAndPlaceGive) {
  Sheet s;
  FixedNames names;
  s.SetLastRow(3);
  s.SetLastCol(3);
  auto kind = [&](int r, int c, std::string_view text) {
    s.SetCell(r, c, text);
    return CellKindText(GetCellKind(s, names, r, c));
  };
  EXPECT_EQ(kind(1, 1, "\\{TAB}"), "KEYSTROKE");
  EXPECT_EQ(kind(1, 1, "\\\\abc"), "DATA");
  EXPECT_EQ(kind(1, 1, "\\"), "KEYSTROKE");
  EXPECT_EQ(kind(1, 1, "&\\{TAB}"), "DATA");
  EXPECT_EQ(kind(1, 1, "*cw(Orders)"), "COMMAND");
  EXPECT_EQ(kind(1, 1, "*SLEEP"), "COMMAND");
  EXPECT_EQ(kind(1, 1, "*ML"), "DATA");
  EXPECT_EQ(kind(1, 1, ""), "BLANK");
  EXPECT_EQ(kind(1, 1, " SAVE"), "DATA");  // blanks are part of the text
  EXPECT_EQ(kind(5, 1, ""), "UNUSED");
  EXPECT_EQ(kind(1, 5, "abc"), "UNUSED");
  EXPECT_EQ(kind(5, 5, "SAVE"), "COMMAND");  // a command shows as one even beyond the extent
  EXPECT_EQ(kind(0, 2, "SAVE"), "FIXED");
  EXPECT_EQ(kind(2, 0, ""), "FIXED");
  s.SetLastRow(0);
  EXPECT_EQ(kind(1, 1, "data"), "UNUSED");
}

TEST(TextHelpers, SplitJoinAndReplaceFollowTheFileRules) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitWords("a b", ' '), (V{"a", "b"}));
  EXPECT_EQ(SplitWords("a  b", ' '), (V{"a", "", "b"}));
  EXPECT_EQ(SplitWords("a ", ' '), (V{"a"}));
  EXPECT_EQ(SplitWords("\"x y\" z", ' '), (V{"x y", "z"}));
  EXPECT_EQ(SplitWords("\"abc", ' '), (V{"abc"}));
  EXPECT_EQ(SplitWords("\"abc\"", ' '), (V{"abc"}));
  EXPECT_EQ(SplitWords("\"x\ty\"\tz", '\t'), (V{"x\ty", "z"}));
  EXPECT_EQ(SplitWords("x\t\ty", '\t'), (V{"x", "", "y"}));
  EXPECT_EQ(SplitWords("a\"b c", ' '), (V{"a\"b", "c"}));
  EXPECT_TRUE(SplitWords("", ' ').empty());

  EXPECT_EQ(JoinWords({"a", "", "b"}, ' ', true), "\"a\" \"\" \"b\"");
  EXPECT_EQ(JoinWords({"\"a", "b\"", "c"}, ' ', true), "\"a b\" \"c\"");
  EXPECT_EQ(JoinWords({"a", "", "b"}, ' ', false), "a  b");
  // What JoinWords quotes, SplitWords takes apart again.
  V words = {"FORM", "two words", "", "x"};
  EXPECT_EQ(SplitWords(JoinWords(words, ' ', true), ' '), words);

  EXPECT_EQ(ReplaceAll("a\r\nb\r\nc", "\r\n", "%CRLF%"), "a%CRLF%b%CRLF%c");
  EXPECT_EQ(ReplaceAll("a%CRLF%%CRLF%", "%CRLF%", "\r\n"), "a\r\n\r\n");
  EXPECT_EQ(ReplaceAll("aaa", "a", "b"), "bbb");
  // The leftmost occurrence is searched again after each replacement, so text
  // that a removal joins up goes too.
  EXPECT_EQ(ReplaceAll("xmmirir", "mir", ""), "x");
  EXPECT_EQ(ReplaceAll("a%CR%CRLF%LF%", "%CRLF%", "\r\n"), "a%CR\r\nLF%");
  // A replacement holding find ends all the same.
  EXPECT_EQ(ReplaceAll("ab", "a", "aa"), "aab");
}

TEST(Numbers, ConversionsReadWhatUsersWriteAndRejectTheRest) {
  EXPECT_EQ(StrToInt("120"), 120);
  EXPECT_EQ(StrToInt(" -5"), -5);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_FALSE(TryStrToInt("12 ").has_value());
  EXPECT_FALSE(TryStrToInt("").has_value());
  EXPECT_FALSE(TryStrToInt("2147483648").has_value());
  EXPECT_FALSE(TryStrToInt("1.5").has_value());
  try {
    StrToInt("abc");
    FAIL() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
  EXPECT_DOUBLE_EQ(StrToFloat("0.25"), 0.25);
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloat(" 2 "), 2);
  EXPECT_DOUBLE_EQ(StrToFloat("1e3"), 1000);
  EXPECT_FALSE(TryStrToFloat("").has_value());
  EXPECT_FALSE(TryStrToFloat("0.5s").has_value());
  EXPECT_FALSE(TryStrToFloat("nan").has_value());
  EXPECT_THROW(StrToFloat("x"), ConversionError);
  EXPECT_EQ(FormatFloat(0.2), "0.2");
  EXPECT_EQ(FormatFloat(0), "0");
  EXPECT_EQ(FormatFloat(1.5), "1.5");
  EXPECT_EQ(SecondsToMs(0.25), 250);
  EXPECT_EQ(SecondsToMs(-3), 0);
  EXPECT_EQ(SecondsToMs(0.0019), 1);
}

TEST(Text, Utf8IsToldFromOtherBytes) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xE9t\xE9"));         // Windows-1252 "été"
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8("a\x80z"));            // a lone continuation byte
}

}  // namespace
}  // namespace typelane
