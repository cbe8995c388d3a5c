// The few socket calls that differ between platforms (posix/net.cpp,
// win32/net.cpp), below the portable parts of Socket (socket.cpp): resolving,
// starting and finishing a connect, reading an endpoint, listening.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/address.h"
#include "ftp/net.h"

namespace kv::ftp::sys {

using Handle = std::intptr_t;
constexpr Handle kNoHandle = -1;

// The addresses `host` (a name or numeric address) stands for, in the resolver's order.
NetResult Resolve(const std::string& host, int port, std::vector<Endpoint>& out);
// A non-blocking socket for `to` with its connect started; Ok when it is under way or done.
NetResult StartConnect(const Endpoint& to, Handle& handle);
// Waits for a started connect to complete within `timeoutMs`.
NetResult FinishConnect(Handle handle, int timeoutMs);
// The socket's own endpoint (`peer` false) or its peer's; false when it has none.
bool EndpointOf(Handle handle, bool peer, Endpoint& out);
// A non-blocking socket bound to `local` and listening.
NetResult Listen(const Endpoint& local, Handle& handle);
void CloseHandle(Handle handle);
// Ends the sending direction (TCP half-close).
void ShutdownWrite(Handle handle);

}  // namespace kv::ftp::sys
