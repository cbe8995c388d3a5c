// CP932 conversion both ways. Text that converts must convert back to the same
// characters, and the lossy forms must always give valid text.
#include <string>

#include "common/cp932.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes = kv::fuzz::Bytes(data, size);
  if (auto utf8 = kv::Cp932ToUtf8(bytes)) {
    auto back = kv::Utf8ToCp932(*utf8);
    if (!back) kv::fuzz::Fail("CP932 text converted to UTF-8 does not convert back");
    auto again = kv::Cp932ToUtf8(*back);
    if (!again || *again != *utf8) kv::fuzz::Fail("CP932 round trip changes the text");
  }
  if (auto cp = kv::Utf8ToCp932(bytes)) {
    auto back = kv::Cp932ToUtf8(*cp);
    if (!back || *back != bytes) kv::fuzz::Fail("UTF-8 round trip through CP932 changes the text");
  }
  if (!kv::Utf8ToCp932(kv::Cp932ToUtf8Lossy(bytes))) kv::fuzz::Fail("lossy UTF-8 text is not CP932 text");
  if (!kv::Cp932ToUtf8(kv::Utf8ToCp932Lossy(bytes))) kv::fuzz::Fail("lossy CP932 text does not convert");
  return 0;
}
