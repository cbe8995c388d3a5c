#include "hostsim/upload_lines.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace hostsim {

namespace {
constexpr std::size_t kBlock = 256 * 1024;
}

bool ForEachBlock(const std::string& path, std::size_t skip, const std::function<bool(std::string_view)>& fn) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // Not cleared first: a small upload touches only the pages it fills.
  std::unique_ptr<char[]> chunk(new char[kBlock]);
  bool ok = ::lseek(fd, static_cast<off_t>(skip), SEEK_SET) >= 0;
  while (ok) {
    ssize_t n = ::read(fd, chunk.get(), kBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    ok = fn(std::string_view(chunk.get(), static_cast<std::size_t>(n)));
  }
  ::close(fd);
  return ok;
}

bool ForEachLineBlock(const std::string& path, std::size_t skip, const std::function<bool(std::string_view)>& fn) {
  std::string buf;
  bool ok = ForEachBlock(path, skip, [&](std::string_view chunk) {
    buf.append(chunk);
    std::size_t nl = buf.rfind('\n');
    if (nl == std::string::npos) return true;   // a line longer than a block: read on
    bool more = fn(std::string_view(buf).substr(0, nl + 1));
    buf.erase(0, nl + 1);
    return more;
  });
  if (ok && !buf.empty()) ok = fn(buf);
  return ok;
}

int UploadFileCcsid(const std::string& path, int transferCcsid, std::size_t& markLength) {
  UploadCcsidProbe probe(transferCcsid);
  ForEachLineBlock(path, 0, [&](std::string_view block) {
    probe.Feed(block);
    return true;
  });
  return probe.Result(markLength);
}

bool UploadLines::ForEach(const std::function<bool(const std::string&, std::size_t)>& fn) const {
  std::size_t n = 0;
  std::string e;
  return ForEachLineBlock(path_, skip_, [&](std::string_view block) {
    while (!block.empty()) {
      std::size_t nl = block.find('\n');
      std::string_view ln = block.substr(0, nl);
      block.remove_prefix(nl == std::string_view::npos ? block.size() : nl + 1);
      while (!ln.empty() && ln.back() == '\r') ln.remove_suffix(1);
      e.clear();
      conv_.Convert(ln, e);
      if (!fn(e, ++n)) return false;
    }
    return true;
  });
}

}  // namespace hostsim
