// The Windows backend's own rules, run under Wine: the clipboard by delayed
// rendering, keys released on every way out, Esc, the registry store with its
// value types, the file-type associations, the shell and Excel (no display
// needed); and, with windows on a display (Win32Windows), telling the target
// from a window that took its handle, where the focus is, and a busy or hung
// target.

#include <gtest/gtest.h>
#include <windows.h>
// The Platform method, not windows.h's macro for VkKeyScanA.
#undef VkKeyScan

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
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

using Clock = std::chrono::steady_clock;

// Polls until the condition holds; the bound only keeps a broken run from
// hanging.
template <typename Condition>
bool Eventually(Condition condition) {
  const auto end = Clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

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
  EXPECT_FALSE(clipboard->WaitForPaste(Clock::now(), 20, 100));
  EXPECT_EQ(ReadClipboard(CF_UNICODETEXT), "Acme Ltd");
  EXPECT_EQ(clipboard->RenderCount(), 1);
  EXPECT_TRUE(clipboard->WaitForPaste(Clock::now(), 0, 2000));

  // A fetch by a program that is not in front (this test has no window)
  // counts only once the settle time after the paste key is over, however
  // often the load asks in short slices meanwhile.
  clipboard->SetText("sliced");
  const auto paste_key = Clock::now();
  EXPECT_EQ(ReadClipboard(CF_UNICODETEXT), "sliced");
  for (int slice = 0; slice < 4; ++slice) {
    EXPECT_FALSE(clipboard->WaitForPaste(paste_key, 60000, 20)) << "slice " << slice;
  }
  EXPECT_TRUE(clipboard->WaitForPaste(paste_key - std::chrono::seconds(61), 60000, 20));

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
  EXPECT_TRUE(clipboard->WaitForPaste(Clock::now(), 0, 10000));
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
  // A paste nobody takes does not hold a stopping load.
  platform->SetClipboardText("never pasted");
  EXPECT_FALSE(platform->WaitForPaste(600000));
  platform.reset();

  // A crash handler lets go of keys and buttons without the platform's lock.
  platform = Win32Platform::Open(&error);
  ASSERT_TRUE(platform) << error;
  platform->KeyEvent(VK_SHIFT, false);
  platform->KeyEvent(VK_HOME, false);
  platform->MouseButtonEvent(MouseButton::kRight, false, 5, 5);
  EXPECT_TRUE(KeyDown(VK_SHIFT));
  EXPECT_TRUE(KeyDown(VK_HOME));
  EXPECT_TRUE(KeyDown(VK_RBUTTON));
  platform->ReleaseHeldInputFromSignal();
  EXPECT_FALSE(KeyDown(VK_SHIFT));
  EXPECT_FALSE(KeyDown(VK_HOME));
  EXPECT_FALSE(KeyDown(VK_RBUTTON));
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
  // An Esc another program injects (a remote-control program typing for its
  // user) is the user's.
  ASSERT_TRUE(platform->WatchesEscapeByHook());
  const auto scan = static_cast<BYTE>(MapVirtualKeyA(VK_ESCAPE, 0));
  keybd_event(VK_ESCAPE, scan, 0, 0);
  keybd_event(VK_ESCAPE, scan, KEYEVENTF_KEYUP, 0);
  EXPECT_TRUE(Eventually([&] { return platform->EscapePressed(); }));
  // Then a paste nobody takes holds the load no longer.
  platform->SetClipboardText("never pasted");
  EXPECT_FALSE(platform->WaitForPaste(600000));
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

// A window on a thread of its own, as a target program's: it takes its
// messages, shows the wait cursor as well, or takes none until Resume(). kLater
// makes it at Resume(), on a thread that has a hidden window already, so it is
// the next window made and gets the handle freed last.
class WindowThread {
 public:
  enum Mode { kAnswers, kWaitCursor, kHung, kLater };
  explicit WindowThread(Mode mode = kAnswers)
      : mode_(mode), resume_(CreateEventW(nullptr, TRUE, mode < kHung, nullptr)) {
    thread_ = std::thread([this] { Run(); });
    while (!thread_id_) std::this_thread::yield();
  }
  ~WindowThread() {
    Resume();
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
    CloseHandle(resume_);
  }
  void Resume() { SetEvent(resume_); }
  void Close() { SendMessageW(hwnd(), WM_CLOSE, 0, 0); }  // the thread stays
  HWND hwnd() const { return window_.get(); }
  WindowHandle handle() const { return reinterpret_cast<WindowHandle>(hwnd()); }

 private:
  void Run() {
    WNDCLASSW wc{};  // no class cursor: a cursor set stays
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"TypelaneTestWindow";
    RegisterClassW(&wc);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, before anyone posts
    if (mode_ == kLater) CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 9, 9, 0, 0, 0, 0);
    thread_id_ = GetCurrentThreadId();
    if (mode_ == kLater) WaitForSingleObject(resume_, INFINITE);
    // Away from the pointer, which would set the cursor passing over it.
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                20, 20, 200, 120, 0, 0, 0, 0);
    if (mode_ == kWaitCursor) SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    made_.set_value(hwnd);
    WaitForSingleObject(resume_, INFINITE);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }

  Mode mode_;
  HANDLE resume_;
  std::promise<HWND> made_;
  std::shared_future<HWND> window_ = made_.get_future().share();
  std::atomic<DWORD> thread_id_{0};
  std::thread thread_;
};

