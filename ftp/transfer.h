// File transfers over a data connection: get (RETR) into a temporary file that
// replaces the target only after a complete transfer, put (STOR) from a local file.
// Both stream through one fixed buffer, so memory does not grow with file size.
#pragma once
#include <string>

#include "ftp/report.h"
#include "ftp/session.h"

namespace kv::ftp {

// `remote` holds script bytes; `localShown` is the local name as typed (UTF-8),
// `localNative` the path to open. Both return an exit status (options.h).
int GetFile(Session& session, Report& report, const std::string& remote, const std::string& localShown,
            const std::string& localNative);
int PutFile(Session& session, Report& report, const std::string& localShown, const std::string& localNative,
            const std::string& remote);

// Bytes per hash mark ("#") when `hash` is on.
constexpr std::size_t kHashBlock = 2048;

// Size of the one transfer buffer.
constexpr std::size_t kTransferBuffer = 256 * 1024;

}  // namespace kv::ftp
