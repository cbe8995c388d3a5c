#include "client/window/win32/spreadsheet_automation.h"

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "common/win32/widen.h"

namespace kv {
namespace {

constexpr const wchar_t* kProgId = L"Excel.Application";

// An argument or result, cleared when it goes.
struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  explicit Var(long n) : Var() {
    v.vt = VT_I4;
    v.lVal = n;
  }
  explicit Var(const std::string& utf8) : Var() {
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(win32::Widen(utf8).c_str());
  }
  explicit Var(const CellValue& value) : Var() {
    if (const double* d = std::get_if<double>(&value)) {
      v.vt = VT_R8;
      v.dblVal = *d;
    } else {
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(win32::Widen(std::get<std::string>(value)).c_str());
    }
  }
  static Var Bool(bool b) {
    Var x;
    x.v.vt = VT_BOOL;
    x.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return x;
  }
  Var(const Var&) = delete;
  Var(Var&& o) noexcept : v(o.v) { VariantInit(&o.v); }
  ~Var() { VariantClear(&v); }
};

// A reference to an automation object, released when it goes.
class Object {
 public:
  Object() = default;
  explicit Object(IDispatch* p) : p_(p) {}
  Object(Object&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Object& operator=(Object&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }
  ~Object() { Reset(); }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  explicit operator bool() const { return p_ != nullptr; }

  // Invokes a member by name; `named` names the one argument passed by name.
  bool Invoke(const wchar_t* member, WORD flags, std::vector<Var>& args, VARIANT* result = nullptr,
              const wchar_t* named = nullptr) const {
    if (!p_) return false;
    LPOLESTR names[2] = {const_cast<LPOLESTR>(member), const_cast<LPOLESTR>(named)};
    DISPID ids[2] = {DISPID_UNKNOWN, DISPID_UNKNOWN};
    if (FAILED(p_->GetIDsOfNames(IID_NULL, names, named ? 2 : 1, LOCALE_USER_DEFAULT, ids))) return false;
    std::vector<VARIANT> reversed;  // the last argument comes first
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->v);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    } else if (named) {
      params.rgdispidNamedArgs = &ids[1];
      params.cNamedArgs = 1;
    }
    Var ignored;
    return SUCCEEDED(p_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result : &ignored.v,
                                nullptr, nullptr));
  }
  // A property or method that gives an object.
  Object Get(const wchar_t* member, std::vector<Var> args = {}) const {
    Var r;
    if (!Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, &r.v) || r.v.vt != VT_DISPATCH || !r.v.pdispVal)
      return Object();
    IDispatch* d = r.v.pdispVal;
    d->AddRef();
    return Object(d);
  }
  bool Call(const wchar_t* member, std::vector<Var> args = {}, const wchar_t* named = nullptr) const {
    return Invoke(member, DISPATCH_METHOD, args, nullptr, named);
  }
  bool Put(const wchar_t* member, Var value) const {
    std::vector<Var> args;
    args.push_back(std::move(value));
    return Invoke(member, DISPATCH_PROPERTYPUT, args);
  }

 private:
  IDispatch* p_ = nullptr;
};

// A row number as a number, a range as its text.
Var RowsArgument(const std::string& rows) {
  if (!rows.empty() && rows.size() < 7 && rows.find_first_not_of("0123456789") == std::string::npos)
    return Var(std::stol(rows));
  return Var(rows);
}

std::vector<Var> Args(Var a) {
  std::vector<Var> v;
  v.push_back(std::move(a));
  return v;
}
std::vector<Var> Args(Var a, Var b) {
  std::vector<Var> v = Args(std::move(a));
  v.push_back(std::move(b));
  return v;
}

class AutomationSpreadsheet : public Spreadsheet {
 public:
  AutomationSpreadsheet(Object app, bool uninitialize) : app_(std::move(app)), uninitialize_(uninitialize) {}
  ~AutomationSpreadsheet() override {
    // The application keeps running under the operator's control.
    app_.Reset();
    if (uninitialize_) CoUninitialize();
  }
  bool WorkbooksOpen(const std::string& path) override { return app_.Get(L"Workbooks").Call(L"Open", Args(Var(path))); }
  bool WindowsArrange(int style) override {
    return app_.Get(L"Windows").Call(L"Arrange", Args(Var(static_cast<long>(style))), L"ArrangeStyle");
  }
  bool SetCellValue(int row, int column, const CellValue& value) override {
    return Cells(row, column).Put(L"Value", Var(value));
  }
  bool RowsCopy(const std::string& rows) override { return Rows(rows).Call(L"Copy"); }
  bool RowsSelect(const std::string& rows) override { return Rows(rows).Call(L"Select"); }
  bool SetRowsValue(const std::string& rows, const CellValue& value) override {
    return Rows(rows).Put(L"Value", Var(value));
  }
  bool Paste() override { return Sheet().Call(L"Paste"); }
  bool CellSelect(int row, int column) override { return Cells(row, column).Call(L"Select"); }
  bool SetVisible(bool visible) override { return app_.Put(L"Visible", Var::Bool(visible)); }

 private:
  Object Sheet() const { return app_.Get(L"Worksheets", Args(Var(1L))); }
  Object Cells(int row, int column) const {
    return Sheet().Get(L"Cells", Args(Var(static_cast<long>(row)), Var(static_cast<long>(column))));
  }
  Object Rows(const std::string& rows) const { return Sheet().Get(L"Rows", Args(RowsArgument(rows))); }

  Object app_;
  bool uninitialize_;
};

}  // namespace

bool SpreadsheetApplicationRegistered() {
  CLSID clsid;
  const HRESULT init = CoInitialize(nullptr);
  const bool registered = SUCCEEDED(CLSIDFromProgID(kProgId, &clsid));
  if (SUCCEEDED(init)) CoUninitialize();
  return registered;
}

std::unique_ptr<Spreadsheet> CreateAutomationSpreadsheet() {
  const HRESULT init = CoInitialize(nullptr);
  const bool uninitialize = SUCCEEDED(init);
  CLSID clsid;
  IDispatch* app = nullptr;
  if (SUCCEEDED(CLSIDFromProgID(kProgId, &clsid)) &&
      SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&app))) && app)
    return std::make_unique<AutomationSpreadsheet>(Object(app), uninitialize);
  if (uninitialize) CoUninitialize();
  return nullptr;
}

}  // namespace kv
