#include "ftp/transfer.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/fileio.h"
#include "ftp/address.h"
#include "ftp/bomtext.h"
#include "ftp/datachannel.h"
#include "ftp/platform.h"
#include "ftp/textconv.h"

namespace kv::ftp {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads the reply that ends a transfer. After a failed data connection the server
// may itself be stuck, so the wait is the data time limit rather than the long
// reply limit.
std::optional<Reply> FinalReply(Session& session, bool dataFailed) {
  return session.ReadReply(dataFailed ? session.Opts().dataTimeout : session.Opts().replyTimeout);
}

std::string NetFailure(Session& session, const NetResult& r) {
  if (r.status == NetStatus::Timeout)
    return "no data moved for " + std::to_string(session.Opts().dataTimeout) + " seconds";
  return r.message;
}

// Prepares the data connection, sends the transfer command and connects: kOk
// with the server's first reply in `first` (a final reply there means the
// transfer has already ended), or the failure's exit code after the final reply
// has been read where one is still due.
int StartTransfer(Session& session, DataChannel& data, const std::string& command, Reply& first) {
  int status = data.Prepare();
  if (status != exitcode::kOk) return status;
  auto reply = session.Request(command);
  if (!reply) return exitcode::kHostLost;
  if (reply->Kind() > 2) return exitcode::kCommandFailed;
  status = data.Establish();
  if (status != exitcode::kOk && reply->Kind() != 2) FinalReply(session, true);
  first = *reply;
  return status;
}

}  // namespace

int GetFile(Session& session, const std::string& remote, const std::string& localShown,
            const std::string& localNative) {
  Console& out = session.Out();
  if (!session.IsConnected()) {
    out.Message("Not connected.");
    return exitcode::kCommandFailed;
  }
  if (native::IsDir(localNative)) {
    out.Message("Error opening local file " + localShown + " (it is a directory).");
    return exitcode::kCommandFailed;
  }
  // The data goes to a temporary file beside the target; the target changes only
  // when the whole file has arrived.
  std::string temp = localNative + ".kvpart-" + std::to_string(ProcessId());
  File file(native::OpenFile(temp, "wb"));
  if (!file) {
    out.Message("Error opening local file " + localShown + ".");
    return exitcode::kCommandFailed;
  }
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  auto discard = [&](int status) {
    file.reset();
    native::RemoveFile(temp);
    return status;
  };

  DataChannel data(session);
  Reply first;
  const int status = StartTransfer(session, data, "RETR " + remote, first);
  if (status != exitcode::kOk) return discard(status);
  const bool finalSeen = first.Kind() == 2;
  const std::optional<std::uint64_t> announced = AnnouncedSize(first.Text());

  std::vector<char> buffer(kTransferBuffer);
  std::string converted;
  CrLfConverter converter;
  std::uint64_t received = 0;
  std::string failure;
  bool dataFailed = false;
  auto start = Clock::now();
  for (;;) {
    NetResult r = data.Sock().Receive(buffer.data(), buffer.size(), session.DataTimeoutMs());
    if (r.status == NetStatus::Closed) break;
    if (!r.Ok()) {
      failure = NetFailure(session, r);
      dataFailed = true;
      break;
    }
    received += r.bytes;
    const char* bytes = buffer.data();
    std::size_t size = r.bytes;
    if (session.textMode) {
      converter.Convert(bytes, size, converted);
      bytes = converted.data();
      size = converted.size();
    }
    if (std::fwrite(bytes, 1, size, file.get()) != size) {
      failure = "cannot write " + localShown;
      dataFailed = true;
      break;
    }
  }
  data.Close();
  double seconds = SecondsSince(start);

  if (!finalSeen) {
    auto reply = FinalReply(session, dataFailed);
    if (!reply) return discard(exitcode::kHostLost);
    if (!reply->Completed() && failure.empty()) failure = "the server reported a failure";
  }
  if (failure.empty() && !session.textMode && announced && *announced != received)
    failure = "the server announced " + std::to_string(*announced) + " bytes but sent " + std::to_string(received);
  if (failure.empty() && std::fclose(file.release()) != 0) failure = "cannot write " + localShown;
  if (failure.empty() && !native::MoveReplacing(temp, localNative)) failure = "cannot replace " + localShown;
  if (!failure.empty()) {
    out.Message("ftp: get failed: " + failure + "; " + localShown + " was left as it was.");
    return discard(exitcode::kCommandFailed);
  }
  out.Statistics(received, true, seconds);
  return exitcode::kOk;
}

