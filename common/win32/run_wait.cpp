#include "common/run_wait.h"

#include <windows.h>

#include "common/win32/widen.h"

namespace kv {
namespace {

// The caller's environment block with `extra` set (replacing a variable of the
// same name, compared without regard to case as Windows does), UTF-16.
std::wstring EnvironmentBlock(const Environment& extra) {
  std::vector<std::wstring> names, entries;
  for (const auto& [name, value] : extra) {
    names.push_back(win32::Widen(name) + L"=");
    entries.push_back(win32::Widen(name + "=" + value));
  }
  std::wstring block;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (const wchar_t* e = env; *e; e += wcslen(e) + 1) {
      bool replaced = false;
      for (const auto& n : names)
        if (_wcsnicmp(e, n.c_str(), n.size()) == 0) replaced = true;
      if (!replaced) block.append(e).push_back(L'\0');
    }
    FreeEnvironmentStringsW(env);
  }
  for (const auto& e : entries) block.append(e).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

RunResult RunAndWait(const std::string& commandLine, const std::function<void()>& processEvents,
                     const Environment& environment) {
  RunResult result;
  std::wstring cmd = win32::Widen(commandLine);
  cmd.push_back(L'\0');
  std::wstring env;
  if (!environment.empty()) env = EnvironmentBlock(environment);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  // CREATE_NO_WINDOW: the console client gets no visible console, and does not
  // write into the console of a console caller such as kvxfer.
  DWORD flags = CREATE_NO_WINDOW | (env.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, env.empty() ? nullptr : env.data(),
                      nullptr, &si, &pi)) {
    return result;
  }
  result.started = true;
  CloseHandle(pi.hThread);

  // The handle CreateProcess returned is kept and polled, so the wait cannot
  // end before the program has; its signalled state, not an exit code of 259,
  // tells that it ended.
  // Between polls it waits up to 50 ms, and no longer than until the program
  // ends or the window has input to handle.
  for (;;) {
    DWORD state = WaitForSingleObject(pi.hProcess, 0);
    if (processEvents) processEvents();
    if (state != WAIT_TIMEOUT) break;
    MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT);
  }
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  result.exitCode = code;
  return result;
}

}  // namespace kv
