// Big inputs through typelane-cli, each run in a process of its own: wall
// time, CPU time and peak resident memory (getrusage of the child), per size,
// and the ratios that show whether time and memory grow linearly.
//
//   bench_cli_scale [small_rows] [large_rows]     (default 200000 1000000)
//
//  - dry runs: `keys --dry-run '{TAB n}'` and `send --dry-run` of a sheet of
//    n rows, trace to /dev/null (memory must stay flat);
//  - opens: a sheet carrying n commands, a recording of one record with n
//    fields (time per item must stay flat);
//  - conversion of a tab-delimited file of n x 20 cells (peak against the file
//    size, time per row).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Run {
  double wall = 0;
  double cpu = 0;
  double peak_mb = 0;
  int status = -1;
};

// Runs the program with args, stdout to /dev/null, and measures it.
Run Measure(const std::string& program, const std::vector<std::string>& args) {
  Run run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string SheetOfRows(long rows) {
  std::string text =
      "begindelays\r\nenddelays\r\nbeginheader\r\nA\r\nendheader\r\nbeginother\r\nWindow=Orders\r\n"
      "Description=\r\nCommandGroup=\r\nendother\r\nbegindata\r\n";
  for (long r = 1; r <= rows; ++r) text += "PO" + std::to_string(r) + "\r\n";
  return text + "enddata\r\n";
}

std::string SheetOfCommands(long commands) {
  std::string text = "begindelays\r\n";
  for (long i = 1; i <= commands; ++i) text += "CMD" + std::to_string(i) + "=0\r\n";
  text +=
      "enddelays\r\nbeginheader\r\nStep\r\nendheader\r\nbeginother\r\nWindow=Orders\r\n"
      "Description=\r\nCommandGroup=Main\r\nendother\r\nbegindata\r\nCMD1\r\nenddata\r\n"
      "beginoptions\r\nendoptions\r\nbeginformat\r\nendformat\r\nbegincommands\r\n"
      "Command\tDescription\tMain\tNotes\r\n";
  for (long i = 1; i <= commands; ++i) {
    text += "CMD" + std::to_string(i) + "\tstep\t\\{TAB}\t\r\n";
  }
  return text + "endcommands\r\n";
}

std::string RecordingOfFields(long fields) {
  std::string text =
      "# Forms 6.0 Event File\r\n# bench\r\nVALUE FNDSCSGN SIGNON USERNAME 1 \"OPS\"\r\n"
      "WINDOW POXPOEPO PO_WINDOW ACTIVATE\r\n";
  for (long i = 1; i <= fields; ++i) {
    text += "VALUE POXPOEPO PO_LINES FIELD_" + std::to_string(i) + " 1 \"value " +
            std::to_string(i) + "\"\r\nKEY Next_item\r\n";
  }
  return text + "KEY Commit_form\r\nMENU FNDSCSGN EXIT_ORACLE_APPLICATIONS\r\n";
}

std::string TabRows(long rows) {
  std::string text;
  text.reserve(static_cast<size_t>(rows) * 180);
  unsigned seed = 2026;
  for (long r = 1; r <= rows; ++r) {
    text += "PO" + std::to_string(r);
    for (int c = 2; c <= 20; ++c) {
      seed = seed * 1103515245u + 12345u;
      text += "\tcell " + std::to_string((seed >> 8) % 100000);
    }
    text += "\r\n";
  }
  return text;
}

void Print(const char* what, long size, const Run& run, double per, const char* unit,
           double file_mb = 0) {
  std::printf("%-34s %9ld  %7.2f s wall  %7.2f s cpu  %8.1f MB peak", what, size, run.wall, run.cpu,
              run.peak_mb);
  if (file_mb > 0) std::printf(" (%.2fx the file)", run.peak_mb / file_mb);
  std::printf("  %8.3f us cpu/%s%s\n", per, unit, run.status == 0 ? "" : "  [FAILED]");
}

}  // namespace

