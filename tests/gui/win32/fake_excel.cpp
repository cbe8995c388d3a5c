// A stand-in spreadsheet application for the automation test: an in-process
// COM server that the test registers as "Excel.Application". Every object it
// hands out is named by the path that reached it ("Application.Worksheets(1)");
// each method call and property set is written as one line to the file named
// by KV_FAKE_EXCEL_LOG, and the application's last release as "release".
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// {6B1E9F3A-2C44-4E55-9A10-7D2C5B8E0A11}
const CLSID kClsid = {0x6b1e9f3a, 0x2c44, 0x4e55, {0x9a, 0x10, 0x7d, 0x2c, 0x5b, 0x8e, 0x0a, 0x11}};
std::vector<std::wstring> g_names;

void Log(const std::wstring& line) {
  wchar_t path[MAX_PATH];
  if (!GetEnvironmentVariableW(L"KV_FAKE_EXCEL_LOG", path, MAX_PATH)) return;
  char utf8[4096];
  const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
  FILE* f = _wfopen(path, L"ab");
  if (!f) return;
  if (n > 0) std::fprintf(f, "%s\n", utf8);
  std::fclose(f);
}

std::wstring Show(const VARIANT& v) {
  wchar_t b[64];
  switch (v.vt) {
    case VT_I4: return std::to_wstring(v.lVal);
    case VT_R8: swprintf(b, 64, L"%.10g", v.dblVal); return b;
    case VT_BOOL: return v.boolVal ? L"True" : L"False";
    case VT_BSTR: return L"\"" + std::wstring(v.bstrVal ? v.bstrVal : L"") + L"\"";
  }
  return L"?";
}

class Obj final : public IDispatch {
 public:
  Obj(std::wstring path, bool root) : path_(std::move(path)), root_(root) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&ref_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG r = InterlockedDecrement(&ref_);
    if (r == 0) {
      if (root_) Log(L"release");
      delete this;
    }
    return r;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) {
      std::size_t k = 0;
      while (k < g_names.size() && g_names[k] != names[i]) ++k;
      if (k == g_names.size()) g_names.push_back(names[i]);
      ids[i] = static_cast<DISPID>(k + 1);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (id < 1 || static_cast<std::size_t>(id) > g_names.size()) return DISP_E_MEMBERNOTFOUND;
    const std::wstring name = path_ + L"." + g_names[id - 1];
    const UINT positional = p->cArgs - p->cNamedArgs;
    std::wstring args;
    for (UINT i = 0; i < positional; ++i) {  // stored last to first
      if (!args.empty()) args += L",";
      args += Show(p->rgvarg[p->cArgs - 1 - i]);
    }
    if (flags & DISPATCH_PROPERTYPUT) {
      Log(name + (args.empty() ? L"" : L"(" + args + L")") + L" = " + Show(p->rgvarg[0]));
      return S_OK;
    }
    for (UINT i = 0; i < p->cNamedArgs; ++i) {
      if (!args.empty()) args += L",";
      args += g_names[p->rgdispidNamedArgs[i] - 1] + L":=" + Show(p->rgvarg[i]);
    }
    const std::wstring call = name + L"(" + args + L")";
    if (flags & DISPATCH_PROPERTYGET) {
      if (result) {
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = new Obj(args.empty() ? name : call, false);
      }
      return S_OK;
    }
    Log(call);
    return S_OK;
  }

 private:
  LONG ref_ = 1;
  std::wstring path_;
  bool root_;
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    Obj* app = new Obj(L"Application", true);
    const HRESULT hr = app->QueryInterface(riid, out);
    app->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
Factory g_factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, out);
}
extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return S_FALSE; }