int PutFile(Session& session, const std::string& localShown, const std::string& localNative,
            const std::string& remote) {
  Console& out = session.Out();
  if (!session.IsConnected()) {
    out.Message("Not connected.");
    return exitcode::kCommandFailed;
  }
  File file(native::IsDir(localNative) ? nullptr : native::OpenFile(localNative, "rb"));
  if (!file) {
    out.Message("Error opening local file " + localShown + ".");
    return exitcode::kCommandFailed;
  }
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  // A text file marked as UTF-8 goes as code page 932 without the mark; one
  // that cannot is refused before the server is asked to store anything.
  const bool utf8 = session.textMode && SkipUtf8Mark(file.get());
  if (std::string why; utf8 && !CheckUtf8Text(file.get(), why)) {
    out.Message("ftp: put failed: " + localShown + " " + why + "; nothing was sent.");
    return exitcode::kCommandFailed;
  }

  DataChannel data(session);
  Reply first;
  const int status = StartTransfer(session, data, "STOR " + remote, first);
  if (status != exitcode::kOk) return status;
  const bool finalSeen = first.Kind() == 2;

  std::vector<char> buffer(kTransferBuffer);
  std::string converted, cp932;
  CrLfConverter converter;
  Utf8ToCp932Stream toCp932;
  std::uint64_t sent = 0;
  std::string failure;
  bool dataFailed = false;
  auto start = Clock::now();
  for (;;) {
    std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (n == 0) {
      if (std::ferror(file.get())) {
        failure = "cannot read " + localShown;
        dataFailed = true;
      }
      break;
    }
    const char* bytes = buffer.data();
    std::size_t size = n;
    if (utf8) {
      if (!toCp932.Convert(bytes, size, cp932)) {
        failure = localShown + " " + toCp932.Error();   // changed since it was checked
        dataFailed = true;
        break;
      }
      bytes = cp932.data();
      size = cp932.size();
    }
    if (session.textMode) {
      converter.Convert(bytes, size, converted);
      bytes = converted.data();
      size = converted.size();
    }
    NetResult r = data.Sock().SendAll(bytes, size, session.DataTimeoutMs());
    sent += r.bytes;
    if (!r.Ok()) {
      failure = NetFailure(session, r);
      dataFailed = true;
      break;
    }
  }
  // A failed upload must not look complete to the server: reset rather than close cleanly.
  if (dataFailed) {
    data.Sock().Abort();
  } else {
    data.Sock().ShutdownSend(session.DataTimeoutMs());
    // Over TLS the server may have sent records (session tickets) that were never
    // read; closing with them unread would reset the connection under the
    // server's last reads. Read until the server closes its side.
    if (data.Sock().IsEncrypted()) {
      char sink[4096];
      while (data.Sock().Receive(sink, sizeof sink, session.DataTimeoutMs()).Ok()) {
      }
    }
  }
  data.Close();
  double seconds = SecondsSince(start);

  if (!finalSeen) {
    auto reply = FinalReply(session, dataFailed);
    if (!reply) return exitcode::kHostLost;
    if (!reply->Completed() && failure.empty()) failure = "the server reported a failure";
  }
  if (!failure.empty()) {
    out.Message("ftp: put failed: " + failure + ".");
    return exitcode::kCommandFailed;
  }
  out.Statistics(sent, false, seconds);
  return exitcode::kOk;
}

}  // namespace kv::ftp
