#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/common/FileSystem.h"
#include "core/settings/Options.h"
#include "core/settings/SecretStore.h"
#include "core/settings/SettingsStore.h"
#include "support/TempDir.h"

namespace typelane {
namespace {

constexpr const char* kRecentFiles = "Software\\Veltrax\\Typelane\\RecentFiles";

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(old_); }

 private:
  mode_t old_;
};

// A secret store in memory that can be made unreachable.
class FakeSecrets : public SecretStore {
 public:
  std::optional<std::string> Lookup(std::string_view user) override {
    if (!reachable) return std::nullopt;
    auto it = kept.find(std::string(user));
    if (it == kept.end()) return std::nullopt;
    return it->second;
  }
  bool Store(std::string_view user, std::string_view secret) override {
    if (!reachable) return false;
    kept[std::string(user)] = std::string(secret);
    return true;
  }
  bool Remove(std::string_view user) override {
    if (!reachable) return false;
    kept.erase(std::string(user));
    return true;
  }
  bool reachable = true;
  std::map<std::string, std::string> kept;
};

TEST(SettingsFile, PrivateWhateverTheUmaskAndOnlyAnAbsoluteConfigHome) {
  testing::TempDir dir;
  const std::string home = dir / "home";
  ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
  ScopedEnv home_env("HOME", home.c_str());
  {
    // A relative folder would depend on where the program starts: ignored.
    ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(IniSettingsStore::DefaultPath(), home + "/.config/typelane/settings.ini");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "cfg").c_str());
    EXPECT_EQ(IniSettingsStore::DefaultPath(), dir / "cfg/typelane/settings.ini");
  }
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  const std::string path = IniSettingsStore::DefaultPath();
  for (mode_t mask : {0000, 0022, 0277}) {
    std::filesystem::remove_all(home + "/.config");
    ScopedUmask umask(mask);
    IniSettingsStore store(path);
    ASSERT_TRUE(store.WriteInt(kOptionsKey, "HourGlass", 1)) << mask;
    EXPECT_EQ(ModeOf(path), 0600u) << mask;
    EXPECT_EQ(ModeOf(home + "/.config/typelane"), 0700u) << mask;
    EXPECT_EQ(ModeOf(home + "/.config"), 0700u) << mask;
    EXPECT_EQ(ModeOf(home), 0755u) << mask;  // not ours to change
    EXPECT_EQ(IniSettingsStore(path).ReadInt(kOptionsKey, "HourGlass"), 1);
  }
  // A file an older version left readable by everyone is the user's alone
  // after the next write.
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  IniSettingsStore store(path);
  ASSERT_TRUE(store.WriteString(kRecentFiles, "File1", "/a.tyl"));
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(IniSettingsStore(path).ReadInt(kOptionsKey, "HourGlass"), 1);
}

