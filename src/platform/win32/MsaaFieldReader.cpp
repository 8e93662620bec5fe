#include "platform/win32/MsaaFieldReader.h"

// clang-format off
#include <windows.h>
#include <oleacc.h>
// clang-format on

#include <string>

#include "platform/fields/DesktopFieldReader.h"
#include "platform/win32/Win32Text.h"

namespace typelane {
namespace {

HWND AsHwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }

// COM for the length of one call: S_FALSE (already started on this thread)
// is balanced too.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_;
};

IAccessible* ClientObject(HWND window) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&object)))) {
    return nullptr;
  }
  return object;
}

// The control with the keyboard focus in the target's thread.
HWND FocusedControl(HWND target) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(target, nullptr);
  if (thread == 0 || !GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

}  // namespace

bool MsaaFieldReader::CanRead(const FieldTarget& target) {
  ComScope com;
  IAccessible* object = ClientObject(AsHwnd(target.window));
  if (!object) return false;
  object->Release();
  return true;
}

std::optional<FieldText> MsaaFieldReader::ReadFocusedField(const FieldTarget& target) {
  ComScope com;
  HWND control = FocusedControl(AsHwnd(target.window));
  if (!control) return std::nullopt;
  IAccessible* object = ClientObject(control);
  if (!object) return std::nullopt;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  // Only a text field: a button's or a list's value is no pasted text.
  VARIANT role;
  VariantInit(&role);
  const bool text_role = SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4 &&
                         role.lVal == ROLE_SYSTEM_TEXT;
  VariantClear(&role);
  BSTR value = nullptr;
  const bool read = text_role && SUCCEEDED(object->get_accValue(self, &value));
  object->Release();
  if (!read) return std::nullopt;
  const std::wstring wide = value ? std::wstring(value, SysStringLen(value)) : std::wstring();
  SysFreeString(value);

  FieldText field;
  field.text = win32::Utf8FromWide(wide);
  char class_name[32] = {};
  GetClassNameA(control, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "Edit") == 0) {
    field.multi_line = (GetWindowLongW(control, GWL_STYLE) & ES_MULTILINE) != 0;
    DWORD start = 0, end = 0;
    SendMessageW(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    // The caret in UTF-16 units, as a byte offset of the UTF-8 text.
    if (end <= wide.size()) {
      field.caret =
          static_cast<int>(win32::Utf8FromWide(std::wstring_view(wide).substr(0, end)).size());
    }
  }
  return field;
}

std::unique_ptr<FieldReader> MakeDesktopFieldReader() {
  return std::make_unique<MsaaFieldReader>();
}

// MSAA needs no switch: every program's standard controls answer it.
Accessibility DesktopAccessibility() { return Accessibility::kOn; }
bool SwitchOnAccessibility() { return true; }
std::string HowToSwitchOnAccessibility() { return {}; }

}  // namespace typelane
