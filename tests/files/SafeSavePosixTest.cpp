// Saving writes the file the user has, as the user set it up: mode, owner and
// group stay, links are saved through, read-only files are refused, FIFOs and
// devices are written as they are, and no temporary file is left or abused.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "FilesTestSupport.h"
#include "core/common/Errors.h"
#include "support/FileSizeLimit.h"

namespace typelane {
namespace {

namespace fs = std::filesystem;
using testing::DocumentHarness;
using testing::FileSizeLimit;
using testing::TempDir;

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

mode_t ModeOf(const std::string& path) { return StatOf(path).st_mode & 07777; }

// Everything in a folder, by name.
std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The reason a save fails with, or "" when it succeeds.
std::string SaveFailure(const std::string& path, std::string_view bytes) {
  try {
    WriteFileAtomic(path, bytes);
  } catch (const FileError& e) {
    EXPECT_EQ(e.Path(), path);
    return e.Reason();
  }
  return "";
}

class Umask {
 public:
  explicit Umask(mode_t mask) : old_(::umask(mask)) {}
  ~Umask() { ::umask(old_); }

 private:
  mode_t old_;
};

class NamedTemporaries {
 public:
  explicit NamedTemporaries(std::vector<std::string> suffixes = {}) {
    file_system_testing::UseNamedTemporaries(true, std::move(suffixes));
  }
  ~NamedTemporaries() { file_system_testing::UseNamedTemporaries(false); }
};

TEST(SafeSave, KeepsModeOwnerAndGroup) {
  TempDir dir;
  Umask mask(022);
  for (bool named : {false, true}) {
    std::optional<NamedTemporaries> use_named;
    if (named) use_named.emplace();
    // A playback file holds the sign-on password: 600 stays 600.
    const std::string secret = dir / "signon.fpb";
    WriteFileAtomic(secret, "old\r\n");
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    WriteFileAtomic(secret, "new\r\n");
    EXPECT_EQ(ModeOf(secret), 0600u) << named;
    EXPECT_EQ(ReadFileBytes(secret), "new\r\n");

    const std::string shared = dir / "shared.tyl";
    WriteFileAtomic(shared, "old\r\n");
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
    WriteFileAtomic(shared, "new\r\n");
    EXPECT_EQ(ModeOf(shared), 0664u) << named;

    // Owner and group, where this user may give them.
    const struct stat before = StatOf(shared);
    uid_t owner = before.st_uid;
    gid_t group = before.st_gid;
    if (::geteuid() == 0) {
      owner = 4321;
      group = 4322;
    } else {
      std::vector<gid_t> groups(static_cast<size_t>(::getgroups(0, nullptr)));
      const int n = ::getgroups(static_cast<int>(groups.size()), groups.data());
      for (int i = 0; i < n; ++i) {
        if (groups[static_cast<size_t>(i)] != group) group = groups[static_cast<size_t>(i)];
      }
    }
    ASSERT_EQ(::chown(shared.c_str(), owner, group), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0640), 0);
    WriteFileAtomic(shared, "newer\r\n");
    EXPECT_EQ(StatOf(shared).st_uid, owner) << named;
    EXPECT_EQ(StatOf(shared).st_gid, group) << named;
    EXPECT_EQ(ModeOf(shared), 0640u) << named;
    EXPECT_EQ(ReadFileBytes(shared), "newer\r\n");
  }
  // A new file is made as the user's umask says.
  Umask private_mask(027);
  WriteFileAtomic(dir / "new.tyl", "x\r\n");
  EXPECT_EQ(ModeOf(dir / "new.tyl"), 0640u);
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"new.tyl", "shared.tyl", "signon.fpb"}));

  // The document's save keeps them too.
  DocumentHarness h;
  const std::string tyl = h.dir / "orders.tyl";
  WriteFileAtomic(tyl, "old\r\n");
  ASSERT_EQ(::chmod(tyl.c_str(), 0600), 0);
  h.prompter.files.push_back(FileChoice{tyl, 1});
  h.doc->sheet.SetCell(1, 1, "x");
  h.doc->sheet.RaiseExtent(1, 1);
  ASSERT_TRUE(h.doc->SaveFile(true));
  EXPECT_EQ(ModeOf(tyl), 0600u);
  EXPECT_NE(ReadFileBytes(tyl), "old\r\n");
}

