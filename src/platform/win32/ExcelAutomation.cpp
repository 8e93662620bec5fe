#include "platform/win32/ExcelAutomation.h"

#include <ole2.h>
#include <windows.h>

namespace typelane::win32 {
namespace {

constexpr LCID kUserLocale = 0x400;

// Releases an interface on every way out.
template <typename T>
class Ref {
 public:
  Ref() = default;
  ~Ref() {
    if (p_) p_->Release();
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T** Out() { return &p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// One name looked up, then invoked without arguments.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, kUserLocale, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  return object->Invoke(id, IID_NULL, kUserLocale, flags, &none, result, nullptr, nullptr);
}

// A property that is an object, read with the property-get flag.
HRESULT ReadObjectProperty(IDispatch* object, const wchar_t* name, Ref<IDispatch>& out) {
  VARIANT v;
  VariantInit(&v);
  HRESULT hr = Call(object, name, DISPATCH_PROPERTYGET, &v);
  if (SUCCEEDED(hr)) {
    if (v.vt == VT_DISPATCH && v.pdispVal) {
      *out.Out() = v.pdispVal;  // the reference moves to out
      v.vt = VT_EMPTY;
    } else {
      hr = E_NOINTERFACE;
    }
  }
  VariantClear(&v);
  return hr;
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name) {
  VARIANT v;
  VariantInit(&v);
  HRESULT hr = Call(object, name, DISPATCH_METHOD, &v);
  VariantClear(&v);
  return hr;
}

ExcelCopy CopyWithCom(bool all_cells) {
  CLSID excel_class;
  if (FAILED(CLSIDFromProgID(L"Excel.Application", &excel_class))) return ExcelCopy::kNotRunning;
  Ref<IUnknown> running;
  if (FAILED(GetActiveObject(excel_class, nullptr, running.Out())) || !running) {
    return ExcelCopy::kNotRunning;
  }
  Ref<IDispatch> application;
  if (FAILED(running.Get()->QueryInterface(IID_IDispatch,
                                           reinterpret_cast<void**>(application.Out())))) {
    return ExcelCopy::kFailed;
  }
  if (all_cells) {
    Ref<IDispatch> cells;
    if (FAILED(ReadObjectProperty(application.Get(), L"Cells", cells))) return ExcelCopy::kFailed;
    if (FAILED(CallMethod(cells.Get(), L"Select"))) return ExcelCopy::kFailed;
  }
  Ref<IDispatch> selection;
  if (FAILED(ReadObjectProperty(application.Get(), L"Selection", selection)))
    return ExcelCopy::kFailed;
  if (FAILED(CallMethod(selection.Get(), L"Copy"))) return ExcelCopy::kFailed;
  return ExcelCopy::kCopied;
}

}  // namespace

ExcelCopy CopyExcelSelection(bool all_cells) {
  const HRESULT init = CoInitialize(nullptr);
  const ExcelCopy result = CopyWithCom(all_cells);
  // Balanced only when this call set COM up (S_OK or S_FALSE, not a mode clash).
  if (SUCCEEDED(init)) CoUninitialize();
  return result;
}

}  // namespace typelane::win32