TEST(SettingsSecrets, PasswordInTheSecretStoreElseInThePrivateFileSaidOnce) {
  testing::TempDir dir;
  const std::string path = dir / "config/typelane/settings.ini";
  FakeSecrets secrets;
  std::vector<std::string> told;
  auto warn = [&told](const std::string& text) { told.push_back(text); };
  Options options;
  options.user_name = "SYSADMIN";
  options.password = "WELCOME";
  options.hour_glass = true;

  // A secret store: the file holds no password, and it reads back.
  {
    IniSettingsStore store(path);
    store.KeepSecretsIn(&secrets, warn);
    ASSERT_TRUE(SaveOptionDefaults(store, options));
    EXPECT_EQ(ReadFileBytes(path).find("WELCOME"), std::string::npos) << ReadFileBytes(path);
    EXPECT_EQ(ReadFileBytes(path).find("Password"), std::string::npos) << ReadFileBytes(path);
    EXPECT_EQ(secrets.kept, (std::map<std::string, std::string>{{"SYSADMIN", "WELCOME"}}));
    IniSettingsStore again(path);
    again.KeepSecretsIn(&secrets, warn);
    EXPECT_EQ(LoadOptionDefaults(again), options);
    // Without the secret store the file alone has no password to give.
    EXPECT_EQ(LoadOptionDefaults(IniSettingsStore(path)).password, "");
    // Clearing the password forgets it in the secret store too.
    Options cleared = options;
    cleared.password.clear();
    ASSERT_TRUE(SaveOptionDefaults(store, cleared));
    EXPECT_TRUE(secrets.kept.empty());
    EXPECT_EQ(LoadOptionDefaults(again), cleared);
    EXPECT_TRUE(told.empty());
  }

  // A password an older version left in the file still reads, and the next
  // write of any value moves it to the secret store.
  testing::TempDir old_dir;
  const std::string old_path = old_dir / "settings.ini";
  WriteFileAtomic(old_path,
                  "[Software\\Veltrax\\Typelane\\Options]\r\nUserName=s:bob\r\n"
                  "Password=s:OLD%%PW\r\n");
  {
    IniSettingsStore store(old_path);
    store.KeepSecretsIn(&secrets, warn);
    // The file's is the newer: it was written where the secret store was out of reach.
    secrets.kept["bob"] = "STALE";
    EXPECT_EQ(LoadOptionDefaults(store).password, "OLD%PW");
    ASSERT_TRUE(store.WriteString(kRecentFiles, "File1", "/a.tyl"));
    EXPECT_EQ(secrets.kept["bob"], "OLD%PW");
    EXPECT_EQ(ReadFileBytes(old_path).find("OLD"), std::string::npos) << ReadFileBytes(old_path);
    EXPECT_EQ(LoadOptionDefaults(store).password, "OLD%PW");
    EXPECT_EQ(store.ReadString(kRecentFiles, "File1"), "/a.tyl");
    EXPECT_TRUE(told.empty());
  }

  // No secret store to reach: the password stays in the file, which only the
  // user can read, and the user is told once.
  secrets.reachable = false;
  {
    IniSettingsStore store(path);
    store.KeepSecretsIn(&secrets, warn);
    ASSERT_TRUE(SaveOptionDefaults(store, options));
    EXPECT_NE(ReadFileBytes(path).find("Password=s:WELCOME\r\n"), std::string::npos);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(told, std::vector<std::string>{
                        "No secret store of the desktop (GNOME Keyring, KWallet) could be reached, "
                        "so the sign-on password is kept in the settings file, which only you can "
                        "read:\r" +
                        path});
    options.password = "NEXT";
    ASSERT_TRUE(SaveOptionDefaults(store, options));
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(LoadOptionDefaults(store), options);
  }
}

// Each child writes its own values through a store of its own, all at once.
TEST(SettingsStore, TwoProcessesWritingAtOnceKeepEveryValue) {
  testing::TempDir dir;
  const std::string path = dir / "settings.ini";
  constexpr int kValues = 200;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (const char* who : {"A", "B"}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(go[1]);
      char c;
      // Both start when the parent closes the pipe.
      (void)!::read(go[0], &c, 1);
      IniSettingsStore store(path);
      bool ok = true;
      for (int i = 0; i < kValues; ++i) {
        ok &= store.WriteInt(std::string("Writer") + who, "Value" + std::to_string(i), i);
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  ::close(go[0]);
  ::close(go[1]);
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  IniSettingsStore store(path);
  for (const char* who : {"WriterA", "WriterB"}) {
    EXPECT_EQ(store.ValueNames(who).size(), static_cast<size_t>(kValues)) << who;
    for (int i = 0; i < kValues; ++i) {
      EXPECT_EQ(store.ReadInt(who, "Value" + std::to_string(i)), i) << who << i;
    }
  }
  // A store that has read the file sees what another writes afterwards, even a
  // value of the same length.
  IniSettingsStore other(path);
  ASSERT_TRUE(other.WriteInt("WriterA", "Value3", 4));
  EXPECT_EQ(store.ReadInt("WriterA", "Value3"), 4);
}

}  // namespace
}  // namespace typelane
