#include <gtest/gtest.h>

#include "core/common/Errors.h"
#include "core/load/CommandTable.h"
#include "core/load/DelaySettings.h"

namespace typelane {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows RowsOf(const DelaySettings& delays) {
  Rows rows;
  for (const auto& row : delays.CommandDelays()) rows.emplace_back(row.name, row.value);
  return rows;
}

TEST(DelaySettings, DefaultsAndStandardNames) {
  DelaySettings delays;
  EXPECT_DOUBLE_EQ(delays.DelayByName("cell"), 0.2);
  EXPECT_DOUBLE_EQ(delays.DelayByName("WINDOW"), 0.25);
  EXPECT_DOUBLE_EQ(delays.DelayByName("key"), 0.05);
  EXPECT_DOUBLE_EQ(delays.DelayByName("menu"), 0.25);
  EXPECT_DOUBLE_EQ(delays.DelayByName("unknown"), 0);
  EXPECT_EQ(RowsOf(delays), (Rows{{"", ""}}));
}

TEST(DelaySettings, SetDelayByName) {
  DelaySettings delays;
  delays.SetDelayByName("KeyHold", 75.9);
  EXPECT_EQ(delays.key_hold, 75);
  delays.SetDelayByName("HourGlass", -3.7);
  EXPECT_EQ(delays.hour_glass, -3);
  delays.SetDelayByName("CellDelay", 0.5);
  EXPECT_DOUBLE_EQ(delays.cell_delay, 0.5);
  EXPECT_DOUBLE_EQ(delays.DelayByName("key"), 0.075);

  // Standard keys are exact: "keyhold" is a command's delay, filling the
  // unused row first and appending after that.
  delays.SetDelayByName("keyhold", 2);
  EXPECT_EQ(delays.key_hold, 75);
  EXPECT_EQ(RowsOf(delays), (Rows{{"keyhold", "2"}}));
  delays.SetDelayByName("NEXT", 0.2);
  delays.SetDelayByName("keyhold", 1.5);
  EXPECT_EQ(RowsOf(delays), (Rows{{"keyhold", "1.5"}, {"NEXT", "0.2"}}));
  EXPECT_DOUBLE_EQ(delays.DelayByName("KEYHOLD"), 1.5);
  EXPECT_DOUBLE_EQ(delays.DelayByName("next"), 0.2);

  // A command named like a standard delay gets the standard value.
  delays.SetDelayByName("WINDOW", 9);
  EXPECT_DOUBLE_EQ(delays.DelayByName("Window"), 0.25);

  // A value that is not a number stops whoever asked.
  delays.MutableCommandDelays()[1].value = "soon";
  EXPECT_THROW(delays.DelayByName("next"), ConversionError);
  delays.MutableCommandDelays()[1].value = "0,5";
  EXPECT_DOUBLE_EQ(delays.DelayByName("next"), 0.5);
}

TEST(DelaySettings, SyncFollowsTheCommandTable) {
  CommandTable commands;
  commands.Load(std::vector<std::string>{"Name\tNote\tG\tLast", "NEXT\t\t1\t", "SAVE\t\t2\t",
                                         "\t\t3\t", "NEXT\t\t4\t", "PRINT\t\t5\t"});
  DelaySettings delays;
  delays.SetDelayByName("OLD", 4);
  delays.SetDelayByName("SAVE", 1.5);
  delays.SyncCommandDelays(commands);
  // Names in order of first appearance, kept values stay, removed names go.
  EXPECT_EQ(RowsOf(delays), (Rows{{"SAVE", "1.5"}, {"NEXT", "0"}, {"PRINT", "0"}}));

  // Names are compared exactly: "next" is another name.
  delays.SetDelayByName("next", 1);
  delays.SyncCommandDelays(commands);
  EXPECT_EQ(RowsOf(delays), (Rows{{"SAVE", "1.5"}, {"NEXT", "0"}, {"PRINT", "0"}}));

  // No commands: one unused row is left.
  CommandTable none;
  none.Load(std::vector<std::string>{"Name\tNote\tG\tLast"});
  delays.SyncCommandDelays(none);
  EXPECT_EQ(RowsOf(delays), (Rows{{"", ""}}));
  CommandTable cleared;
  delays.SetDelayByName("GONE", 1);
  delays.SyncCommandDelays(cleared);
  EXPECT_EQ(RowsOf(delays), (Rows{{"", ""}}));
  EXPECT_DOUBLE_EQ(delays.DelayByName(""), 0);
}

}  // namespace
}  // namespace typelane
