#include "client/window/win32/file_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <vector>

#include "common/win32/widen.h"

namespace kv::win32 {
namespace {

// "desc|pattern|desc|pattern" becomes the NUL-separated list the dialog takes,
// ended by two NULs.
std::wstring DialogFilter(const std::string& filter) {
  std::wstring w = Widen(filter);
  for (auto& ch : w)
    if (ch == L'|') ch = L'\0';
  w.push_back(L'\0');
  w.push_back(L'\0');
  return w;
}

}  // namespace

void Win32FileDialog::Show(bool save) {
  std::wstring filter = DialogFilter(Filter);
  // Room for the longest path the system takes, so a long confirmed name is never cut.
  std::vector<wchar_t> name(32768, L'\0');
  auto run = [&](const std::wstring& proposed) {
    std::fill(name.begin(), name.end(), L'\0');
    proposed.copy(name.data(), std::min(proposed.size(), name.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner_;
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.Flags = static_cast<DWORD>(Flags) | OFN_EXPLORER;
    return save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  };
  BOOL ok = run(Widen(FileName));
  // A proposed name the dialog refuses (characters a file name cannot hold)
  // would keep the dialog from opening at all; open it without a proposal then.
  if (!ok && CommDlgExtendedError() == FNERR_INVALIDFILENAME) ok = run(std::wstring());
  if (ok) FileName = Narrow(name.data());
}

}  // namespace kv::win32
