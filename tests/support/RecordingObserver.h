#pragma once

#include <string>
#include <vector>

#include "core/document/DocumentObserver.h"

namespace typelane::testing {

// Writes down every call a document makes to its observers, one short line
// each, so a test compares the whole sequence.
class RecordingObserver : public DocumentObserver {
 public:
  std::vector<std::string> events;

  static std::string Rect(const CellRect& r) {
    return "R" + std::to_string(r.top) + "C" + std::to_string(r.left) + ":R" +
           std::to_string(r.bottom) + "C" + std::to_string(r.right);
  }
  static std::string Extent(const SheetExtent& e) {
    return std::to_string(e.last_row) + "x" + std::to_string(e.last_col) + "+" +
           std::to_string(e.blank_cols);
  }

  void SheetAboutToBeReset() override { events.push_back("reset begin"); }
  void SheetReset(const SheetExtent& e) override { events.push_back("reset " + Extent(e)); }
  void RowsAboutToBeInserted(int at, int n) override { Add("rows insert begin", at, n); }
  void RowsInserted(int at, int n) override { Add("rows insert", at, n); }
  void RowsAboutToBeRemoved(int at, int n) override { Add("rows remove begin", at, n); }
  void RowsRemoved(int at, int n) override { Add("rows remove", at, n); }
  void ColumnsAboutToBeInserted(int at, int n) override { Add("cols insert begin", at, n); }
  void ColumnsInserted(int at, int n) override { Add("cols insert", at, n); }
  void ColumnsAboutToBeRemoved(int at, int n) override { Add("cols remove begin", at, n); }
  void ColumnsRemoved(int at, int n) override { Add("cols remove", at, n); }
  void ExtentChanged(const SheetExtent& e) override { events.push_back("extent " + Extent(e)); }
  void CellsChanged(const CellRect& r) override { events.push_back("cells " + Rect(r)); }
  void ColumnWidthsChanged(int first, int last) override { Add("widths", first, last); }

  void KindChanged(DocumentKind kind) override {
    events.push_back("kind " + std::to_string(static_cast<int>(kind)));
  }
  void ModifiedChanged(bool modified) override {
    events.push_back(modified ? "modified" : "unmodified");
  }
  void CaptionChanged(const std::string& caption) override {
    events.push_back("caption " + caption);
  }
  void RecentFilesChanged(const std::array<std::string, 5>& files) override {
    std::string text = "recent";
    for (const auto& f : files) text += " [" + f + "]";
    events.push_back(text);
  }
  void CommandsReset() override { events.push_back("commands"); }
  void DelaysReset() override { events.push_back("delays"); }
  void OptionsReset() override { events.push_back("options"); }
  void ValuesChanged() override { events.push_back("values"); }

  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(events);
    return taken;
  }

 private:
  void Add(const char* what, int a, int b) {
    events.push_back(std::string(what) + " " + std::to_string(a) + " " + std::to_string(b));
  }
};

}  // namespace typelane::testing
