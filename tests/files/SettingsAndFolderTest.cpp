#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

#include "FilesTestSupport.h"
#include "SystemReasons.h"
#include "core/common/Errors.h"
#include "core/files/ProgramFolder.h"
#include "core/settings/Options.h"
#include "core/settings/SettingsStore.h"

namespace typelane {
namespace {

TEST(OptionDefaults, FirstStartThenSavedAndReloaded) {
  testing::TempDir dir;
  const std::string ini = dir / "config/typelane/settings.ini";
  {
    // No file yet: the built-in defaults.
    IniSettingsStore store(ini);
    const Options o = LoadOptionDefaults(store);
    EXPECT_FALSE(o.hour_glass);
    EXPECT_TRUE(o.auto_insert);
    EXPECT_TRUE(o.progress_bar);
    EXPECT_FALSE(o.title_size);
    EXPECT_FALSE(o.exit_apps);
    EXPECT_EQ(o.data_source, 0);
    EXPECT_EQ(o.import_load, 0);
    EXPECT_EQ(o.data_colour, 16777215);
    EXPECT_EQ(o.command_colour, 16777215);
    EXPECT_EQ(o.keystroke_colour, 16777215);
    EXPECT_EQ(o.user_name, "");
    EXPECT_EQ(o.password, "");
    EXPECT_EQ(o.responsibility, "");
  }
  Options changed;
  changed.hour_glass = true;
  changed.auto_insert = false;
  changed.progress_bar = false;
  changed.title_size = true;
  changed.exit_apps = true;
  changed.data_source = 1;
  changed.import_load = 1;
  changed.data_colour = 0x000000FF;
  changed.command_colour = -16777216;
  changed.keystroke_colour = 0;
  changed.user_name = "SYSADMIN";
  changed.password = "pa%ss=wo;rd %CR% [x]";
  changed.responsibility = "line one\r\nline two\rthree\nfour";
  {
    IniSettingsStore store(ini);
    ASSERT_TRUE(SaveOptionDefaults(store, changed));
  }
  {
    // A new store object reads the same values back from the file.
    IniSettingsStore store(ini);
    EXPECT_EQ(LoadOptionDefaults(store), changed);
  }
  {
    // A value that is missing takes its default; the others stay.
    MemorySettingsStore store;
    store.WriteInt(kOptionsKey, "TitleSize", 7);  // any value but 0 is on
    const Options o = LoadOptionDefaults(store);
    EXPECT_TRUE(o.title_size);
    EXPECT_TRUE(o.auto_insert);
    store.read_only = true;
    EXPECT_FALSE(SaveOptionDefaults(store, changed));
  }
}

TEST(SettingsStore, ValueNamesIgnoreLetterCaseAndKeepTheirSpelling) {
  testing::TempDir dir;
  MemorySettingsStore memory;
  IniSettingsStore ini(dir / "settings.ini");
  for (SettingsStore* store : std::initializer_list<SettingsStore*>{&memory, &ini}) {
    ASSERT_TRUE(store->WriteInt(kOptionsKey, "HourGlass", 1));
    // Another spelling is the same value, as in the registry.
    ASSERT_TRUE(store->WriteInt("software\\VELTRAX\\typelane\\options", "hourglass", 0));
    EXPECT_EQ(store->ReadInt(kOptionsKey, "HOURGLASS"), 0);
    EXPECT_EQ(store->ValueNames(kOptionsKey), std::vector<std::string>{"HourGlass"});
    EXPECT_FALSE(LoadOptionDefaults(*store).hour_glass);
  }
  // The file holds the value once, under its first spelling.
  EXPECT_EQ(ReadFileBytes(dir / "settings.ini"),
            "[Software\\Veltrax\\Typelane\\Options]\r\nHourGlass=i:0\r\n");
  // A file edited by hand with two spellings: the later line counts.
  testing::WriteBytes(dir / "hand.ini",
                      "[Software\\Veltrax\\Typelane\\Options]\r\n"
                      "titlesize=i:0\r\nTitleSize=i:1\r\n");
  IniSettingsStore hand(dir / "hand.ini");
  EXPECT_TRUE(LoadOptionDefaults(hand).title_size);
}

TEST(SettingsStore, TwoProgramsOnOneFileKeepEachOthersValues) {
  testing::TempDir dir;
  const std::string path = dir / "settings.ini";
  testing::WriteBytes(path,
                      "; kept by hand\r\n[Software\\Veltrax\\Typelane\\Options]\r\n"
                      "UserName=s:first\r\nunknown line\r\n\r\n[Other]\r\nX=s:1\r\n");
  // Two running programs, each with its own store on the same file.
  IniSettingsStore window(path);
  IniSettingsStore tool(path);

  // One saves its option defaults, the other its recent files afterwards:
  // neither undoes the other.
  Options options;
  options.user_name = "SYSADMIN";
  options.hour_glass = true;
  ASSERT_TRUE(SaveOptionDefaults(window, options));
  ASSERT_TRUE(tool.WriteString(kRecentFilesKey, "File1", "/home/a.tyl"));
  EXPECT_EQ(LoadOptionDefaults(tool), options);
  EXPECT_EQ(window.ReadString(kRecentFilesKey, "File1"), "/home/a.tyl");
  ASSERT_TRUE(window.WriteString(kRecentFilesKey, "File2", "/home/b.tyl"));
  EXPECT_EQ(tool.ReadString(kRecentFilesKey, "File1"), "/home/a.tyl");
  EXPECT_EQ(tool.ReadString(kRecentFilesKey, "File2"), "/home/b.tyl");
  EXPECT_EQ(IniSettingsStore(path).ReadString(kOptionsKey, "UserName"), "SYSADMIN");

  // Lines the store does not know stay where they were.
  const std::string text = ReadFileBytes(path);
  EXPECT_TRUE(
      text.starts_with("; kept by hand\r\n[Software\\Veltrax\\Typelane\\Options]\r\n"
                       "UserName=s:SYSADMIN\r\nunknown line\r\n"))
      << text;
  EXPECT_NE(text.find("[Other]\r\nX=s:1\r\n"), std::string::npos) << text;

  // A file that is there but cannot be read is never replaced by a write.
  std::filesystem::remove(path);
  std::filesystem::create_directories(path + "/dir");
  EXPECT_FALSE(window.WriteInt(kOptionsKey, "HourGlass", 0));
  EXPECT_TRUE(std::filesystem::is_directory(path + "/dir"));
}

// What the user reads when the option defaults cannot be stored: the program's
// text, then the settings file and the system's reason.
std::string MakeDefaultMessage(const SettingsStore& store) {
  return WithFileReason("Failed to save the option defaults.", store.LastFailure());
}

TEST(SettingsStore, AFailedWriteNamesTheSettingsFileAndTheReason) {
  testing::TempDir dir;
  Options changed;
  changed.hour_glass = true;

  // A settings file the user made read-only is left as it was.
  const std::string locked = dir / "locked/settings.ini";
  std::filesystem::create_directories(dir / "locked");
  testing::WriteBytes(locked, "[Software\\Veltrax\\Typelane\\Options]\r\nHourGlass=i:0\r\n");
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
  IniSettingsStore read_only_file(locked);
  EXPECT_FALSE(SaveOptionDefaults(read_only_file, changed));
  EXPECT_EQ(MakeDefaultMessage(read_only_file),
            "Failed to save the option defaults.\r" + locked + ": The file is read-only");
  EXPECT_FALSE(LoadOptionDefaults(IniSettingsStore(locked)).hour_glass);

  // A folder of the settings path that is a file: the folder cannot be made.
  testing::WriteBytes(dir / "config", "not a folder");
  const std::string unreachable = dir / "config/typelane/settings.ini";
  IniSettingsStore no_folder(unreachable);
  EXPECT_FALSE(no_folder.CreateKey(kRecentFilesKey));
  const std::string message = MakeDefaultMessage(no_folder);
  EXPECT_TRUE(message.starts_with("Failed to save the option defaults.\r" + unreachable + ": "))
      << message;
  EXPECT_GT(message.size(), ("Failed to save the option defaults.\r" + unreachable + ": ").size());

  // Settings kept in memory have no file to name: the message alone.
  MemorySettingsStore memory;
  memory.read_only = true;
  EXPECT_FALSE(SaveOptionDefaults(memory, changed));
  EXPECT_EQ(MakeDefaultMessage(memory), "Failed to save the option defaults.");

  // Once the file can be written again, the defaults are kept.
  std::filesystem::permissions(locked, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_TRUE(SaveOptionDefaults(read_only_file, changed));
  EXPECT_TRUE(LoadOptionDefaults(IniSettingsStore(locked)).hour_glass);
}

TEST(ProgramFolder, FromTheExecutablePath) {
  EXPECT_EQ(ProgramFolderFromPath("C:\\Program Files\\Typelane\\TYPELANE.EXE"),
            "C:\\Program Files\\Typelane\\");
  EXPECT_EQ(ProgramFolderFromPath("C:\\Tools\\typelane.exe"), "C:\\Tools\\");
  EXPECT_EQ(ProgramFolderFromPath("/opt/typelane/bin/typelane"), "/opt/typelane/bin/");
  EXPECT_EQ(ProgramFolderFromPath("/opt/typelane/bin/typelane-cli"), "/opt/typelane/bin/");
  EXPECT_EQ(ProgramFolderFromPath("typelane"), "");
  EXPECT_EQ(ProgramFolderFromPath("C:\\Tools\\loader.exe"), "");
  EXPECT_EQ(ProgramFolderFromPath("/usr/bin/typelaneX"), "");
  EXPECT_EQ(InProgramFolder("/opt/t/", "commands.dat"), "/opt/t/commands.dat");
  EXPECT_EQ(InProgramFolder("", "commands.dat"), "commands.dat");
}

TEST(ProgramFolder, CommandsComeFromTheProgramFolder) {
  testing::DocumentHarness h;
  EXPECT_EQ(h.doc->CommandsPath(), h.dir / "commands.dat");
  EXPECT_EQ(h.doc->DropListsPath(), h.dir / "droplists.dat");

  // Without commands.dat the table keeps what it held and says so.
  std::filesystem::remove(h.dir / "commands.dat");
  h.doc->NewSheet();
  EXPECT_EQ(h.Messages(), std::vector<std::string>{
                              "Failed to open the commands file - no default commands loaded.\r" +
                              (h.dir / "commands.dat") + ": " + testing::NoSuchFileReason()});
  EXPECT_EQ(h.doc->commands.SaveLines(), testing::kDefaultCommands);
  // The hourglass is gone before the failure is told.
  EXPECT_EQ(h.prompter.shown[0].busy, 0);

  // Make Default writes the table back.
  EXPECT_TRUE(h.doc->SaveCommands());
  EXPECT_EQ(ReadFileBytes(h.dir / "commands.dat"), testing::Join(testing::kDefaultCommands));

  // A folder where commands.dat should be: the save fails and says so.
  std::filesystem::remove(h.dir / "commands.dat");
  std::filesystem::create_directories(h.dir / "commands.dat/inside");
  h.prompter.shown.clear();
  EXPECT_FALSE(h.doc->SaveCommands());
  ASSERT_EQ(h.Messages(), std::vector<std::string>{"Failed to save the commands file.\r" +
                                                   (h.dir / "commands.dat") + ": Is a directory"});
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane Error");
  EXPECT_EQ(h.prompter.shown[0].busy, 0);
  EXPECT_EQ(h.prompter.busy_depth, 0);
}

// Sets an environment variable for the length of a test and puts the old value
// back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(name, value);
  }
  ~ScopedEnv() { Set(name_, old_ ? old_->c_str() : nullptr); }

