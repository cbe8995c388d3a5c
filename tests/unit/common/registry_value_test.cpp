// The text of a registry value, from the bytes the query returned.
#include "common/registry_value.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

TEST(RegistryValueText, StringsAndDwords) {
  using namespace std::string_literals;
  EXPECT_EQ(RegistryValueText(kRegSz, "C:\\Tools\0"s), "C:\\Tools");
  // A string whose last returned byte is not NUL keeps every byte.
  EXPECT_EQ(RegistryValueText(kRegSz, "C:\\Tools"s), "C:\\Tools");
  EXPECT_EQ(RegistryValueText(kRegSz, "\0"s), "");
  EXPECT_EQ(RegistryValueText(kRegDword, "\x01\x00\x00\x00"s), "1");
  // Each byte keeps both hex digits: 0x0102 is 258, not 0x12.
  EXPECT_EQ(RegistryValueText(kRegDword, "\x02\x01\x00\x00"s), "258");
  EXPECT_EQ(RegistryValueText(kRegDword, "\x00\x00\x00\x80"s), "2147483648");
  EXPECT_EQ(RegistryValueText(3, "ab"s), std::nullopt);
}

}  // namespace
}  // namespace kv
