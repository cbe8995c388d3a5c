#include "ftp/datachannel.h"

#include "ftp/address.h"

namespace kv::ftp {

int DataChannel::Prepare() {
  active_ = !session_.passive;
  return active_ ? Active() : Passive();
}

int DataChannel::Passive() {
  Console& out = session_.Out();
  std::string peer = session_.Control().Sock().PeerAddress();
  std::optional<int> port;
  if (!session_.epsvRefused) {
    auto reply = session_.Exchange("EPSV");
    if (!reply) return exitcode::kHostLost;
    if (reply->code == 229) port = ParseEpsv(reply->Text());
    if (!port) session_.epsvRefused = true;  // this server gets PASV from now on
  }
  if (!port) {
    if (session_.Control().Sock().IsIpv6()) {
      out.Message("ftp: the server offers no extended passive mode over IPv6.");
      return exitcode::kCommandFailed;
    }
    auto reply = session_.Exchange("PASV");
    if (!reply) return exitcode::kHostLost;
    if (reply->code != 227) return exitcode::kCommandFailed;
    auto address = ParsePasv(reply->lines.front());
    if (!address) {
      out.Message("ftp: cannot read the passive address in the reply.");
      return exitcode::kCommandFailed;
    }
    // The address in the reply is often private or wrong behind NAT; the data
    // connection goes to the host the control connection reached.
    port = address->port;
  }
  NetResult r = data_.Connect(peer, *port, session_.ConnectTimeoutMs());
  if (!r.Ok()) {
    out.Message("ftp: data connection to " + peer + " port " + std::to_string(*port) + " failed: " + r.message);
    return exitcode::kCommandFailed;
  }
  return exitcode::kOk;
}

int DataChannel::Active() {
  Console& out = session_.Out();
  Socket& control = session_.Control().Sock();
  NetResult r = listener_.ListenBeside(control);
  if (!r.Ok()) {
    out.Message("ftp: cannot listen for a data connection: " + r.message);
    return exitcode::kCommandFailed;
  }
  std::string address = control.LocalAddress();
  int port = listener_.LocalPort();
  std::string command;
  if (control.IsIpv6()) {
    command = "EPRT " + FormatEprtArgument(address, true, port);
  } else {
    auto argument = FormatPortArgument(address, port);
    if (!argument) {
      out.Message("ftp: cannot form a PORT command for " + address);
      return exitcode::kCommandFailed;
    }
    command = "PORT " + *argument;
  }
  auto reply = session_.Exchange(command);
  if (!reply) return exitcode::kHostLost;
  return reply->Completed() ? exitcode::kOk : exitcode::kCommandFailed;
}

int DataChannel::Establish() {
  int status = active_ ? Accept() : exitcode::kOk;
  // The FTP client is the TLS client on the data connection whichever side
  // connected, and starts its handshake once the server has accepted the command.
  return status == exitcode::kOk ? session_.SecureData(data_) : status;
}

int DataChannel::Accept() {
  NetResult r = listener_.Accept(data_, session_.DataTimeoutMs());
  listener_.Close();
  if (!r.Ok()) {
    session_.Out().Message(r.status == NetStatus::Timeout
                               ? "ftp: the server did not open the data connection within " +
                                     std::to_string(session_.Opts().dataTimeout) + " seconds."
                               : "ftp: accepting the data connection failed: " + r.message);
    return exitcode::kCommandFailed;
  }
  // Only the host we are talking to may deliver or take the data.
  std::string expected = session_.Control().Sock().PeerAddress();
  if (data_.PeerAddress() != expected) {
    session_.Out().Message("ftp: data connection from " + data_.PeerAddress() + " refused (expected " + expected + ").");
    data_.Close();
    return exitcode::kCommandFailed;
  }
  return exitcode::kOk;
}

}  // namespace kv::ftp
