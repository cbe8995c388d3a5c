// hostsim's command reader: the input is what a client sends on the control
// connection (a real TCP connection on loopback), read by a session of a small
// host made afresh for each input. Data connections are never waited for, and the
// client's own address is one where nothing listens, so PORT leads nowhere.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "fuzz/fuzz_support.h"
#include "hostsim/server.h"
#include "hostsim/state.h"

namespace {

const char kSeed[] =
    "USER NAME(QSECOFR) PASSWORD(QSECOFR)\n"
    "USER NAME(OTHER) PASSWORD('pw') STATUS(*DISABLED)\n"
    "LIB NAME(FUZZLIB) TEXT('fuzz')\n"
    "SRCPF NAME(QRPGSRC) RCDLEN(92) CCSID(5035) TEXT('src')\n"
    "MBR NAME(A) TYPE(RPGLE) TEXT('a')\n"
    "| line one\n"
    "PF NAME(DATA) CCSID(5035) TEXT('data')\n"
    "FIELD NAME(NAME) TYPE(A) LEN(10)\n"
    "FIELD NAME(AMT) TYPE(P) LEN(7 2)\n"
    "MBR NAME(DATA) TEXT('rows')\n"
    "ROW 'abc' '-3.50'\n"
    "SAVF NAME(EMPTY) TEXT('empty save file')\n";

constexpr const char* kClientAddress = "127.213.7.9";

int Listener(sockaddr_in& at) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  at = {};
  at.sin_family = AF_INET;
  ::inet_pton(AF_INET, "127.0.0.1", &at.sin_addr);
  socklen_t len = sizeof at;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &len) != 0)
    kv::fuzz::Fail("cannot listen on loopback");
  return fd;
}

int Connect(const sockaddr_in& to) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in me{};
  me.sin_family = AF_INET;
  ::inet_pton(AF_INET, kClientAddress, &me.sin_addr);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&me), sizeof me) != 0 ||
      ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0)
    kv::fuzz::Fail("cannot connect on loopback");
  return fd;
}

// Sends the input, then the end of the stream, reading replies all the while so
// neither side can block the other; true when the server ended the connection.
bool Converse(int fd, std::string_view input) {
  std::size_t sent = 0;
  bool writing = true;
  char buf[65536];
  for (;;) {
    if (writing && sent == input.size()) {
      ::shutdown(fd, SHUT_WR);
      writing = false;
    }
    pollfd p{fd, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
    if (::poll(&p, 1, 60000) <= 0) return false;   // far beyond any reply, even on a loaded machine
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return true;
    }
    if (writing && (p.revents & POLLOUT)) {
      ssize_t n = ::send(fd, input.data() + sent, input.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0) return true;   // the server closed first
      sent += static_cast<std::size_t>(n);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return -1;
  kv::fuzz::KeepConvertersLoaded({"IBM943", "IBM939", "IBM930", "IBM037", "CP932"});
  static sockaddr_in at;
  static int listenFd = Listener(at);
  hostsim::Host host;
  std::string why;
  if (!hostsim::LoadSeedText(host, kSeed, why)) kv::fuzz::Fail(why.c_str());
  hostsim::AddToolLibrary(host, "KVTOOLS");
  hostsim::ServerOptions opt;
  opt.dataTimeoutSeconds = 0;
  opt.idleSeconds = 10;
  hostsim::Server server(host, opt);

  int client = Connect(at);
  int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) kv::fuzz::Fail("accept failed");
  std::thread session([&server, fd] { hostsim::ServeSession(server, fd); });
  bool ended = Converse(client, kv::fuzz::Bytes(data, size));
  ::close(client);
  session.join();
  if (!ended) kv::fuzz::Fail("the session stopped answering");
  return 0;
}
