#include "common/run_wait.h"

#include <windows.h>

#include "common/win32/widen.h"

namespace kv {

RunResult RunAndWait(const std::string& commandLine, const std::function<void()>& processEvents) {
  RunResult result;
  std::wstring cmd = win32::Widen(commandLine);
  cmd.push_back(L'\0');

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  // CREATE_NO_WINDOW: the console client gets no visible console, and does not
  // write into the console of a console caller such as kvxfer.
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &si, &pi)) {
    return result;
  }
  result.started = true;
  DWORD pid = pi.dwProcessId;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);

  // Poll through a handle opened by process id, as a shell-started program is waited for.
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, TRUE, pid);
  DWORD code = 0;
  do {
    if (process) GetExitCodeProcess(process, &code);
    if (processEvents) processEvents();
    // Once the program has ended there is nothing left to wait for: the delay
    // after the end stays within one poll interval.
    if (code != STILL_ACTIVE) break;
    Sleep(50);
  } while (true);
  if (process) CloseHandle(process);
  result.exitCode = code;
  return result;
}

}  // namespace kv
