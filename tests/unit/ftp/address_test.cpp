#include <gtest/gtest.h>

#include "ftp/address.h"

using namespace kv::ftp;

TEST(ParsePasv, ReadsSixNumbersWithOrWithoutBrackets) {
  struct Case { const char* reply; const char* host; int port; };
  const Case good[] = {
      {"227 Entering Passive Mode (127,0,0,2,19,137)", "127.0.0.2", 19 * 256 + 137},
      {"227 Entering Passive Mode 10,1,2,3,0,21.", "10.1.2.3", 21},
      {"227 =192,168,0,1,255,255", "192.168.0.1", 65535},
      {"227 Passive (1,2,3,4,5,6) and later 7,8,9,10,11,12", "1.2.3.4", 5 * 256 + 6},
  };
  for (const auto& c : good) {
    auto a = ParsePasv(c.reply);
    ASSERT_TRUE(a) << c.reply;
    EXPECT_EQ(a->host, c.host);
    EXPECT_EQ(a->port, c.port);
  }
  for (const char* bad : {"227 Entering Passive Mode", "227 (127,0,0,1,19)", "227 (256,0,0,1,1,1)",
                          "227 (127,0,0,1,0,0)", "227 (127,0,0,1,1,1000)", "227 (1,2,3,4,5,-6)", ""}) {
    EXPECT_FALSE(ParsePasv(bad)) << bad;
  }
}

TEST(ParseEpsv, ReadsThePortBetweenDelimiters) {
  EXPECT_EQ(ParseEpsv("229 Entering Extended Passive Mode (|||6446|)"), 6446);
  EXPECT_EQ(ParseEpsv("229 ok (!!!21!)"), 21);
  for (const char* bad : {"229 Entering Extended Passive Mode", "229 (|||0|)", "229 (|||65536|)", "229 (||6446|)",
                          "229 (|||6446)", "229 (|||abc|)", "229 (1116441)", "229 (|1|1.2.3.4|6446|)"}) {
    EXPECT_FALSE(ParseEpsv(bad)) << bad;
  }
}

TEST(FormatAddresses, PortAndEprtArguments) {
  EXPECT_EQ(FormatPortArgument("127.0.0.2", 5001), "127,0,0,2,19,137");
  EXPECT_FALSE(FormatPortArgument("::1", 5001));
  EXPECT_FALSE(FormatPortArgument("127.0.0.256", 5001));
  EXPECT_FALSE(FormatPortArgument("127.0.0.1", 0));
  EXPECT_EQ(FormatEprtArgument("::1", true, 6446), "|2|::1|6446|");
  EXPECT_EQ(FormatEprtArgument("10.0.0.1", false, 21), "|1|10.0.0.1|21|");
}

TEST(AnnouncedSize, ReadsByteCountOfPreliminaryReply) {
  EXPECT_EQ(AnnouncedSize("150 Opening BINARY mode data connection for a.bin (1073741824 bytes)."), 1073741824u);
  EXPECT_EQ(AnnouncedSize("150 (0 bytes)"), 0u);
  EXPECT_FALSE(AnnouncedSize("150 Ok to send data."));
  EXPECT_FALSE(AnnouncedSize("150 about 12 bytes)"));
  EXPECT_FALSE(AnnouncedSize("150 ( bytes)"));
}

TEST(AddressText, WritesIpv4DottedAndIpv6InItsShortestForm) {
  auto v6 = [](std::initializer_list<int> groups) {
    Endpoint e;
    e.ipv6 = true;
    int i = 0;
    for (int g : groups) e.bytes[i++] = static_cast<unsigned char>(g >> 8), e.bytes[i++] = static_cast<unsigned char>(g);
    return e;
  };
  Endpoint v4;
  v4.bytes[0] = 127, v4.bytes[3] = 255;
  EXPECT_EQ(AddressText(v4), "127.0.0.255");
  EXPECT_EQ(AddressText(v6({0, 0, 0, 0, 0, 0, 0, 1})), "::1");
  EXPECT_EQ(AddressText(v6({0, 0, 0, 0, 0, 0, 0, 0})), "::");
  EXPECT_EQ(AddressText(v6({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1})), "2001:db8::1:0:0:1");
  EXPECT_EQ(AddressText(v6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1})), "2001:db8:0:1:1:1:1:1");  // one zero group stays
  EXPECT_EQ(AddressText(v6({0xfe80, 0, 0, 0, 0xabcd, 0, 0, 0})), "fe80::abcd:0:0:0");
  EXPECT_EQ(AddressText(v6({0, 0, 0, 0, 0, 0xffff, 0x7f00, 0x0001})), "::ffff:127.0.0.1");
}
