#include "common/hostinfo.h"

#include <gtest/gtest.h>

#include <string>

using kv::FromHostEntry;

TEST(HostInfo, KeepsTheLastAddressInDottedFormAndTheOfficialName) {
  char first[] = {10, 0, 0, 5};
  char last[] = {static_cast<char>(192), static_cast<char>(168), 1, static_cast<char>(200)};
  char* addresses[] = {first, last, nullptr};
  const kv::HostInfo info = FromHostEntry(addresses, 4, "pc01.example");
  EXPECT_EQ(info.address, "192.168.1.200");  // bytes above 127 are not negative
  EXPECT_EQ(info.name, "pc01.example");
}

TEST(HostInfo, NoAddressesNoNameAndAnOverlongName) {
  char* none[] = {nullptr};
  EXPECT_EQ(FromHostEntry(none, 4, nullptr).address, "");
  EXPECT_EQ(FromHostEntry(none, 4, nullptr).name, "");
  const std::string longName(300, 'a');
  EXPECT_EQ(FromHostEntry(none, 4, longName.c_str()).name, std::string(256, 'a'));
}
