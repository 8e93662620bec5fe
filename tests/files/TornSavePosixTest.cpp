// A file that has to be written over in place (hard links, a folder the user
// cannot write, an owner a new file could not keep) is never left torn and
// silent: after a kill at any moment it is the whole old file, the whole new
// one, or a whole backup of the old one exists, which the next open names.
// A child process saves a file of tens of MB and is killed after a random
// part of a save's time.

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "support/TempDir.h"

namespace typelane {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::TempDir;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

std::string Lines(const std::string& tag, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += tag + "\tCustomer " + std::to_string(i) + "\tLeeds\r\n";
  return text;
}

// Puts the old text back where the file is (every name sees it) and removes
// any backup, for the next round.
void Reset(const std::string& file, const std::string& old_bytes) {
  if (const std::string backup = InterruptedSaveBackup(file); !backup.empty()) {
    fs::remove(backup);
    fs::remove(backup + ".path");
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << old_bytes;
}

// One way a file comes to be written in place: who saves it and where.
struct Case {
  std::string name;
  std::string file;
  bool as_nobody = false;
};

class TornSaves : public ::testing::Test {
 protected:
  void SetUp() override {
    old_bytes_ = Lines("old", 1'000'000);    // 30 MB
    new_bytes_ = Lines("newer", 1'050'000);  // 34 MB
    // Both the saving child (as nobody) and this process look for backups in
    // the same data folder.
    data_ = dir_ / "data";
    fs::create_directories(data_);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(data_.c_str(), kNobody, kNoGroup), 0);
    }
    ::setenv("XDG_DATA_HOME", data_.c_str(), 1);
  }
  void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

  // Saves the new text in a child; 0 when the save succeeded, 1 when it
  // reported an error.
  pid_t StartSave(const Case& c, rlim_t size_limit = RLIM_INFINITY) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    // Never -1 to kill(): that would end every process we may signal.
    if (pid < 0) std::abort();
    if (pid != 0) return pid;
    if (c.as_nobody && (::setgroups(0, nullptr) != 0 || ::setresgid(kNoGroup, kNoGroup, kNoGroup) ||
                        ::setresuid(kNobody, kNobody, kNobody) != 0)) {
      _exit(3);
    }
    if (size_limit != RLIM_INFINITY) {
      const rlimit limit{size_limit, size_limit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    try {
      WriteFileAtomic(c.file, new_bytes_);
    } catch (const FileError& e) {
      std::fprintf(stderr, "%s\n", e.what());
      _exit(1);
    }
    _exit(0);
  }

  static int Finish(pid_t pid, bool kill) {
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  // Kills rounds saves of the case at random moments; fails at the first file
  // left torn without a whole backup.
  void KillRounds(const Case& c, int rounds, const std::string& backup_folder) {
    Reset(c.file, old_bytes_);
    const auto start = Clock::now();
    ASSERT_EQ(Finish(StartSave(c), false), 0) << c.name;
    const auto span =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    ASSERT_TRUE(ReadFileBytes(c.file) == new_bytes_) << c.name;
    ASSERT_EQ(InterruptedSaveBackup(c.file), "") << c.name;
    std::uniform_int_distribution<long> delay(0, span);
    // Where the save's own backup appears once it is whole: from then on the
    // file is written over.
    const std::string appears =
        backup_folder == fs::path(c.file).parent_path().string()
            ? backup_folder + "/." + fs::path(c.file).filename().string() + ".typelane-backup"
            : backup_folder + "/" + file_system_detail::BackupNameInFolder(c.file);
    int old_file = 0, new_file = 0, torn = 0, backups = 0;
    for (int round = 0; round < rounds; ++round) {
      Reset(c.file, old_bytes_);
      const pid_t pid = StartSave(c);
      // Every other kill comes a random time after the start; the others
      // within an eighth of a save's time after the backup appeared: in the
      // middle of writing the file over, or soon after.
      if (round % 2 == 1) {
        // Until the backup is there or the save has ended (the child is left
        // for Finish to collect).
        auto saving = [pid] {
          siginfo_t info{};
          return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                 info.si_pid == 0;
        };
        while (!fs::exists(appears) && saving()) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random_) / 8));
      } else {
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random_)));
      }
      Finish(pid, true);
      const std::string now = ReadFileBytes(c.file);
      const std::string backup = InterruptedSaveBackup(c.file);
      if (!backup.empty()) {
        ++backups;
        EXPECT_EQ(fs::path(backup).parent_path().string(), backup_folder) << c.name;
        // A backup that exists is whole.
        ASSERT_TRUE(ReadFileBytes(backup) == old_bytes_)
            << c.name << " round " << round << ": the backup " << backup << " is not whole";
      }
      if (now == old_bytes_) {
        ++old_file;
      } else if (now == new_bytes_) {
        ++new_file;
      } else {
        ++torn;
        ASSERT_FALSE(backup.empty())
            << c.name << " round " << round << ": the file is torn and no backup says so";
      }
    }
    std::printf("%s: save %.1f ms; %d kills: %d old, %d new, %d torn with a backup (%d backups)\n",
                c.name.c_str(), span / 1000.0, rounds, old_file, new_file, torn, backups);
    // Saved again, the file is whole and the backup gone.
    ASSERT_EQ(Finish(StartSave(c), false), 0) << c.name;
    EXPECT_TRUE(ReadFileBytes(c.file) == new_bytes_) << c.name;
    EXPECT_EQ(InterruptedSaveBackup(c.file), "") << c.name;
    EXPECT_FALSE(fs::exists(backup_folder + "/." + fs::path(c.file).filename().string() +
                            ".typelane-backup"));

    // Past the file-size limit the save reports an error and the file is the
    // old one, with no backup left: the signal does not end the save.
    Reset(c.file, old_bytes_);
    EXPECT_EQ(Finish(StartSave(c, old_bytes_.size() + 4096), false), 1) << c.name;
    EXPECT_TRUE(ReadFileBytes(c.file) == old_bytes_) << c.name;
    EXPECT_EQ(InterruptedSaveBackup(c.file), "") << c.name;
  }

  TempDir dir_;
  std::string data_;
  std::string old_bytes_;
  std::string new_bytes_;
  std::mt19937 random_{std::random_device()()};
};