int main(int argc, char** argv) {
  const long small = argc > 1 ? std::atol(argv[1]) : 200000;
  const long large = argc > 2 ? std::atol(argv[2]) : 1000000;
  const std::string cli =
      (fs::read_symlink("/proc/self/exe").parent_path() / "typelane-cli").string();
  std::string pattern = (fs::temp_directory_path() / "typelane-bench-XXXXXX").string();
  const fs::path dir = mkdtemp(pattern.data());
  // A program folder of its own: the recordings write droplists.dat there.
  fs::copy_file(cli, dir / "typelane-cli");
  const std::string prog = (dir / "typelane-cli").string();
  std::error_code ignore;
  fs::copy_file(fs::path(cli).parent_path() / "commands.dat", dir / "commands.dat", ignore);

  auto ratio = [](const char* what, double small_per, double large_per) {
    std::printf("  -> %s: %.2fx per item from the small to the large size (linear: about 1)\n\n",
                what, large_per / small_per);
  };

  std::printf("dry runs (trace to /dev/null): memory must not grow with the run\n");
  {
    const Run a = Measure(prog, {"keys", "--dry-run", "{TAB " + std::to_string(small * 10) + "}"});
    const Run b = Measure(prog, {"keys", "--dry-run", "{TAB " + std::to_string(large * 10) + "}"});
    Print("keys --dry-run {TAB n}", small * 10, a, a.cpu * 1e6 / (small * 10.0), "key");
    Print("keys --dry-run {TAB n}", large * 10, b, b.cpu * 1e6 / (large * 10.0), "key");
    std::printf("  -> peak %.2fx from the small to the large run (flat: about 1)\n",
                b.peak_mb / a.peak_mb);
    ratio("time", a.cpu / small, b.cpu / large);
    Write(dir / "rows-small.tyl", SheetOfRows(small * 2));
    Write(dir / "rows-large.tyl", SheetOfRows(large * 2));
    const Run c = Measure(prog, {"send", "--dry-run", (dir / "rows-small.tyl").string()});
    const Run d = Measure(prog, {"send", "--dry-run", (dir / "rows-large.tyl").string()});
    Print("send --dry-run, rows", small * 2, c, c.cpu * 1e6 / (small * 2.0), "row");
    Print("send --dry-run, rows", large * 2, d, d.cpu * 1e6 / (large * 2.0), "row");
    ratio("time", c.cpu / small, d.cpu / large);
  }

  std::printf("opens: time per command and per field must stay flat\n");
  {
    const long a_n = small / 8, b_n = large / 10;
    Write(dir / "cmd-small.tyl", SheetOfCommands(a_n));
    Write(dir / "cmd-large.tyl", SheetOfCommands(b_n));
    const Run a = Measure(prog, {"send", "--dry-run", (dir / "cmd-small.tyl").string()});
    const Run b = Measure(prog, {"send", "--dry-run", (dir / "cmd-large.tyl").string()});
    Print("sheet of n commands", a_n, a, a.cpu * 1e6 / a_n, "command");
    Print("sheet of n commands", b_n, b, b.cpu * 1e6 / b_n, "command");
    ratio("time", a.cpu / a_n, b.cpu / b_n);
    const long c_n = small / 40, d_n = large / 50;
    Write(dir / "rec-small.fpb", RecordingOfFields(c_n));
    Write(dir / "rec-large.fpb", RecordingOfFields(d_n));
    const Run c =
        Measure(prog, {"convert", (dir / "rec-small.fpb").string(), (dir / "rec.txt").string()});
    const Run d =
        Measure(prog, {"convert", (dir / "rec-large.fpb").string(), (dir / "rec.txt").string()});
    Print("recording, one record of n fields", c_n, c, c.cpu * 1e6 / c_n, "field");
    Print("recording, one record of n fields", d_n, d, d.cpu * 1e6 / d_n, "field");
    ratio("time", c.cpu / c_n, d.cpu / d_n);
  }

  std::printf("conversion of n x 20 tab-delimited cells: peak at most 2x the file\n");
  {
    Write(dir / "tab-small.txt", TabRows(small));
    const double small_mb = static_cast<double>(fs::file_size(dir / "tab-small.txt")) / 1048576.0;
    const Run a =
        Measure(prog, {"convert", (dir / "tab-small.txt").string(), (dir / "out.txt").string()});
    fs::remove(dir / "tab-small.txt");
    Write(dir / "tab-large.txt", TabRows(large));
    const double large_mb = static_cast<double>(fs::file_size(dir / "tab-large.txt")) / 1048576.0;
    const Run b =
        Measure(prog, {"convert", (dir / "tab-large.txt").string(), (dir / "out.txt").string()});
    Print("convert n rows", small, a, a.cpu * 1e6 / small, "row", small_mb);
    Print("convert n rows", large, b, b.cpu * 1e6 / large, "row", large_mb);
    std::printf(
        "  -> %.2fx cpu and %.2fx wall per row from %ld to %ld rows (target: within 1.2x)\n",
        (b.cpu / large) / (a.cpu / small), (b.wall / large) / (a.wall / small), small, large);
  }
  fs::remove_all(dir, ignore);
  return 0;
}