TEST(SafeSave, SavesThroughLinks) {
  TempDir dir;
  fs::create_directories(dir / "real");
  const std::string file = dir / "real/sheet.tyl";
  WriteFileAtomic(file, "old\r\n");

  // A relative link, and a link to that link: both stay links, the file they
  // lead to gets the new text.
  fs::create_symlink("real/sheet.tyl", dir / "link.tyl");
  fs::create_symlink(dir / "link.tyl", dir / "link2.tyl");
  for (bool named : {false, true}) {
    std::optional<NamedTemporaries> use_named;
    if (named) use_named.emplace();
    for (const char* link : {"link.tyl", "link2.tyl"}) {
      const std::string text = std::string(link) + (named ? " named" : "") + "\r\n";
      WriteFileAtomic(dir / link, text);
      EXPECT_TRUE(fs::is_symlink(dir / "link.tyl"));
      EXPECT_TRUE(fs::is_symlink(dir / "link2.tyl"));
      EXPECT_EQ(fs::read_symlink(dir / "link.tyl"), "real/sheet.tyl");
      EXPECT_EQ(ReadFileBytes(file), text);
    }
  }
  EXPECT_EQ(Listing(dir / "real"), std::vector<std::string>{"sheet.tyl"});

  // A link that leads to no file yet: the file is made where it points.
  fs::create_symlink("real/later.tyl", dir / "later-link.tyl");
  WriteFileAtomic(dir / "later-link.tyl", "first\r\n");
  EXPECT_TRUE(fs::is_symlink(dir / "later-link.tyl"));
  EXPECT_EQ(ReadFileBytes(dir / "real/later.tyl"), "first\r\n");

  // Hard links: every name sees the new text; it is still one file.
  const std::string a = dir / "a.txt";
  const std::string b = dir / "b.txt";
  WriteFileAtomic(a, "old old old\r\n");
  ASSERT_EQ(::link(a.c_str(), b.c_str()), 0);
  const ino_t inode = StatOf(a).st_ino;
  WriteFileAtomic(a, "new\r\n");
  EXPECT_EQ(ReadFileBytes(b), "new\r\n");
  WriteFileAtomic(b, "a much longer new text than before\r\n");
  EXPECT_EQ(ReadFileBytes(a), "a much longer new text than before\r\n");
  EXPECT_EQ(StatOf(a).st_ino, inode);
  EXPECT_EQ(StatOf(a).st_nlink, 2u);
}

TEST(SafeSave, RefusesReadOnlyFiles) {
  DocumentHarness h;
  const std::string file = h.dir / "locked.tyl";
  WriteFileAtomic(file, "keep me\r\n");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  // An administrator could write it; the program still does not.
  const std::string reason = ::geteuid() == 0 ? "The file is read-only" : "Permission denied";
  EXPECT_EQ(SaveFailure(file, "replaced\r\n"), reason);
  EXPECT_EQ(ReadFileBytes(file), "keep me\r\n");
  EXPECT_EQ(ModeOf(file), 0444u);

  // The document says so, and the sheet stays unsaved.
  h.prompter.files.push_back(FileChoice{file, 1});
  h.doc->sheet.SetCell(1, 1, "x");
  h.doc->sheet.RaiseExtent(1, 1);
  h.doc->SetModified(true);
  EXPECT_FALSE(h.doc->SaveFile(true));
  EXPECT_EQ(h.Messages(),
            std::vector<std::string>{"Failed to save the file.\r" + file + ": " + reason});
  EXPECT_TRUE(h.doc->Modified());
  EXPECT_EQ(ReadFileBytes(file), "keep me\r\n");
  EXPECT_EQ(Listing(h.dir.Path()), (std::vector<std::string>{"commands.dat", "locked.tyl"}));
}

TEST(SafeSave, WritesFifosAndDevicesAsTheyAre) {
  TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = ReadFileBytes(fifo); });
  const std::string big(200000, 'x');  // more than a pipe holds
  EXPECT_EQ(SaveFailure(fifo, big), "");
  reader.join();
  EXPECT_EQ(received, big);
  EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
  EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"pipe"});

  // A link to a device is written through as well.
  fs::create_symlink("/dev/null", dir / "nowhere");
  EXPECT_EQ(SaveFailure(dir / "nowhere", "gone\r\n"), "");
  EXPECT_TRUE(fs::is_symlink(dir / "nowhere"));
  fs::create_symlink("/dev/full", dir / "full");
  EXPECT_EQ(SaveFailure(dir / "full", "x\r\n"), "No space left on device");
}

TEST(SafeSave, TheTemporaryFileIsExclusiveAndNeverALink) {
  TempDir dir;
  const std::string target = dir / "orders.tyl";
  const std::string victim = dir / "victim.txt";
  WriteFileAtomic(target, "old\r\n");
  WriteFileAtomic(victim, "not yours\r\n");
  // Someone who knows the next temporary names prepares links there.
  const std::string link_name = file_system_testing::TemporaryName("orders.tyl", "AAAAAA");
  const std::string file_name = file_system_testing::TemporaryName("orders.tyl", "BBBBBB");
  fs::create_symlink(victim, dir / link_name);
  {
    NamedTemporaries named({"AAAAAA", "BBBBBB"});
    ASSERT_EQ(::symlink("victim.txt", (dir / file_name).c_str()), 0);
    WriteFileAtomic(target, "new\r\n");
  }
  EXPECT_EQ(ReadFileBytes(target), "new\r\n");
  EXPECT_EQ(ReadFileBytes(victim), "not yours\r\n");
  EXPECT_FALSE(fs::is_symlink(target));
  // What was prepared is left alone: it is not the program's to remove.
  EXPECT_EQ(Listing(dir.Path()),
            (std::vector<std::string>{link_name, file_name, "orders.tyl", "victim.txt"}));
  EXPECT_EQ(fs::read_symlink(dir / link_name), victim);

  // The test whether a folder takes new files never writes through a link
  // either, and leaves nothing behind.
  const std::string probe = file_system_testing::TemporaryName("typelane-probe", "CCCCCC");
  fs::create_symlink(dir / "made-elsewhere", dir / probe);
  for (bool named : {false, true}) {
    NamedTemporaries use_named({"CCCCCC"});
    if (!named) file_system_testing::UseNamedTemporaries(false, {"CCCCCC"});
    EXPECT_TRUE(CanCreateFilesIn(dir.Path())) << named;
    EXPECT_FALSE(fs::exists(dir / "made-elsewhere")) << named;
  }
  EXPECT_EQ(Listing(dir.Path()),
            (std::vector<std::string>{link_name, file_name, probe, "orders.tyl", "victim.txt"}));
  EXPECT_FALSE(CanCreateFilesIn(dir / "victim.txt"));
  EXPECT_FALSE(CanCreateFilesIn(dir / "missing"));
}

