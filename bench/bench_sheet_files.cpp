// Writes and reads a large sheet as a sheet file and as tab-delimited text and
// prints the times, the ratio to a plain line-and-field split of the same
// bytes, and the peak memory of each read.
//
// Every read runs in a fresh process (this program started again with
// --child), so its peak resident size (VmHWM) belongs to that read alone.
//
//   bench_sheet_files [rows] [cols]        (default 200000 x 20)
//
// Read times are the best of three runs; write times are single runs.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "BenchPrompter.h"
#include "ProcStatus.h"
#include "core/common/FileText.h"
#include "core/document/Document.h"
#include "core/files/SheetFile.h"
#include "core/files/TabDelimited.h"
#include "core/settings/SettingsStore.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Cell texts like a business sheet's: codes, names, amounts, dates, commands,
// blanks. About 8 bytes on average.
std::string MakeCell(std::mt19937& rng, int col) {
  static const char* kWords[] = {"Smith", "Jones",  "ACME", "Widget", "Oslo", "Paris", "NET30",
                                 "Open",  "Closed", "EA",   "Box",    "Red",  "Blue",  "Lima"};
  static const char* kCommands[] = {"NEXT FIELD", "SAVE", "\\{TAB}", "*SL 1"};
  std::uniform_int_distribution<int> pick(0, 99);
  const int p = pick(rng);
  char buf[32];
  switch (col % 5) {
    case 0:
      std::snprintf(buf, sizeof buf, "PO%06d", static_cast<int>(rng() % 1000000));
      return buf;
    case 1:
      if (p < 10) return std::string();
      if (p < 50) return kWords[rng() % 14];
      return std::string(kWords[rng() % 14]) + " " + kWords[rng() % 14];
    case 2:
      std::snprintf(buf, sizeof buf, "%u.%02u", static_cast<unsigned>(rng() % 100000),
                    static_cast<unsigned>(rng() % 100));
      return buf;
    case 3:
      std::snprintf(buf, sizeof buf, "%02u-%02u-2026", static_cast<unsigned>(rng() % 28 + 1),
                    static_cast<unsigned>(rng() % 12 + 1));
      return buf;
    default:
      if (p < 30) return std::string();
      if (p < 50) return kCommands[rng() % 4];
      return std::string(kWords[rng() % 14]) + " " + kWords[rng() % 14];
  }
}

struct ChildResult {
  double seconds = -1;
  long peak_kb = -1;
  long start_kb = -1;
};

ChildResult RunChildOnce(const std::string& mode, const std::string& path) {
  static const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command = "'" + self + "' --child " + mode + " '" + path + "'";
  ChildResult r;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  if (std::fscanf(p, "%lf %ld %ld", &r.seconds, &r.peak_kb, &r.start_kb) != 3) r.seconds = -1;
  pclose(p);
  return r;
}

// The best of three runs: the machine may be busy with other work.
ChildResult RunChild(const std::string& mode, const std::string& path) {
  ChildResult best = RunChildOnce(mode, path);
  for (int i = 0; i < 2; ++i) {
    ChildResult r = RunChildOnce(mode, path);
    if (r.seconds >= 0 && (best.seconds < 0 || r.seconds < best.seconds)) best = r;
  }
  return best;
}

