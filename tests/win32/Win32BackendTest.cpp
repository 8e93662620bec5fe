// The Windows backend's own rules, run under Wine (no display needed): the
// clipboard by delayed rendering, keys released on every way out, the registry
// store with its value types, the file-type associations, the shell and Excel.

#include <gtest/gtest.h>
#include <windows.h>
// The Platform method, not windows.h's macro for VkKeyScanA.
#undef VkKeyScan

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/document/Document.h"
#include "core/settings/Options.h"
#include "platform/win32/ExcelAutomation.h"
#include "platform/win32/FileAssociations.h"
#include "platform/win32/RegistrySettingsStore.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32Text.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace typelane::win32 {
namespace {

using Root = RegistrySettingsStore::Root;

// What a pasting program gets: the clipboard read from outside, in one format.
std::string ReadClipboard(UINT format) {
  if (!OpenClipboard(nullptr)) return "<cannot open>";
  std::string bytes = "<none>";
  if (HANDLE h = GetClipboardData(format)) {
    if (format == CF_UNICODETEXT) {
      bytes = Utf8FromWide(static_cast<const wchar_t*>(GlobalLock(h)));
    } else {
      bytes = static_cast<const char*>(GlobalLock(h));
    }
    GlobalUnlock(h);
  }
  CloseClipboard();
  return bytes;
}

bool KeyDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// A registry area of the test's own, removed afterwards, so no test touches a
// user's settings or file types.
struct ScratchKey {
  std::string prefix = "Software\\TypelaneTests\\" + std::to_string(GetCurrentProcessId()) + "\\";
  ~ScratchKey() { RegistrySettingsStore(Root::kCurrentUser).DeleteTree(prefix); }
};

DWORD ValueType(const std::string& key, const char* name) {
  DWORD type = REG_NONE;
  if (RegGetValueW(HKEY_CURRENT_USER, WideFromUtf8(key).c_str(), WideFromUtf8(name).c_str(),
                   RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr) != ERROR_SUCCESS) {
    return REG_NONE;
  }
  return type;
}

TEST(Win32Text, BytesBecomeWideByTheProgramsRule) {
  EXPECT_EQ(WideFromBytes("Caf\xC3\xA9 \xE2\x82\xAC"), L"Caf\u00E9 \u20AC");  // UTF-8
  EXPECT_EQ(WideFromBytes("Caf\xE9 \x80"), L"Caf\u00E9 \u20AC");              // Windows-1252
  EXPECT_EQ(Utf8FromWide(L"\u65E5\u672C"), "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(WideFromUtf8(""), L"");
}

TEST(Win32Clipboard, TextIsHandedOverWhenTheTargetAsksAndStaysAfterwards) {
  std::string error;
  auto clipboard = Win32Clipboard::Open(&error);
  ASSERT_TRUE(clipboard) << error;

  clipboard->SetText("Acme Ltd");
  // Nothing is rendered until someone pastes, so the wait runs to its bound.
  EXPECT_EQ(clipboard->RenderCount(), 0);
  EXPECT_FALSE(clipboard->WaitForPaste(20, 100));
  EXPECT_EQ(ReadClipboard(CF_UNICODETEXT), "Acme Ltd");
  EXPECT_EQ(clipboard->RenderCount(), 1);
  EXPECT_TRUE(clipboard->WaitForPaste(0, 2000));

  // UTF-8 data pastes as its characters; CF_TEXT has them in the ANSI code page.
  clipboard->SetText("Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(clipboard->RenderCount(), 0);
  EXPECT_EQ(ReadClipboard(CF_UNICODETEXT), "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ReadClipboard(CF_TEXT), AnsiFromWide(L"Caf\u00E9 \u20AC"));

  // Bytes that are not UTF-8 are Windows-1252, and CF_TEXT keeps them as they are.
  clipboard->SetText("Caf\xE9 \x80");
  EXPECT_EQ(ReadClipboard(CF_TEXT), "Caf\xE9 \x80");
  EXPECT_EQ(ReadClipboard(CF_UNICODETEXT), "Caf\xC3\xA9 \xE2\x82\xAC");

  // A paste in another thread while the load waits ends the wait.
  clipboard->SetText("second");
  std::thread paster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ReadClipboard(CF_UNICODETEXT);
  });
  EXPECT_TRUE(clipboard->WaitForPaste(0, 10000));
  paster.join();

  // The last text outlives its owner, as after a load.
  clipboard->SetText("left for the user");
  clipboard.reset();
  EXPECT_EQ(ReadClipboard(CF_UNICODETEXT), "left for the user");
}

TEST(Win32Platform, KeysTheLoadHoldsAreLetGoOnEveryWayOut) {
  std::string error;
  auto platform = Win32Platform::Open(&error);
  ASSERT_TRUE(platform) << error;
  EXPECT_EQ(platform->VkKeyScan('a'), 0x41);
  EXPECT_EQ(platform->VkKeyScan('A'), 0x141);

  // Destroyed while Shift and Ctrl are down (an error unwinding the load).
  platform->KeyEvent(0x10, false);
  platform->KeyEvent(0x11, false);
  EXPECT_TRUE(KeyDown(VK_SHIFT));
  EXPECT_TRUE(KeyDown(VK_CONTROL));
  platform.reset();
  EXPECT_FALSE(KeyDown(VK_SHIFT));
  EXPECT_FALSE(KeyDown(VK_CONTROL));

  // A stop (Ctrl+C, a closed console): nothing new goes down, releases still
  // go out.
  platform = Win32Platform::Open(&error);
  ASSERT_TRUE(platform) << error;
  platform->KeyEvent(0x12, false);
  EXPECT_TRUE(KeyDown(VK_MENU));
  platform->RequestStop();
  platform->KeyEvent('Q', false);
  EXPECT_FALSE(KeyDown('Q'));
  platform->ReleaseHeldInput();
  EXPECT_FALSE(KeyDown(VK_MENU));
  platform.reset();

  // The load's own Esc is not the user's.
  platform = Win32Platform::Open(&error);
  ASSERT_TRUE(platform) << error;
  platform->BeginEscapeWatch();
  platform->KeyEvent(0x1B, false);
  platform->Sleep(50);
  platform->KeyEvent(0x1B, true);
  platform->Sleep(50);
  EXPECT_FALSE(platform->EscapePressed());
}

TEST(RegistrySettingsStore, OptionsAndRecentFilesRoundTripWithTheirTypes) {
  ScratchKey scratch;
  RegistrySettingsStore store(Root::kCurrentUser, scratch.prefix);

  // No key yet: every option has its default.
  Options defaults = LoadOptionDefaults(store);
  EXPECT_FALSE(defaults.hour_glass);
  EXPECT_TRUE(defaults.auto_insert);
  EXPECT_EQ(defaults.data_colour, 16777215);

  Options o;
  o.hour_glass = true;
  o.auto_insert = false;
  o.data_source = 1;
  o.command_colour = 0x00123456;
  o.user_name = "J\xC3\xBCrgen \xE6\x97\xA5";  // UTF-8
  o.password = "p\xE4ss";                      // Windows-1252
  o.responsibility = "Order Entry";
  ASSERT_TRUE(SaveOptionDefaults(store, o));
  const std::string options_key = scratch.prefix + kOptionsKey;
  EXPECT_EQ(ValueType(options_key, "HourGlass"), static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(ValueType(options_key, "DataSource"), static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(ValueType(options_key, "CommandColour"), static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(ValueType(options_key, "UserName"), static_cast<DWORD>(REG_SZ));

  Options back = LoadOptionDefaults(store);
  EXPECT_TRUE(back.hour_glass);
  EXPECT_FALSE(back.auto_insert);
  EXPECT_EQ(back.data_source, 1);
  EXPECT_EQ(back.command_colour, 0x00123456);
  EXPECT_EQ(back.user_name, o.user_name);
  EXPECT_EQ(back.password, "p\xC3\xA4ss");  // the same characters, now in UTF-8
  EXPECT_EQ(back.responsibility, "Order Entry");

  // A flag another program stored as 7 reads as on; names compare as the
  // registry does.
  ASSERT_TRUE(store.WriteInt(kOptionsKey, "TitleSize", 7));
  EXPECT_TRUE(LoadOptionDefaults(store).title_size);

  // Recent files: string values File1..File5, file names in any language.
  testing::ScriptedPrompter prompter;
  const std::string greek = "C:\\\xCE\xB4\xCE\xBF\xCE\xBA\\a.tyl";
  {
    Document d(prompter, store, "");
    d.ReadRecentFiles();
    EXPECT_EQ(d.RecentFiles()[0], "");
    d.AddRecentFile("C:\\Sheets\\old.tyl");
    d.AddRecentFile(greek);
    d.WriteRecentFiles();
  }
  const std::string recent_key = scratch.prefix + kRecentFilesKey;
  EXPECT_EQ(ValueType(recent_key, "File1"), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(ValueType(recent_key, "File5"), static_cast<DWORD>(REG_SZ));  // made when read
  Document again(prompter, store, "");
  again.ReadRecentFiles();
  EXPECT_EQ(again.RecentFiles()[0], greek);
  EXPECT_EQ(again.RecentFiles()[1], "C:\\Sheets\\old.tyl");
  EXPECT_EQ(again.RecentFiles()[2], "");
}

TEST(FileAssociations, TheTenValuesAndTheExportSwitch) {
  ScratchKey scratch;
  // Classes under the scratch key stand for HKEY_CLASSES_ROOT.
  const std::string classes_prefix = scratch.prefix + "Classes\\";
  RegistrySettingsStore classes(Root::kCurrentUser, classes_prefix);
  const std::string exe = "C:\\Program Files\\Typelane\\typelane.exe";

  // Switching the export on before the program ever started: ".tyl" is missing.
  EXPECT_FALSE(SetAppsExport(classes, true));
  EXPECT_FALSE(classes.KeyExists(".tyl"));

  EXPECT_EQ(WriteFileAssociations(classes, exe), 10);
  for (const char* ext : {".tyl", ".fpb"}) {
    const std::string type = ext == std::string(".tyl") ? "tylfile" : "fpbfile";
    EXPECT_EQ(classes.ReadString(ext, ""), type);
    EXPECT_EQ(classes.ReadString(type, ""), "Veltrax Typelane File");
    EXPECT_EQ(classes.ReadBinary(type, "EditFlags"), std::string("\x00\x00\x01\x00", 4));
    EXPECT_EQ(classes.ReadString(type + "\\DefaultIcon", ""), exe);
    EXPECT_EQ(classes.ReadString(type + "\\shell\\open\\command", ""), "\"" + exe + "\" \"%1\"");
  }
  EXPECT_EQ(ValueType(classes_prefix + "tylfile", "EditFlags"), static_cast<DWORD>(REG_BINARY));

  EXPECT_FALSE(AppsExportAssociated(classes, exe));
  EXPECT_TRUE(SetAppsExport(classes, true));
  EXPECT_EQ(classes.ReadString(".tyl", "Content Type"), "text/tab-separated-values");
  EXPECT_EQ(
      classes.ReadString("MIME\\Database\\Content Type\\text/tab-separated-values", "Extension"),
      ".tyl");
  EXPECT_TRUE(AppsExportAssociated(classes, exe));
  EXPECT_FALSE(AppsExportAssociated(classes, "C:\\Other\\typelane.exe"));

  // Off empties the values and keeps them.
  EXPECT_TRUE(SetAppsExport(classes, false));
  EXPECT_EQ(classes.ReadString(".tyl", "Content Type"), "");
  EXPECT_EQ(
      classes.ReadString("MIME\\Database\\Content Type\\text/tab-separated-values", "Extension"),
      "");
  EXPECT_FALSE(AppsExportAssociated(classes, exe));

  // Moving the program rewrites the icon and the command at the next start.
  EXPECT_EQ(WriteFileAssociations(classes, "D:\\Tools\\typelane.exe"), 10);
  EXPECT_EQ(classes.ReadString("fpbfile\\DefaultIcon", ""), "D:\\Tools\\typelane.exe");
}

TEST(FileAssociations, KeysThatCannotBeCreatedAreSkippedSilently) {
  ScratchKey scratch;
  // No lasting key can be made below a volatile one: a root that refuses every
  // key, as HKEY_CLASSES_ROOT does a user without administrator rights.
  const std::string locked = scratch.prefix + "Volatile";
  {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WideFromUtf8(locked).c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  RegistrySettingsStore classes(Root::kCurrentUser, locked + "\\");
  EXPECT_EQ(WriteFileAssociations(classes, "C:\\typelane.exe"), 0);
  EXPECT_FALSE(classes.KeyExists(".tyl"));
  EXPECT_FALSE(SetAppsExport(classes, true));
  EXPECT_FALSE(AppsExportAssociated(classes, "C:\\typelane.exe"));
}

TEST(Win32Shell, OpensWhatTheShellAssociatesAndReportsWhatItCannot) {
  testing::TempDir dir;
  const std::string marker = dir / "opened.txt";
  const std::string script = dir / "open me.cmd";
  {
    std::ofstream out(script, std::ios::binary);
    out << "@echo opened> \"" << std::filesystem::path(marker).make_preferred().string()
        << "\"\r\n";
  }
  EXPECT_TRUE(ShellOpen(std::filesystem::path(script).make_preferred().string()));
  bool opened = false;
  for (int i = 0; i < 600 && !opened; ++i) {
    opened = std::filesystem::exists(marker);
    if (!opened) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(opened) << "the shell did not run " << script;
  EXPECT_FALSE(ShellOpen(dir / "no such file.htm"));
}

TEST(ExcelAutomation, WithoutExcelTheImportSaysItIsNotRunning) {
  EXPECT_EQ(CopyExcelSelection(false), ExcelCopy::kNotRunning);
  EXPECT_EQ(CopyExcelSelection(true), ExcelCopy::kNotRunning);
  EXPECT_STREQ(kExcelNotRunningMessage,
               "Excel is not currently running. Please start Excel before using the import "
               "function.");
}

}  // namespace
}  // namespace typelane::win32
