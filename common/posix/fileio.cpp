#include "common/fileio.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace kv::native {

FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool MoveReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool CopyReplacing(const std::string& from, const std::string& to) {
  struct stat st;
  if (::stat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::string temp = to + ".kvtmp";
  FILE* out = std::fopen(temp.c_str(), "wb");
  bool ok = out != nullptr;
  char buf[1 << 16];
  std::size_t n;
  while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0) ok = std::fwrite(buf, 1, n, out) == n;
  ok = ok && !std::ferror(in);
  std::fclose(in);
  if (out) ok = (std::fclose(out) == 0) && ok;
  ok = ok && ::chmod(temp.c_str(), st.st_mode & 07777) == 0 && std::rename(temp.c_str(), to.c_str()) == 0;
  if (!ok && out) ::unlink(temp.c_str());
  return ok;
}

bool MakeDir(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0 || IsDir(path); }

bool MakeDirs(const std::string& path) {
  for (std::size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1))
    MakeDir(path.substr(0, pos));
  return MakeDir(path);
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool IsDir(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  DIR* d = ::opendir(path.empty() ? "." : path.c_str());
  if (!d) return names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  ::closedir(d);
  return names;
}

}  // namespace kv::native