TEST(Win32Windows, AHandleGivenToAnotherWindowNeverPassesForTheTarget) {
  std::string error;
  auto platform = Win32Platform::Open(&error);
  ASSERT_TRUE(platform) << error;
  WindowThread first, second(WindowThread::kLater);
  // The handle without its upper half: Windows takes it for whichever window
  // holds that slot, so once the window is gone another one answers to it.
  const WindowHandle target = LOWORD(first.handle());
  ASSERT_TRUE(platform->ActivateWindow(target));
  EXPECT_TRUE(platform->WindowExists(target));
  first.Close();
  EXPECT_FALSE(platform->WindowExists(target));
  second.Resume();
  ASSERT_EQ(LOWORD(second.handle()), target) << "the new window took another handle";
  EXPECT_FALSE(platform->WindowExists(target));
  // Chosen as the target itself, that window is the target from then on.
  ASSERT_TRUE(platform->ActivateWindow(target));
  EXPECT_TRUE(platform->WindowExists(target));
}

TEST(Win32Windows, TheFocusIsWithTheTargetsProgramOrNot) {
  std::string error;
  auto platform = Win32Platform::Open(&error);
  ASSERT_TRUE(platform) << error;
  WindowThread target, dialog;  // two windows of one program
  // Wine's Notepad: another program.
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION notepad{};
  wchar_t command[] = L"notepad.exe";
  ASSERT_TRUE(CreateProcessW(nullptr, command, 0, 0, FALSE, 0, 0, 0, &si, &notepad));
  HWND other = nullptr;
  // It takes the front once it shows its window: let that happen first.
  EXPECT_TRUE(Eventually([&] {
    other = FindWindowW(L"Notepad", nullptr);
    return other && GetForegroundWindow() == other;
  }));
  const auto other_handle = reinterpret_cast<WindowHandle>(other);

  ASSERT_TRUE(platform->ActivateWindow(target.handle()));
  EXPECT_TRUE(platform->FocusIsWith(target.handle()));
  EXPECT_FALSE(platform->FocusIsWith(other_handle));
  ASSERT_TRUE(platform->ActivateWindow(other_handle));
  EXPECT_FALSE(platform->FocusIsWith(target.handle()));
  EXPECT_TRUE(platform->FocusIsWith(other_handle));
  ASSERT_TRUE(platform->ActivateWindow(dialog.handle()));
  EXPECT_TRUE(platform->FocusIsWith(target.handle()));

  EXPECT_TRUE(platform->WindowExists(other_handle));
  TerminateProcess(notepad.hProcess, 0);
  WaitForSingleObject(notepad.hProcess, 30000);
  EXPECT_FALSE(platform->WindowExists(other_handle));
  CloseHandle(notepad.hThread);
  CloseHandle(notepad.hProcess);
}

TEST(Win32Windows, ABusyOrHungTargetIsTold) {
  std::string error;
  auto platform = Win32Platform::Open(&error);
  ASSERT_TRUE(platform) << error;
  // Generous bounds: a check ends as soon as the target answers.
  WindowThread answers, hung(WindowThread::kHung);
  EXPECT_FALSE(platform->IsTargetBusy(answers.handle(), 30000));
  EXPECT_TRUE(platform->IsTargetBusy(hung.handle(), 200));
  EXPECT_TRUE(platform->IsTargetBusy(hung.handle(), 200));
  hung.Resume();  // it answers the question still out
  EXPECT_FALSE(platform->IsTargetBusy(hung.handle(), 30000));

  // The wait cursor of the target's own thread, with another window in front.
  WindowThread working(WindowThread::kWaitCursor);
  ASSERT_TRUE(platform->ActivateWindow(answers.handle()));
  EXPECT_TRUE(platform->IsTargetBusy(working.handle(), 30000));
  EXPECT_FALSE(platform->IsTargetBusy(answers.handle(), 30000));

  // A stop ends the check of a hung target at once, however long its bound.
  WindowThread hung_again(WindowThread::kHung);
  platform->RequestStop();
  EXPECT_TRUE(platform->IsTargetBusy(hung_again.handle(), 600000));
}

}  // namespace
}  // namespace typelane::win32
