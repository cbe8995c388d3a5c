// What a socket does the same on every platform: ownership of its handle.
#include "ftp/net.h"

namespace kv::ftp {

Socket::~Socket() { Close(); }
Socket::Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }
Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kInvalid;
  }
  return *this;
}

}  // namespace kv::ftp
