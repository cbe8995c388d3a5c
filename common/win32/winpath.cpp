#include "common/winpath.h"

namespace kv {

std::string MapPath(const std::string& windowsPath) { return windowsPath; }
std::string ToWindowsPath(const std::string& nativePath) { return nativePath; }
std::string DriveCRoot() { return "C:\\"; }

}  // namespace kv
