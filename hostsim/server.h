// The FTP server: one thread per control connection, each with its own job.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/faults.h"
#include "hostsim/store.h"
#include "hostsim/tls.h"

namespace hostsim {

struct ServerOptions {
  std::string address = "127.0.0.1";
  int port = 21;
  std::string systemName = "HOSTSIM.LOCAL";
  int completionCode = 226;       // 250 on old releases
  char epsvDelimiter = '!';
  bool upperReplies = false;      // as a job CCSID without lower-case letters shows them
  int idleSeconds = 300;
  int dataTimeoutSeconds = 30;
  int maxSignOnFailures = 3;
  int maxSessions = 200;
  std::size_t maxLine = 2048;
  TlsPolicy tls = TlsPolicy::Off;
  std::shared_ptr<const TlsServer> tlsServer;  // set unless tls is Off
  bool requireTlsReuse = false;                // data connections must resume a cached TLS session
  bool allowRemote = false;         // listen on an address other than 127.x.x.x
  std::vector<FaultSwitch> faults;  // with the host's own (from its seed)
};

class Server {
 public:
  Server(Host& host, ServerOptions opt) : host_(host), opt_(std::move(opt)) {}
  // Binds and listens; returns the bound "address:port" or empty with `err`.
  std::string Listen(std::string& err);
  // Accepts connections until Stop(); each session runs on its own thread.
  void Run();
  void Stop();
  // Called after a session has ended, and after each subcommand and before the
  // reply of a transfer that stored something: commits the store when it changed.
  std::function<void()> onSessionEnd;
  std::function<void()> onChange;
  // Takes the session log, one line at a time (subcommands, password hidden,
  // and replies); may be called from several sessions at once.
  std::function<void(const std::string&)> log;

  Host& host() { return host_; }
  const ServerOptions& options() const { return opt_; }
  std::atomic<int> sessions{0};

 private:
  Host& host_;
  ServerOptions opt_;
  int listenFd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> connections_{0};
};

// Runs one control connection to its end (exposed for tests).
// `number` is the 1-based number of the connection since start (fault switches
// may name it).
void ServeSession(Server& server, int fd, std::uint64_t number = 1);

}  // namespace hostsim
