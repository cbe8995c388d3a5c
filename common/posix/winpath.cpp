#include "common/winpath.h"

#include <cstdlib>
#include <vector>

#include "common/fileio.h"

namespace kv {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::string(v) : fallback;
}

std::string StripTrailingSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string DriveRoot(char letter) {
  letter = Lower(letter);
  if (letter == 'z') return "/";
  if (letter == 'c') return DriveCRoot();
  std::string var = std::string("KV_DRIVE_") + static_cast<char>(letter - 'a' + 'A');
  std::string c = DriveCRoot();
  std::size_t slash = c.find_last_of('/');
  std::string parent = (slash == std::string::npos || slash == 0) ? "/" : c.substr(0, slash);
  return StripTrailingSlash(EnvOr(var.c_str(), parent + "/drive_" + letter));
}

// Appends one component, taking an existing entry whose name differs only in case.
std::string Join(const std::string& dir, const std::string& name) {
  std::string base = dir.empty() ? "" : (dir.back() == '/' ? dir : dir + "/");
  if (name == "." || name == "..") return base + name;
  if (native::Exists(base + name)) return base + name;
  for (const auto& entry : native::ListDir(dir.empty() ? "." : dir))
    if (SameIgnoringCase(entry, name)) return base + entry;
  return base + name;
}

}  // namespace

std::string DriveCRoot() {
  const char* home = std::getenv("HOME");
  std::string fallback = std::string(home && *home ? home : "/root") + "/.kv-transit/drive_c";
  return StripTrailingSlash(EnvOr("KV_DRIVE_C", fallback));
}

std::string MapPath(const std::string& windowsPath) {
  std::string p = windowsPath;
  for (char& c : p)
    if (c == '\\') c = '/';
  bool hasDrive = p.size() >= 2 && p[1] == ':' && ((p[0] >= 'a' && p[0] <= 'z') || (p[0] >= 'A' && p[0] <= 'Z'));
  if (!hasDrive) return p;

  std::string result = DriveRoot(p[0]);
  std::string rest = p.substr(2);
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t next = rest.find('/', pos);
    if (next == std::string::npos) next = rest.size();
    std::string part = rest.substr(pos, next - pos);
    if (!part.empty()) result = Join(result, part);
    pos = next + 1;
  }
  if (!rest.empty() && rest.back() == '/' && result.back() != '/') result += '/';
  return result;
}

std::string ToWindowsPath(const std::string& nativePath) {
  if (nativePath.empty() || nativePath[0] != '/') {
    std::string p = nativePath;
    for (char& c : p)
      if (c == '/') c = '\\';
    return p;
  }
  std::string c = DriveCRoot();
  std::string drive = "Z:";
  std::string rest = nativePath;
  if (nativePath == c || nativePath.rfind(c + "/", 0) == 0) {
    drive = "C:";
    rest = nativePath.substr(c.size());
    if (rest.empty()) rest = "/";
  }
  for (char& ch : rest)
    if (ch == '/') ch = '\\';
  return drive + rest;
}

}  // namespace kv
