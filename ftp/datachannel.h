// Opening a data connection: passive (EPSV, then PASV; always at the control
// connection's peer address, whatever address a PASV reply names) or active
// (PORT/EPRT on the control connection's local address).
#pragma once
#include <optional>
#include <string>

#include "ftp/net.h"
#include "ftp/session.h"

namespace kv::ftp {

class DataChannel {
 public:
  explicit DataChannel(Session& session) : session_(session) {}

  // Before the transfer command. Passive: connects. Active: listens and sends PORT.
  // An exit status (options.h); kOk when the transfer command may follow.
  int Prepare();
  // After a positive preliminary reply: an active connection is accepted here,
  // and the connection secured when the session protects its data.
  int Establish();
  Socket& Sock() { return data_; }
  void Close() {
    data_.Close();
    listener_.Close();
  }

 private:
  int Passive();
  int Active();
  int Accept();

  Session& session_;
  Socket listener_;
  Socket data_;
  bool active_ = false;
};

}  // namespace kv::ftp
