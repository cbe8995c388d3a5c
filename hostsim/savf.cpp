#include "hostsim/savf.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace hostsim {
namespace {
const char kMagic[] = "HOSTSIM-SAVF-1\n";
constexpr const char* kReleases[] = {"V7R3M0", "V7R4M0", "V7R5M0"};
constexpr const char* kCurrent = "V7R5M0";
constexpr const char* kPrevious = "V7R4M0";
}  // namespace

std::string ResolveTargetRelease(const std::string& tgtrls) {
  if (tgtrls == "*CURRENT" || tgtrls.empty()) return kCurrent;
  if (tgtrls == "*PRV") return kPrevious;
  for (const char* r : kReleases)
    if (tgtrls == r) return r;
  return "";
}

namespace {
std::string Header(const SaveImage& img, std::uint64_t payload) {
  std::ostringstream h;
  h << kMagic << "KIND=" << img.kind << "\nLIB=" << img.library << "\nOBJECTS=" << img.objects
    << "\nTGTRLS=" << img.release << "\nSAVED=" << img.saved << "\nPAYLOAD=" << payload << "\n";
  std::string out = h.str();
  out.resize(kSavfRecord, '\0');
  return out;
}
}  // namespace

bool WriteImageFile(const std::string& path, SaveImage& img, const std::function<void(const PayloadSink&)>& payload) {
  std::unique_ptr<FILE, int (*)(FILE*)> fp(std::fopen(path.c_str(), "wbx"), std::fclose);
  if (!fp) return false;
  bool ok = std::fwrite(std::string(kSavfRecord, '\0').data(), 1, kSavfRecord, fp.get()) == kSavfRecord;
  std::uint64_t size = 0;
  payload([&](std::string_view part) {
    ok = ok && std::fwrite(part.data(), 1, part.size(), fp.get()) == part.size();
    size += part.size();
  });
  const std::string pad((kSavfRecord - size % kSavfRecord) % kSavfRecord, '\0');
  const std::string head = Header(img, size);
  ok = ok && std::fwrite(pad.data(), 1, pad.size(), fp.get()) == pad.size() && std::fseek(fp.get(), 0, SEEK_SET) == 0 &&
       std::fwrite(head.data(), 1, head.size(), fp.get()) == head.size();
  ok = std::fclose(fp.release()) == 0 && ok;
  if (!ok) std::remove(path.c_str());
  img.payloadSize = size;
  return ok;
}

PayloadLines::PayloadLines(const std::string& path, std::uint64_t payloadSize)
    : fp_(std::fopen(path.c_str(), "rb")), left_(payloadSize) {
  if (fp_ && std::fseek(fp_, static_cast<long>(kSavfRecord), SEEK_SET) != 0) left_ = 0;
}

PayloadLines::~PayloadLines() {
  if (fp_) std::fclose(fp_);
}

bool PayloadLines::Next(std::string& line) {
  line.clear();
  if (!fp_ || left_ == 0) return false;
  int ch;
  while (left_ > 0 && (ch = getc_unlocked(fp_)) != EOF) {
    --left_;
    if (ch == '\n') return true;
    line.push_back(static_cast<char>(ch));
  }
  if (left_ > 0) left_ = 0;   // the file ended early
  return !line.empty();
}

std::string BuildImage(const SaveImage& img) {
  std::string out = Header(img, img.payload.size());
  out += img.payload;
  out.resize((out.size() + kSavfRecord - 1) / kSavfRecord * kSavfRecord, '\0');
  return out;
}

bool ReadImage(const std::string& path, std::uint64_t size, bool full, SaveImage& img, std::string& err) {
  if (size == 0) {
    err = "the save file is empty";
    return false;
  }
  if (size % kSavfRecord != 0 || size < kSavfRecord) {
    err = "the data is not a save-file image";
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> fp(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!fp) {
    err = "the save file cannot be read";
    return false;
  }
  std::string head(kSavfRecord, '\0');
  if (std::fread(head.data(), 1, kSavfRecord, fp.get()) != kSavfRecord || head.compare(0, sizeof kMagic - 1, kMagic) != 0) {
    err = "the data is not a save-file image";
    return false;
  }
  head.resize(head.find('\0') == std::string::npos ? head.size() : head.find('\0'));
  std::istringstream in(head.substr(sizeof kMagic - 1));
  std::string line;
  std::uint64_t payload = UINT64_MAX;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string k = line.substr(0, eq), v = line.substr(eq + 1);
    if (k == "KIND") img.kind = v;
    else if (k == "LIB") img.library = v;
    else if (k == "OBJECTS") img.objects = std::atoi(v.c_str());
    else if (k == "TGTRLS") img.release = v;
    else if (k == "SAVED") img.saved = std::atoll(v.c_str());
    else if (k == "PAYLOAD") payload = std::strtoull(v.c_str(), nullptr, 10);
  }
  img.payloadSize = payload;
  if ((img.kind != "LIB" && img.kind != "OBJ") || img.library.empty() || payload > size - kSavfRecord) {
    err = "the save-file header is damaged";
    return false;
  }
  if (full) {
    img.payload.resize(payload);
    if (payload && std::fread(img.payload.data(), 1, payload, fp.get()) != payload) {
      err = "the save file is truncated";
      return false;
    }
  }
  return true;
}

}  // namespace hostsim
