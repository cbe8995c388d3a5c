// Save-file images in the simulator's own format: a 528-byte header record
// ("HOSTSIM-SAVF-1", then KEY=VALUE lines) followed by the saved objects in the
// seed format with exact records, padded with zeros to a multiple of 528 bytes.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string_view>
#include <string>

#include "hostsim/store.h"

namespace hostsim {

constexpr std::size_t kSavfRecord = 528;

struct SaveImage {
  std::string kind;      // LIB (SAVLIB) or OBJ (SAVOBJ)
  std::string library;   // the library the objects were saved from
  int objects = 0;
  std::string release = "V7R3M0";
  std::int64_t saved = 0;
  std::string payload;   // seed-format text
  std::uint64_t payloadSize = 0;   // its length, also when only the header was read
};

// The release a save records for a TGTRLS value: *CURRENT (or no value) and
// *PRV name the current and the previous release; a release named must be one
// a save can be made for (the current one and the two before it). Empty when
// the value is none of these.
std::string ResolveTargetRelease(const std::string& tgtrls);

std::string BuildImage(const SaveImage& img);
// Checks the header of an image of `size` bytes; reads the whole image when
// `full` is set. Returns false with a reason when the bytes are not an image.
bool ReadImage(const std::string& path, std::uint64_t size, bool full, SaveImage& img, std::string& err);

// Writes an image into a new file at `path` without holding its payload:
// `payload` hands the text to the sink in parts; `img.objects` may be set by it.
// False (and no file) when the file cannot be written.
using PayloadSink = std::function<void(std::string_view)>;
bool WriteImageFile(const std::string& path, SaveImage& img, const std::function<void(const PayloadSink&)>& payload);

// Reads the payload of an image file (whose header ReadImage checked) a line at a time.
class PayloadLines {
 public:
  PayloadLines(const std::string& path, std::uint64_t payloadSize);
  ~PayloadLines();
  bool Next(std::string& line);

 private:
  std::FILE* fp_;
  std::uint64_t left_;
};

}  // namespace hostsim
