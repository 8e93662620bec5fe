#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/common/FileSystem.h"
#include "core/files/ProgramFolder.h"
#include "support/TempDir.h"

namespace typelane {
namespace {

namespace fs = std::filesystem;

// What a user's run learns never lands in an installed program folder, even
// one the user can write (root and /usr, or a prefix of the user's own), but
// a build folder or a portable copy keeps its data beside the program.
TEST(UserFolders, AnInstalledProgramFolderIsNeverWritten) {
  testing::TempDir dir;
  const std::string user = dir / "home/.local/share/typelane/";

  // Installed into a prefix: the executable in lib/typelane, reached through
  // the link in bin/.
  const std::string prefix = dir / "prefix";
  const std::string program = prefix + "/lib/typelane/";
  fs::create_directories(program);
  fs::create_directories(prefix + "/bin");
  WriteFileAtomic(program + "typelane-cli", "");
  fs::create_symlink("../lib/typelane/typelane-cli", prefix + "/bin/typelane-cli");
  ASSERT_TRUE(FolderWritable(program));
  EXPECT_TRUE(InstalledProgramFolder(program));
  EXPECT_EQ(DataFileToWrite(user, program, "droplists.dat"), user + "droplists.dat");
  EXPECT_EQ(DataFileToWrite(user, program, "commands.dat"), user + "commands.dat");
  EXPECT_TRUE(fs::is_directory(user));
  // Read from the program folder until the user has a copy of their own.
  EXPECT_EQ(DataFileToRead(user, program, "commands.dat"), program + "commands.dat");

  // A link elsewhere in bin/ does not make a folder installed.
  const std::string other = prefix + "/lib/other/";
  fs::create_directories(other);
  EXPECT_FALSE(InstalledProgramFolder(other));

  // The system's desktop entry beside the program marks it too, under either name.
  for (const char* entry : kDesktopEntryNames) {
    const std::string base = dir / ("desk-" + std::string(entry));
    fs::create_directories(base + "/share/applications");
    fs::create_directories(base + "/lib/x86_64-linux-gnu/typelane");
    WriteFileAtomic(base + "/share/applications/" + entry, "");
    EXPECT_TRUE(InstalledProgramFolder(base + "/lib/x86_64-linux-gnu/typelane/")) << entry;
  }
  EXPECT_TRUE(InstalledProgramFolder("/usr/lib/typelane/"));
  EXPECT_TRUE(InstalledProgramFolder("/usr/bin/"));

  // A build folder: the executables themselves in bin/, data written there.
  const std::string build = dir / "build/bin/";
  fs::create_directories(build);
  WriteFileAtomic(build + "typelane-cli", "");
  EXPECT_FALSE(InstalledProgramFolder(build));
  EXPECT_EQ(DataFileToWrite(dir / "other-user/", build, "droplists.dat"), build + "droplists.dat");
  EXPECT_FALSE(InstalledProgramFolder(""));
}

}  // namespace
}  // namespace typelane
