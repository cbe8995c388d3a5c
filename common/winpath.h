// Windows paths on every platform. On Windows they are used as typed. Elsewhere
// they map the way Wine maps them: drive C: is the folder named by KV_DRIVE_C
// (default ~/.kv-transit/drive_c), Z: is "/", other drives X: are KV_DRIVE_X or
// the folder drive_x beside drive C:'s folder; existing names resolve without
// regard to case, because the programs spell one file "DFT.dat" and "DFT.DAT".
#pragma once
#include <string>

namespace kv {

// Native path for a Windows path (identity on Windows). A path without a drive
// letter is only converted from backslashes to slashes.
std::string MapPath(const std::string& windowsPath);
// Windows form of a native path: identity on Windows; "/tmp/a" becomes "Z:\tmp\a"
// unless it lies inside drive C:'s folder, which gives "C:\...".
std::string ToWindowsPath(const std::string& nativePath);
// The folder that stands for drive C: (elsewhere than Windows).
std::string DriveCRoot();

}  // namespace kv
