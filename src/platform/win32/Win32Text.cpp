#include "platform/win32/Win32Text.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <climits>

#include "core/common/Text.h"

namespace typelane::win32 {
namespace {

std::wstring ToWide(UINT code_page, std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, out.data(), n);
  return out;
}

std::string FromWide(UINT code_page, std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

std::string Utf8FromWide(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }

std::wstring WideFromBytes(std::string_view bytes) {
  return ToWide(IsValidUtf8(bytes) ? CP_UTF8 : 1252, bytes);
}

std::string AnsiFromWide(std::wstring_view wide) { return FromWide(CP_ACP, wide); }

std::wstring WideFromAnsi(std::string_view ansi) { return ToWide(CP_ACP, ansi); }

std::string ExecutablePathUtf8() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return Utf8FromWide(path);
    }
    path.resize(path.size() * 2);  // cut off: a long path, try a larger buffer
  }
}

std::vector<std::string> CommandLineUtf8() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace typelane::win32
