#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/load/Platform.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

using Titles = std::vector<std::string>;

TEST(WindowTitles, ExactBeforePrefix) {
  const std::vector<WindowInfo> windows = {
      {1, "Orders - Entry", true, false}, {2, "Orders", true, false}, {3, "Order", true, false}};
  EXPECT_EQ(MatchWindowTitle(windows, "orders"), 2u);
  EXPECT_EQ(MatchWindowTitle(windows, "ORDER"), 3u);
  EXPECT_EQ(MatchWindowTitle(windows, "orders -"), 1u);
  EXPECT_EQ(MatchWindowTitle({windows[0], windows[1]}, "order"), 1u);
  EXPECT_EQ(MatchWindowTitle(windows, "Invoices"), 0u);
  // The given title is not trimmed.
  EXPECT_EQ(MatchWindowTitle({windows[1]}, "Orders "), 0u);
  EXPECT_EQ(MatchWindowTitle(windows, "Orders "), 1u);
}

TEST(WindowTitles, SeenTitlesAreCutAndTrimmed) {
  EXPECT_EQ(SeenTitle("  Orders \t"), "Orders");
  const std::string long_title = std::string(97, 'x') + "yz";
  EXPECT_EQ(SeenTitle(long_title), std::string(97, 'x') + "y");
  // Byte 98 is inside "é" (C3 A9) of a UTF-8 title: the cut moves before it.
  // The same bytes as Windows-1252 text are cut at 98 bytes as ever.
  EXPECT_EQ(SeenTitle(std::string(97, 'x') + "\xc3\xa9z"), std::string(97, 'x'));
  EXPECT_EQ(SeenTitle(std::string(97, 'x') + "\xc3\xe9z"), std::string(97, 'x') + "\xc3");
  const std::vector<WindowInfo> windows = {{1, "Orders   ", true, false},
                                           {2, long_title, true, false}};
  EXPECT_EQ(MatchWindowTitle(windows, "orders"), 1u);
  EXPECT_EQ(MatchWindowTitle(windows, long_title), 0u);
  EXPECT_EQ(MatchWindowTitle(windows, std::string(97, 'x') + "y"), 2u);
}

TEST(WindowTitles, EmptyTitleNamesOnlyAnUntitledWindow) {
  const std::vector<WindowInfo> titled = {{1, "Orders", true, false}};
  EXPECT_EQ(MatchWindowTitle(titled, ""), 0u);
  const std::vector<WindowInfo> untitled = {{1, "Orders", true, false}, {2, "  ", false, false}};
  EXPECT_EQ(MatchWindowTitle(untitled, ""), 2u);
}

TEST(WindowTitles, OurOwnWindowsNeverMatch) {
  // The program's own window in front, titled after its sheet: neither a
  // prefix nor its whole title may load into it.
  const std::vector<WindowInfo> windows = {{1, "Veltrax Orders.tyl - Typelane", true, true},
                                           {2, "Veltrax Orders", true, false},
                                           {3, "Typelane Progress", true, true}};
  EXPECT_EQ(MatchWindowTitle(windows, "Velt"), 2u);
  EXPECT_EQ(MatchWindowTitle(windows, "Veltrax Orders.tyl - Typelane"), 0u);
  EXPECT_EQ(MatchWindowTitle(windows, "Typelane"), 0u);

  RecordingPlatform platform;
  platform.UseWindowList(windows);
  EXPECT_TRUE(ActivateWindowByTitle(platform, "velt"));
  EXPECT_EQ(platform.Trace(), std::vector<std::string>{"activate Veltrax Orders"});
  EXPECT_FALSE(ActivateWindowByTitle(platform, "Typelane P"));
}

TEST(WindowTitles, ListLeavesOutOwnInvisibleAndUntitled) {
  RecordingPlatform platform;
  platform.UseWindowList({
      {1, "Veltrax Typelane C:\\a.tyl", true, true},
      {2, "Orders ", true, false},
      {3, "Hidden", false, false},
      {4, "", true, false},
      {5, "typelane", true, false},
      {6, "My Caption", true, false},
      {7, "Orders", true, false},
      {8, "Typelane Notes", true, false},
  });
  EXPECT_EQ(ListWindowTitles(platform, "My Caption"),
            (Titles{"Orders", "Orders", "Typelane Notes"}));
  EXPECT_EQ(ListWindowTitles(platform, "Other"),
            (Titles{"Orders", "My Caption", "Orders", "Typelane Notes"}));
}

}  // namespace
}  // namespace typelane
