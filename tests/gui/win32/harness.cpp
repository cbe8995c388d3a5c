#include "tests/gui/win32/harness.h"

#include <windows.h>

#include <cstdio>
#include <map>

#include "common/win32/widen.h"

namespace gui {
namespace {

std::map<std::string, void (*)()>& Registry() {
  static std::map<std::string, void (*)()> r;
  return r;
}
int g_failures = 0;

}  // namespace

void Register(const char* name, void (*fn)()) { Registry()[name] = fn; }

void Failure(const char* file, int line, const std::string& what) {
  ++g_failures;
  std::printf("%s:%d: FAILED: %s\n", file, line, what.c_str());
  std::fflush(stdout);
}

std::string Show(const std::string& s) { return "\"" + s + "\""; }
std::string Show(const std::wstring& s) { return "\"" + kv::win32::Narrow(s) + "\""; }

}  // namespace gui

// driver.exe SCENARIO [ARGS...]: runs one scenario; exit 0 passed, 1 failed,
// 77 skipped, 2 unknown scenario. "driver.exe --list" prints the names.
int RunScenario(int argc, wchar_t** argv);
void SetDriverArguments(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (argc < 2) return 2;
  std::string name = kv::win32::Narrow(argv[1]);
  if (name == "--list") {
    for (const auto& [n, fn] : gui::Registry()) std::printf("%s\n", n.c_str());
    return 0;
  }
  if (name == "--hold") {
    // Keeps Wine's desktop in use for the whole suite (ended by wineserver -k).
    CreateWindowExW(0, L"STATIC", L"kv gui keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
  }
  auto it = gui::Registry().find(name);
  if (it == gui::Registry().end()) {
    std::printf("unknown scenario %s\n", name.c_str());
    return 2;
  }
  SetDriverArguments(argc, argv);
  // A hidden window of our own keeps Wine's desktop in use between two runs
  // of the program within one scenario; without a user it may close the
  // desktop just as the next program creates its window.
  CreateWindowExW(0, L"STATIC", L"kv gui driver", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  try {
    it->second();
  } catch (const gui::Abort&) {
  } catch (const gui::Skipped& s) {
    std::printf("SKIPPED: %s\n", s.why.c_str());
    return gui::g_failures ? 1 : 77;
  }
  std::printf("%s: %s\n", name.c_str(), gui::g_failures ? "FAILED" : "passed");
  return gui::g_failures ? 1 : 0;
}
