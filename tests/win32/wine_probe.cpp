// A small Windows program the Wine tests use to look at the desktop from
// inside: window lists, an edit control's text, key states, the clipboard, and
// a hidden window of its own.
//
//   wine_probe list                   every top-level window: visible|hidden TAB title
//   wine_probe foreground             the title of the window in front
//   wine_probe text TITLE             the text of the window's edit control (UTF-8),
//                                     each line break as LF (Notepad keeps a typed
//                                     Enter as CR CR LF under Wine, a pasted one as CR LF)
//   wine_probe wait-text TITLE FILE S until that text (as `text` prints it) is FILE's
//                                     bytes (S seconds at most)
//   wine_probe clear TITLE            empties the window's edit control
//   wine_probe wait-length TITLE N S  until that text has N characters (S seconds at most)
//   wine_probe keys                   "down" keys among Shift, Ctrl, Alt, A..Z, Tab, Esc
//   wine_probe clipboard              the clipboard's text (UTF-8)
//   wine_probe hidden TITLE SECONDS   keeps a hidden window titled TITLE for SECONDS
//   wine_probe window TITLE SECONDS   the same, shown

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::wstring TitleOf(HWND w) {
  wchar_t buffer[512] = {};
  int n = GetWindowTextW(w, buffer, 511);
  return std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

HWND EditOf(const std::string& title) {
  HWND top = FindWindowW(nullptr, Wide(title).c_str());
  if (!top) return nullptr;
  HWND edit = FindWindowExW(top, nullptr, L"Edit", nullptr);
  return edit ? edit : top;
}

std::wstring TextOf(HWND w) {
  LRESULT length = SendMessageW(w, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = SendMessageW(w, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                             reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

void Write(const std::string& bytes) {
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

// Line breaks as LF: Notepad keeps a typed Enter as CR CR LF under Wine.
std::string SeenText(HWND w) {
  std::wstring text = TextOf(w);
  std::wstring lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, L"\r\r\n") == 0) {
      lines += L'\n';
      i += 2;
    } else if (text.compare(i, 2, L"\r\n") == 0) {
      lines += L'\n';
      i += 1;
    } else {
      lines += text[i];
    }
  }
  return Utf8(lines);
}

// Characters typed into the probe's window are printed, so a test sees keys
// that went astray.
LRESULT CALLBACK ProbeWindowProc(HWND w, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_CHAR) {
    std::wstring c(1, static_cast<wchar_t>(wparam));
    Write("char " + Utf8(c) + "\n");
    return 0;
  }
  return DefWindowProcW(w, msg, wparam, lparam);
}

int KeepWindow(const std::string& title, int seconds, bool shown) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TypelaneProbeWindow";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, wc.lpszClassName, Wide(title).c_str(), WS_OVERLAPPEDWINDOW, 10, 10,
                           200, 100, nullptr, nullptr, wc.hInstance, nullptr);
  if (!w) return 1;
  if (shown) ShowWindow(w, SW_SHOW);
  Write("ready\n");
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (GetTickCount64() < until) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(20);
  }
  DestroyWindow(w);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Bytes as they are: no CR added before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return 2;
  const std::string command = argv[1];
  if (command == "list") {
    HWND desktop = GetDesktopWindow();
    for (HWND w = GetWindow(desktop, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      Write(std::string(IsWindowVisible(w) ? "visible" : "hidden") + "\t" + Utf8(TitleOf(w)) +
            "\n");
    }
    return 0;
  }
  if (command == "foreground") {
    Write(Utf8(TitleOf(GetForegroundWindow())) + "\n");
    return 0;
  }
  if (command == "text" && argc == 3) {
    HWND w = EditOf(argv[2]);
    if (!w) return 1;
    Write(SeenText(w));
    return 0;
  }
  if (command == "wait-text" && argc == 5) {
    std::string expected;
    if (FILE* f = fopen(argv[3], "rb")) {
      char buffer[4096];
      size_t n;
      while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) expected.append(buffer, n);
      fclose(f);
    }
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(atoi(argv[4])) * 1000;
    // Notepad takes typed keys at its own pace: poll, never guess a time.
    for (;;) {
      HWND w = EditOf(argv[2]);
      if (w && SeenText(w) == expected) return 0;
      if (GetTickCount64() >= until) return 1;
      Sleep(50);
    }
  }
  if (command == "clear" && argc == 3) {
    HWND w = EditOf(argv[2]);
    if (!w) return 1;
    SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    return 0;
  }
  if (command == "wait-length" && argc == 5) {
    const LRESULT want = atoi(argv[3]);
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(atoi(argv[4])) * 1000;
    // The target types at its own pace: poll the length, never guess a time.
    for (;;) {
      HWND w = EditOf(argv[2]);
      if (w && SendMessageW(w, WM_GETTEXTLENGTH, 0, 0) >= want) return 0;
      if (GetTickCount64() >= until) return 1;
      Sleep(50);
    }
  }
  if (command == "keys") {
    const struct {
      int vk;
      const char* name;
    } keys[] = {{VK_SHIFT, "shift"}, {VK_CONTROL, "ctrl"}, {VK_MENU, "alt"},
                {VK_TAB, "tab"},     {VK_ESCAPE, "esc"},   {VK_RETURN, "enter"}};
    for (const auto& k : keys) {
      if (GetAsyncKeyState(k.vk) & 0x8000) Write(std::string(k.name) + "\n");
    }
    for (int vk = 'A'; vk <= 'Z'; ++vk) {
      if (GetAsyncKeyState(vk) & 0x8000) Write(std::string(1, static_cast<char>(vk)) + "\n");
    }
    return 0;
  }
  if (command == "clipboard") {
    if (!OpenClipboard(nullptr)) return 1;
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    std::wstring text;
    if (h) {
      if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
        text = p;
        GlobalUnlock(h);
      }
    }
    CloseClipboard();
    if (!h) return 1;
    Write(Utf8(text));
    return 0;
  }
  if ((command == "hidden" || command == "window") && argc == 4) {
    return KeepWindow(argv[2], atoi(argv[3]), command == "window");
  }
  return 2;
}