int Child(const std::string& mode, const std::string& path) {
  typelane::BenchPrompter prompter(typelane::Answer::kOk);
  typelane::MemorySettingsStore store;
  const std::string folder = std::filesystem::path(path).parent_path().string() + "/";
  typelane::Document doc(prompter, store, folder);
  doc.NewSheet();
  const long start_kb = typelane::StatusKb("VmRSS");
  const auto start = Clock::now();
  std::string bytes = typelane::ReadFileBytes(path);
  std::vector<std::string_view> lines = typelane::SplitLines(bytes);
  size_t check = 0;
  if (mode == "tyl") {
    typelane::ReadSheetFile(doc, lines);
    check = static_cast<size_t>(doc.sheet.LastRow());
  } else if (mode == "tab") {
    typelane::ReadTabDelimited(doc.sheet, lines);
    check = static_cast<size_t>(doc.sheet.LastRow());
  } else {
    // Only split the bytes into lines and TAB-separated fields.
    std::vector<std::string_view> fields;
    for (std::string_view line : lines) {
      fields.clear();
      size_t begin = 0;
      for (size_t tab; (tab = line.find('\t', begin)) != std::string_view::npos;) {
        fields.push_back(line.substr(begin, tab - begin));
        begin = tab + 1;
      }
      fields.push_back(line.substr(begin));
      check += fields.size();
    }
  }
  const double seconds = Since(start);
  std::printf("%.6f %ld %ld\n", seconds, typelane::StatusKb("VmHWM"), start_kb);
  std::fprintf(stderr, "(%s: %zu)\n", mode.c_str(), check);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--child") return Child(argv[2], argv[3]);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int cols = argc > 2 ? std::atoi(argv[2]) : 20;

  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("typelane-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string tyl = (dir / "big.tyl").string();
  const std::string tab = (dir / "big.txt").string();

  typelane::BenchPrompter prompter(typelane::Answer::kOk);
  typelane::MemorySettingsStore store;
  typelane::Document doc(prompter, store, dir.string() + "/");
  doc.NewSheet();

  auto start = Clock::now();
  std::mt19937 rng(2026);
  std::vector<std::string> cells(static_cast<size_t>(cols));
  std::vector<std::string_view> views(static_cast<size_t>(cols));
  size_t cell_bytes = 0;
  doc.sheet.ReserveRows(rows + 1);
  for (int c = 1; c <= cols; ++c) doc.sheet.SetCell(0, c, "Column " + std::to_string(c));
  for (int r = 1; r <= rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      cells[static_cast<size_t>(c)] = MakeCell(rng, c);
      views[static_cast<size_t>(c)] = cells[static_cast<size_t>(c)];
      cell_bytes += cells[static_cast<size_t>(c)].size();
    }
    doc.sheet.SetRowCells(r, views);
  }
  doc.sheet.RaiseExtent(rows, cols);
  for (int r = 1; r <= rows; r += 997) doc.sheet.AttachInfo(r, 2).comment = "check\r\nthis";
  std::printf("sheet: %d rows x %d cols, %.2f bytes per cell, built in %.3f s\n", rows, cols,
              static_cast<double>(cell_bytes) / (static_cast<double>(rows) * cols), Since(start));

  start = Clock::now();
  {
    typelane::TextOut out;
    out.Reserve(cell_bytes + static_cast<size_t>(rows) * (cols + 2) + 4096);
    typelane::WriteSheetFile(doc, out);
    typelane::WriteFileAtomic(tyl, out.Text());
  }
  const double write_tyl = Since(start);
  start = Clock::now();
  {
    typelane::TextOut out;
    out.Reserve(cell_bytes + static_cast<size_t>(rows) * (cols + 2));
    typelane::WriteTabDelimited(doc.sheet, out);
    typelane::WriteFileAtomic(tab, out.Text());
  }
  const double write_tab = Since(start);
  const double tyl_mb = static_cast<double>(fs::file_size(tyl)) / 1e6;
  const double tab_mb = static_cast<double>(fs::file_size(tab)) / 1e6;

  const ChildResult base_tyl = RunChild("split", tyl);
  const ChildResult base_tab = RunChild("split", tab);
  const ChildResult read_tyl = RunChild("tyl", tyl);
  const ChildResult read_tab = RunChild("tab", tab);

  auto report = [](const char* what, double seconds, double base, double mb) {
    std::printf("%-26s %8.3f s  %5.2fx the split baseline  (%.1f MB)\n", what, seconds,
                base > 0 ? seconds / base : 0.0, mb);
  };
  std::printf("\nbaseline (read + split lines and fields): sheet file %.3f s, tab file %.3f s\n",
              base_tyl.seconds, base_tab.seconds);
  report("write sheet file", write_tyl, base_tyl.seconds, tyl_mb);
  report("write tab-delimited", write_tab, base_tab.seconds, tab_mb);
  report("read sheet file", read_tyl.seconds, base_tyl.seconds, tyl_mb);
  report("read tab-delimited", read_tab.seconds, base_tab.seconds, tab_mb);

  auto memory = [](const char* what, const ChildResult& r, double mb) {
    const double peak_mb = static_cast<double>(r.peak_kb) * 1024 / 1e6;
    const double growth_mb = static_cast<double>(r.peak_kb - r.start_kb) * 1024 / 1e6;
    std::printf("%-26s peak %7.1f MB (%.2fx the file), growth during the read %7.1f MB (%.2fx)\n",
                what, peak_mb, peak_mb / mb, growth_mb, growth_mb / mb);
  };
  std::printf("\n");
  memory("read sheet file", read_tyl, tyl_mb);
  memory("read tab-delimited", read_tab, tab_mb);
  memory("split baseline (sheet)", base_tyl, tyl_mb);

  std::printf("\ntargets: each under 1 s, within 3x the baseline, peak under 3x the file size\n");
  std::fflush(stdout);
  // TYPELANE_BENCH_KEEP=1 keeps the files, to profile a read with
  // bench_sheet_files --child tyl|tab|split <file>.
  if (const char* keep = std::getenv("TYPELANE_BENCH_KEEP"); keep && *keep == '1') {
    std::printf("files kept in %s\n", dir.string().c_str());
  } else {
    std::error_code ignore;
    fs::remove_all(dir, ignore);
  }
  return 0;
}
