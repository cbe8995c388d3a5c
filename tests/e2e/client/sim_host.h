// A simulated IBM i for end-to-end tests: hostsim on port 21 of a loopback
// address of its own (the scripts' "open" line carries no port), with the tool
// library installed through the real FTP client, and a drive C: prepared as
// the installer leaves it (FTP.EXE, LIBNAME.ini).
#pragma once
#include <string>
#include <vector>

#include <sys/types.h>

namespace kvtest {

class SimHost {
 public:
  // Starts hostsim with `seedFile` (and `hostArgs`) and installs the host
  // libraries by running the restore script through the FTP client. When the
  // host serves TLS, FTP.INI beside FTP.EXE turns it on and trusts the host's
  // certificate by its fingerprint. Check Ok() before use.
  explicit SimHost(const std::string& seedFile, std::vector<std::string> hostArgs = {});
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }
  const std::string& Address() const { return address_; }
  const std::string& Root() const { return root_; }
  // "sha256:HEX" of the host's certificate; empty without TLS.
  const std::string& Fingerprint() const { return fingerprint_; }
  std::string DriveC() const { return root_ + "/drive_c"; }
  std::string InstallDir() const { return DriveC() + "/KV-TRANSIT"; }

  // Runs an FTP script (lines, UTF-8) against the host with the real client and
  // returns its output; used to look at or prepare host objects.
  std::string RunFtp(const std::string& script);

 private:
  bool Start(const std::string& seedFile, const std::vector<std::string>& hostArgs);
  bool InstallToolLibrary();
  pid_t pid_ = -1;
  bool ok_ = false;
  std::string error_, address_, root_, fingerprint_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace kvtest