TEST(SafeSave, AFailedSaveLeavesTheFileAndNoTemporary) {
  TempDir dir;
  const std::string target = dir / "orders.tyl";
  const std::string old_text = "the old text\r\n";
  const std::string new_text(100000, 'n');
  for (bool named : {false, true}) {
    std::optional<NamedTemporaries> use_named;
    if (named) use_named.emplace();
    WriteFileAtomic(target, old_text);
    {
      // The disk fills up halfway through the new text.
      FileSizeLimit limit(50000);
      EXPECT_EQ(SaveFailure(target, new_text), "File too large") << named;
    }
    EXPECT_EQ(ReadFileBytes(target), old_text);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"orders.tyl"}) << named;
    // A folder that is not there.
    EXPECT_EQ(SaveFailure(dir / "missing/x.tyl", "x"), "No such file or directory");
    EXPECT_EQ(SaveFailure(dir.Path(), "x"), "Is a directory");
  }

  // A file with two names is written in place, but its space is taken first:
  // a full disk stops the save before a byte changes.
  const std::string other = dir / "other-name.tyl";
  ASSERT_EQ(::link(target.c_str(), other.c_str()), 0);
  {
    FileSizeLimit limit(50000);
    EXPECT_EQ(SaveFailure(target, new_text), "File too large");
  }
  EXPECT_EQ(ReadFileBytes(other), old_text);
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"orders.tyl", "other-name.tyl"}));
}

TEST(SafeSave, TemporariesOfDeadSavesAreRemovedByTheNextSave) {
  TempDir dir;
  const std::string target = dir / "orders.tyl";
  WriteFileAtomic(target, "old\r\n");
  const std::string dead = file_system_testing::TemporaryName("orders.tyl", "dead01");
  const std::string live = file_system_testing::TemporaryName("orders.tyl", "live01");
  const std::string other = file_system_testing::TemporaryName("invoices.tyl", "dead02");
  for (const auto& name : {dead, live, other}) WriteFileAtomic(dir / name, "half a save");
  // A save in progress holds its temporary file locked.
  const int held = ::open((dir / live).c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  WriteFileAtomic(target, "new\r\n");
  ::close(held);
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{other, live, "orders.tyl"}));
}

TEST(FileErrors, MessagesNameTheFileAndTheSystemsReason) {
  DocumentHarness h;
  Document& d = *h.doc;
  const std::string missing = h.dir / "missing.tyl";
  EXPECT_FALSE(d.OpenFile(missing));
  EXPECT_EQ(h.Messages(),
            std::vector<std::string>{
                "Failed to open the file or an error occured during file processing.\r" + missing +
                ": No such file or directory"});

  h.prompter.shown.clear();
  // Through a link, so that no program can ever replace the device itself.
  const std::string full = h.dir / "full";
  fs::create_symlink("/dev/full", full);
  h.prompter.files.push_back(FileChoice{full, 2});
  d.sheet.SetCell(1, 1, "x");
  d.sheet.RaiseExtent(1, 1);
  EXPECT_FALSE(d.SaveFile(true));
  EXPECT_EQ(h.Messages(), std::vector<std::string>{"Failed to save the file.\r" + full +
                                                   ": No space left on device"});

  // commands.dat, read and written.
  const std::string commands = h.dir / "commands.dat";
  fs::remove(commands);
  h.prompter.shown.clear();
  d.LoadCommands({});
  EXPECT_EQ(h.Messages(), std::vector<std::string>{
                              "Failed to open the commands file - no default commands loaded.\r" +
                              commands + ": No such file or directory"});
  fs::create_directories(commands + "/inside");
  h.prompter.shown.clear();
  EXPECT_FALSE(d.SaveCommands());
  EXPECT_EQ(h.Messages(), std::vector<std::string>{"Failed to save the commands file.\r" +
                                                   commands + ": Is a directory"});
}

}  // namespace
}  // namespace typelane