TEST_F(TornSaves, AKillLeavesAWholeFileOrAWholeBackupThatTheNextOpenFinds) {
  // A sheet with a second name.
  const std::string linked = dir_ / "linked.tyl";
  std::ofstream(linked, std::ios::binary) << old_bytes_;
  fs::create_hard_link(linked, dir_ / "also.tyl");
  KillRounds({"hard link", linked}, 20, dir_.Path());
  EXPECT_EQ(fs::hard_link_count(linked), 2u);

  if (::geteuid() != 0) GTEST_SKIP() << "saving as another user needs root";
  // A sheet the user may write in a folder the user may not: the backup goes
  // to the user's data folder.
  const std::string shut = dir_ / "shut";
  fs::create_directory(shut);
  ASSERT_EQ(::chmod(shut.c_str(), 0755), 0);
  const std::string in_shut = shut + "/orders.tyl";
  std::ofstream(in_shut, std::ios::binary) << old_bytes_;
  ASSERT_EQ(::chown(in_shut.c_str(), kNobody, kNoGroup), 0);
  KillRounds({"folder not writable", in_shut, true}, 20, data_ + "/typelane/backups");

  // A sheet another user owns, which this user may write: a new file could
  // not keep the owner.
  const std::string open_dir = dir_ / "open";
  fs::create_directory(open_dir);
  ASSERT_EQ(::chmod(open_dir.c_str(), 0777), 0);
  const std::string foreign = open_dir + "/orders.tyl";
  std::ofstream(foreign, std::ios::binary) << old_bytes_;
  ASSERT_EQ(::chmod(foreign.c_str(), 0666), 0);
  KillRounds({"foreign owner", foreign, true}, 20, open_dir);
  struct stat st {};
  ASSERT_EQ(::stat(foreign.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
}

}  // namespace
}  // namespace typelane
