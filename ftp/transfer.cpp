#include "ftp/transfer.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/cp932.h"
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

// A reply as the report quotes it: the code once, then the text of every line
// ("550 Line 2 is longer than the record length 92. Member M not changed.").
std::string ReplyText(const Reply& reply) {
  std::string text = std::to_string(reply.code);
  const std::string code = text;
  for (const auto& line : reply.lines) {
    bool numbered = line.size() >= 4 && line.compare(0, 3, code) == 0 && (line[3] == '-' || line[3] == ' ');
    text += ' ';
    text += numbered ? line.substr(4) : line;
  }
  return text;
}

// Prepares the data connection, sends the transfer command and connects: kOk
// with the server's first reply in `first` (a final reply there means the
// transfer has already ended), or the failure's exit code after the final reply
// has been read where one is still due; the failure is reported on `t`.
int StartTransfer(Session& session, DataChannel& data, const std::string& command, Reply& first,
                  ReportedTransfer& t) {
  int status = data.Prepare();
  if (status != exitcode::kOk) {
    t.Failed(FailureCause::Network, "no data connection could be prepared");
    return status;
  }
  auto reply = session.Request(command);
  if (!reply) {
    t.Failed(FailureCause::Network, "the host stopped answering");
    return exitcode::kHostLost;
  }
  if (reply->Kind() > 2) {
    t.Failed(FailureCause::Server, ReplyText(*reply));
    return exitcode::kCommandFailed;
  }
  status = data.Establish();
  if (status != exitcode::kOk) {
    if (reply->Kind() != 2) FinalReply(session, true);
    t.Failed(FailureCause::Network, "the data connection could not be opened");
  }
  first = *reply;
  return status;
}

// Most bytes an upload hands to the socket at once between two progress reports.
constexpr std::size_t kProgressSlice = 64 * 1024;

// Hash marks of one transfer: a "#" for every kHashBlock bytes, when `hash` is on;
// the line of marks ends with the data.
class HashLine {
 public:
  explicit HashLine(Session& session) : out_(session.Out()), on_(session.hashMarks) {}
  void Moved(std::uint64_t bytes) {
    if (!on_) return;
    const std::uint64_t due = bytes / kHashBlock;
    if (due > printed_) out_.Marks(static_cast<std::size_t>(due - printed_));
    printed_ = due;
  }
  void End() {
    if (printed_) out_.EndMarks();
    printed_ = 0;
  }

 private:
  Console& out_;
  bool on_;
  std::uint64_t printed_ = 0;
};

// A transfer's failure: what the client prints, the cause the report gives.
struct Failure {
  FailureCause cause = FailureCause::Network;
  std::string text;
  bool Empty() const { return text.empty(); }
};

// Reads the reply that ends a transfer whose data has moved; kOk, or kHostLost
// (reported on `t`). A negative reply becomes the failure when none came first.
// `bounded`: wait no longer than the data time limit (see FinalReply).
int EndTransfer(Session& session, bool finalSeen, bool bounded, Failure& failure, ReportedTransfer& t) {
  if (finalSeen) return exitcode::kOk;
  auto reply = FinalReply(session, bounded);
  if (!reply) {
    t.Failed(FailureCause::Network, failure.Empty() ? "the host stopped answering" : failure.text);
    return exitcode::kHostLost;
  }
  if (!reply->Completed() && failure.Empty()) failure = {FailureCause::Server, ReplyText(*reply)};
  return exitcode::kOk;
}

// The failure as the console shows it: the server's own reply is on the screen already.
std::string Shown(const Failure& failure) {
  return failure.cause == FailureCause::Server ? "the server reported a failure" : failure.text;
}

std::string ReportedRemote(Session& session, const std::string& remote) {
  return session.Out().Encoding() == TextEncoding::Utf8 ? remote : Cp932ToUtf8Lossy(remote);
}

}  // namespace