  static void Set(const char* name, const char* value) {
#if defined(_WIN32)
    _putenv_s(name, value ? value : "");  // an empty value removes it
#else
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
#endif
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ProgramFolder, TheUsersDataFolder) {
#if defined(_WIN32)
  {
    ScopedEnv app_data("APPDATA", "C:\\Users\\ann\\AppData\\Roaming");
    EXPECT_EQ(UserDataFolder(), "C:\\Users\\ann\\AppData\\Roaming\\Typelane\\");
  }
  {
    ScopedEnv app_data("APPDATA", nullptr);
    EXPECT_EQ(UserDataFolder(), "");
  }
#else
  {
    ScopedEnv data("XDG_DATA_HOME", "/srv/data");
    ScopedEnv home("HOME", "/home/ann");
    EXPECT_EQ(UserDataFolder(), "/srv/data/typelane/");
  }
  {
    // Unset, empty or relative: the default under the home folder.
    ScopedEnv home("HOME", "/home/ann/");
    for (const char* value : {static_cast<const char*>(nullptr), "", "data"}) {
      ScopedEnv data("XDG_DATA_HOME", value);
      EXPECT_EQ(UserDataFolder(), "/home/ann/.local/share/typelane/");
    }
  }
  {
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_EQ(UserDataFolder(), "");
  }
#endif
}

TEST(ProgramFolder, DataFilesOfTheUserComeFirst) {
  testing::DocumentHarness h;
  Document& d = *h.doc;
  const std::string user = h.dir / "user";
  EXPECT_TRUE(FolderWritable(h.dir.Folder()));

  // Nothing in the user's folder: read and written in the program folder.
  EXPECT_EQ(d.CommandsPathForWriting(), h.dir / "commands.dat");
  EXPECT_EQ(d.DropListsPathForWriting(), h.dir / "droplists.dat");

  // The user's own commands.dat is the one read, and the one Make Default writes.
  std::filesystem::create_directories(user);
  WriteFileAtomic(user + "/commands.dat", "Name\tNote\tMine\tLast\r\nMINE\t\tx\t\r\n");
  d.NewSheet();
  EXPECT_EQ(d.GroupItems(), std::vector<std::string>{"Mine"});
  d.commands.SetCell(1, 2, "y");
  ASSERT_TRUE(d.SaveCommands());
  EXPECT_EQ(ReadFileBytes(user + "/commands.dat"), "Name\tNote\tMine\tLast\r\nMINE\t\ty\t\r\n");
  EXPECT_EQ(ReadFileBytes(h.dir / "commands.dat"), testing::Join(testing::kDefaultCommands));

  // An installed program whose folder cannot be written (its path runs through
  // a file, which no one can write into, root included): its commands.dat is
  // read, and Make Default writes the user's copy, making the folder.
  WriteFileAtomic(h.dir / "installed", "");
  EXPECT_FALSE(FolderWritable(h.dir / "installed/"));
  EXPECT_FALSE(FolderWritable(h.dir / "no-such-folder/"));
  Document installed(h.prompter, h.store, h.dir.Folder());
  installed.SetUserFolder(h.dir / "fresh-user/");
  installed.NewSheet();
  EXPECT_EQ(installed.GroupItems(), (std::vector<std::string>{"GroupA", "GroupB"}));
  Document locked(h.prompter, h.store, h.dir / "installed/");
  locked.SetUserFolder(h.dir / "fresh-user/");
  locked.commands = installed.commands;
  ASSERT_TRUE(locked.SaveCommands());
  EXPECT_EQ(ReadFileBytes(h.dir / "fresh-user/commands.dat"),
            testing::Join(testing::kDefaultCommands));
  // From then on that copy is the user's and comes first.
  EXPECT_EQ(installed.CommandsPath(), h.dir / "fresh-user/commands.dat");
  EXPECT_EQ(installed.CommandsPathForWriting(), h.dir / "fresh-user/commands.dat");
}

}  // namespace
}  // namespace typelane
