// Converting a recorded playback file and writing it back must grow linearly
// with the number of records. Prints the time per record at 500 and at 5,000
// records and their ratio (which should stay under 1.5).

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchPrompter.h"
#include "core/common/FileText.h"
#include "core/document/Document.h"
#include "core/forms/Playback.h"
#include "core/settings/SettingsStore.h"

namespace {

using namespace typelane;

// A recording that signs on, enters `records` purchase-order lines (values,
// a list of values, a data click with a few distinct values, navigation) and
// exits.
std::string MakeRecording(int records) {
  std::string text =
      "# Forms 6.0 Event File\r\n# generated\r\nWINDOW FNDSCSGN SIGNON_WINDOW ACTIVATE\r\n"
      "VALUE FNDSCSGN SIGNON USERNAME 1 \"BENCH\"\r\nVALUE FNDSCSGN SIGNON PASSWORD 1 \"pw\"\r\n"
      "USER_EXIT FNDSCSGN Responsibilities \"Purchasing\"\r\n"
      "WINDOW POXPOEPO PO_WINDOW ACTIVATE\r\n";
  for (int r = 1; r <= records; ++r) {
    const std::string n = std::to_string(r);
    text += "VALUE POXPOEPO PO_LINES ITEM_NUMBER " + n + " \"ITEM-" + n + "\"\r\n";
    text += "KEY Next_item\r\n";
    text += "VALUE POXPOEPO PO_LINES QUANTITY " + n + " \"" + std::to_string(r % 97) + "\"\r\n";
    text += "# LOV for POXPOEPO:PO_LINES.UOM\r\n";
    text += "LOV \"Each\" \"EA\"\r\n";
    text +=
        "CLICK POXPOEPO PO_LINES LINE_TYPE " + n + " \"Type " + std::to_string(r % 7) + "\"\r\n";
    text += "CLICK POXPOEPO TOOLBAR SAVE 1 MOUSE\r\n";
    text += "VALUE POXPOEPO PO_LINES UNIT_PRICE " + n + " \"" + std::to_string(r * 3) + ".50\"\r\n";
    text += "VALUE POXPOEPO PO_HEADER COMMENTS 1 \"bench\"\r\n";
    text += "KEY Next_record\r\n";
  }
  text += "KEY Commit_form\r\nMENU FNDSCSGN EXIT_ORACLE_APPLICATIONS\r\n";
  return text;
}

struct Result {
  double convert_us_per_record;
  double write_us_per_record;
  size_t written_bytes;
  int rows;
  int cols;
};

Result Measure(int records, const std::string& folder) {
  const std::string text = MakeRecording(records);
  const std::vector<std::string_view> lines = SplitLines(text);
  Result best{1e30, 1e30, 0, 0, 0};
  for (int round = 0; round < 3; ++round) {
    BenchPrompter prompter(Answer::kOk);
    MemorySettingsStore store;
    Document document(prompter, store, folder);
    document.SetUserFolder("");  // droplists.dat stays in the benchmark's folder
    document.SetDocumentKind(DocumentKind::kPlayback);

    auto t0 = std::chrono::steady_clock::now();
    ConvertPlaybackFile(document, lines);
    auto t1 = std::chrono::steady_clock::now();
    TextOut out;
    WritePlaybackFile(document, out);
    auto t2 = std::chrono::steady_clock::now();

    const double convert = std::chrono::duration<double, std::micro>(t1 - t0).count() / records;
    const double write = std::chrono::duration<double, std::micro>(t2 - t1).count() / records;
    best.convert_us_per_record = std::min(best.convert_us_per_record, convert);
    best.write_us_per_record = std::min(best.write_us_per_record, write);
    best.written_bytes = out.Text().size();
    best.rows = document.sheet.LastRow();
    best.cols = document.sheet.LastCol();
  }
  return best;
}

}  // namespace

int main() {
  std::string pattern = (std::filesystem::temp_directory_path() / "typelane-bench-XXXXXX").string();
  const std::string folder = std::string(mkdtemp(pattern.data())) + "/";

  const Result small = Measure(500, folder);
  const Result large = Measure(5000, folder);
  std::printf("records  sheet rows x cols  convert us/record  write us/record  written bytes\n");
  for (const auto& [records, r] : {std::pair{500, small}, std::pair{5000, large}}) {
    std::printf("%7d  %10d x %4d  %17.2f  %15.2f  %13zu\n", records, r.rows, r.cols,
                r.convert_us_per_record, r.write_us_per_record, r.written_bytes);
  }
  const double small_total = small.convert_us_per_record + small.write_us_per_record;
  const double large_total = large.convert_us_per_record + large.write_us_per_record;
  std::printf(
      "ratio of time per record, 5000 vs 500: convert %.2f, write %.2f, both %.2f "
      "(linear: < 1.5)\n",
      large.convert_us_per_record / small.convert_us_per_record,
      large.write_us_per_record / small.write_us_per_record, large_total / small_total);

  std::error_code ignore;
  std::filesystem::remove_all(folder, ignore);
  return 0;
}
