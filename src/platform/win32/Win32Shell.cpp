#include "platform/win32/Win32Shell.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <string>

#include "core/common/Text.h"
#include "platform/win32/Win32Text.h"

namespace typelane::win32 {

bool ShellOpen(std::string_view target) {
  bool ascii = true;
  for (char c : target) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  HINSTANCE result;
  if (ascii || !IsValidUtf8(target)) {
    const std::string text(target);
    result = ShellExecuteA(nullptr, "open", text.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
  } else {
    const std::wstring wide = WideFromUtf8(target);
    result = ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
  }
  // Values above 32 mean success.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace typelane::win32
