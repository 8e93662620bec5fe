#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

#include "core/files/LoadLog.h"
#include "core/files/ProgramFolder.h"
#include "support/TempDir.h"

namespace typelane {
namespace {

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// The data folder (the user's commands and drop lists) and its logs show what
// the user loads where: only the user may look into them, whatever the umask.
TEST(UserFolders, DataAndLogFoldersAreTheUsersAlone) {
  testing::TempDir dir;
  const mode_t old_mask = ::umask(0);
  const std::string user = dir / "share/typelane/";
  // A program folder nobody can write into: commands.dat goes to the user's.
  EXPECT_EQ(DataFileToWrite(user, dir / "no-such/program/", "commands.dat"), user + "commands.dat");
  EXPECT_EQ(ModeOf(dir / "share"), 0700u);
  EXPECT_EQ(ModeOf(user), 0700u);
  auto log = LoadLog::CreateIn(LoadLog::FolderIn(user), "sheet", std::chrono::system_clock::now());
  EXPECT_NE(log, nullptr);
  EXPECT_EQ(ModeOf(user + "logs"), 0700u);
  ::umask(old_mask);
}

}  // namespace
}  // namespace typelane