int GetFile(Session& session, Report& report, const std::string& remote, const std::string& localShown,
            const std::string& localNative) {
  Console& out = session.Out();
  ReportedTransfer t(report, TransferDirection::Get, ReportedRemote(session, remote), localShown);
  if (!session.IsConnected()) {
    out.Message("Not connected.");
    t.Failed(FailureCause::Network, "Not connected.");
    return exitcode::kCommandFailed;
  }
  if (native::IsDir(localNative)) {
    out.Message("Error opening local file " + localShown + " (it is a directory).");
    t.Failed(FailureCause::Local, "Error opening local file " + localShown + " (it is a directory).");
    return exitcode::kCommandFailed;
  }
  // The data goes to a temporary file beside the target; the target changes only
  // when the whole file has arrived.
  std::string temp = localNative + ".kvpart-" + std::to_string(ProcessId());
  File file(native::OpenFile(temp, "wb"));
  if (!file) {
    out.Message("Error opening local file " + localShown + ".");
    t.Failed(FailureCause::Local, "Error opening local file " + localShown + ".");
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
  int status = StartTransfer(session, data, "RETR " + remote, first, t);
  if (status != exitcode::kOk) return discard(status);
  const bool finalSeen = first.Kind() == 2;
  const std::optional<std::uint64_t> announced = AnnouncedSize(first.Text());
  t.SetTotal(announced);

  std::vector<char> buffer(kTransferBuffer);
  std::string converted;
  CrLfConverter converter;
  std::uint64_t received = 0;
  Failure failure;
  bool dataFailed = false;
  HashLine hashes(session);
  auto start = Clock::now();
  for (;;) {
    NetResult r = data.Sock().Receive(buffer.data(), buffer.size(), session.DataTimeoutMs());
    if (r.status == NetStatus::Closed) break;
    if (!r.Ok()) {
      failure = {FailureCause::Network, NetFailure(session, r)};
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
      failure = {FailureCause::Local, "cannot write " + localShown};
      dataFailed = true;
      break;
    }
    t.Moved(received);
    hashes.Moved(received);
  }
  hashes.End();
  data.Close();
  double seconds = SecondsSince(start);

  status = EndTransfer(session, finalSeen, dataFailed, failure, t);
  if (status != exitcode::kOk) return discard(status);
  if (failure.Empty() && !session.textMode && announced && *announced != received)
    failure = {FailureCause::Network,
               "the server announced " + std::to_string(*announced) + " bytes but sent " + std::to_string(received)};
  if (failure.Empty() && std::fclose(file.release()) != 0) failure = {FailureCause::Local, "cannot write " + localShown};
  if (failure.Empty() && !native::MoveReplacing(temp, localNative))
    failure = {FailureCause::Local, "cannot replace " + localShown};
  if (!failure.Empty()) {
    out.Message("ftp: get failed: " + Shown(failure) + "; " + localShown + " was left as it was.");
    t.Failed(failure.cause, failure.text);
    return discard(exitcode::kCommandFailed);
  }
  t.Succeeded(received);
  out.Statistics(received, true, seconds);
  return exitcode::kOk;
}

int PutFile(Session& session, Report& report, const std::string& localShown, const std::string& localNative,
            const std::string& remote) {
  Console& out = session.Out();
  ReportedTransfer t(report, TransferDirection::Put, ReportedRemote(session, remote), localShown,
                     native::FileSize(localNative));
  if (!session.IsConnected()) {
    out.Message("Not connected.");
    t.Failed(FailureCause::Network, "Not connected.");
    return exitcode::kCommandFailed;
  }
  File file(native::IsDir(localNative) ? nullptr : native::OpenFile(localNative, "rb"));
  if (!file) {
    out.Message("Error opening local file " + localShown + ".");
    t.Failed(FailureCause::Local, "Error opening local file " + localShown + ".");
    return exitcode::kCommandFailed;
  }
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  // A text file marked as UTF-8 goes as code page 932 without the mark; one
  // that cannot is refused before the server is asked to store anything.
  const bool utf8 = session.textMode && SkipUtf8Mark(file.get());
  if (std::string why; utf8 && !CheckUtf8Text(file.get(), why)) {
    out.Message("ftp: put failed: " + localShown + " " + why + "; nothing was sent.");
    t.Failed(FailureCause::Local, localShown + " " + why);
    return exitcode::kCommandFailed;
  }

  DataChannel data(session);
  Reply first;
  int status = StartTransfer(session, data, "STOR " + remote, first, t);
  if (status != exitcode::kOk) return status;
  const bool finalSeen = first.Kind() == 2;

  std::vector<char> buffer(kTransferBuffer);
  std::string converted, cp932;
  CrLfConverter converter;
  Utf8ToCp932Stream toCp932;
  std::uint64_t sent = 0;
  std::uint64_t read = 0;
  Failure failure;
  bool dataFailed = false;
  HashLine hashes(session);
  auto start = Clock::now();
  for (;;) {
    std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (n == 0) {
      if (std::ferror(file.get())) {
        failure = {FailureCause::Local, "cannot read " + localShown};
        dataFailed = true;
      }
      break;
    }
    read += n;
    const char* bytes = buffer.data();
    std::size_t size = n;
    if (utf8) {
      if (!toCp932.Convert(bytes, size, cp932)) {
        failure = {FailureCause::Local, localShown + " " + toCp932.Error()};  // changed since it was checked
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
    // Sent in slices, so that a slow connection still shows progress within a buffer.
    for (std::size_t off = 0; off < size && !dataFailed; off += kProgressSlice) {
      NetResult r = data.Sock().SendAll(bytes + off, std::min(kProgressSlice, size - off), session.DataTimeoutMs());
      sent += r.bytes;
      if (!r.Ok()) {
        failure = {FailureCause::Network, NetFailure(session, r)};
        dataFailed = true;
      }
      // The file's bytes in proportion to the wire's (line ends may have grown).
      t.Moved(read - n + n * std::min(off + kProgressSlice, size) / size);
      hashes.Moved(sent);
    }
    if (dataFailed) break;
  }
  t.Flush();
  hashes.End();
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

  // Once an upload's data is out, the host has all it will get and answers at
  // once; a host that never read the data (a stalled data connection) would
  // otherwise hold the run for the whole reply limit.
  status = EndTransfer(session, finalSeen, true, failure, t);
  if (status != exitcode::kOk) return status;
  if (!failure.Empty()) {
    out.Message("ftp: put failed: " + Shown(failure) + ".");
    t.Failed(failure.cause, failure.text);
    return exitcode::kCommandFailed;
  }
  t.Succeeded(read);
  out.Statistics(sent, false, seconds);
  return exitcode::kOk;
}

}  // namespace kv::ftp
