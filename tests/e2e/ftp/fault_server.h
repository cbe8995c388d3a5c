// A one-session FTP server on loopback that misbehaves on purpose, one named
// fault per instance, for the client's failure paths.
#pragma once
#include <atomic>
#include <string>
#include <thread>

enum class Fault {
  None,            // behaves
  DataHalf426,     // RETR: half the data, data connection closed, 426
  DataHalf226,     // RETR: half the data, data connection closed, yet 226
  DataStall,       // RETR: some data, then nothing more on either connection
  SilentControl,   // after logon, never answers again
  MalformedReply,  // answers CWD with a line that is no reply
  PasvElsewhere,   // refuses EPSV; PASV names an address that is not its own
};

class FaultServer {
 public:
  explicit FaultServer(Fault fault);
  ~FaultServer();
  int Port() const { return port_; }
  static constexpr std::size_t kFileSize = 300000;
  static std::string FileContent();

 private:
  void Serve();
  Fault fault_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
