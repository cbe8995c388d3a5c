#include <gtest/gtest.h>

#include "ftp/options.h"
#include "ftp/tlssettings.h"

using namespace kv::ftp;

namespace {
const std::string kHex = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
}

TEST(TlsOptions, ModeAndTrustFromTheCommandLine) {
  auto p = ParseOptions({"--tls=Explicit", "--tls-trust=sha256:" + kHex});
  ASSERT_TRUE(p.options) << p.error;
  EXPECT_EQ(p.options->tlsMode, TlsMode::Explicit);
  ASSERT_TRUE(p.options->tlsTrust);
  EXPECT_EQ(HexText(p.options->tlsTrust->sha256), kHex);
  EXPECT_TRUE(p.options->tlsTrust->file.empty());

  auto file = ParseOptions({"--tls=implicit", "--tls-trust=C:\\certs\\ca.pem"});
  ASSERT_TRUE(file.options);
  EXPECT_EQ(file.options->tlsTrust->file, "C:\\certs\\ca.pem");
  EXPECT_FALSE(ParseOptions({}).options->tlsMode);  // the settings file decides

  for (auto bad : std::vector<std::string>{"--tls=on", "--tls=", "--tls-trust=", "--tls-trust=sha256:abc",
                                           "--tls-trust=sha256:" + kHex + "00", "--tls-trust=sha256:" + kHex.substr(1) + "g"})
    EXPECT_FALSE(ParseOptions({bad}).options) << bad;
}

TEST(TlsTrust, FingerprintAsOpensslPrintsItWithColons) {
  std::string colons;
  for (std::size_t i = 0; i < kHex.size(); i += 2) colons += (i ? ":" : "") + kHex.substr(i, 2);
  TlsTrust t;
  ASSERT_TRUE(ParseTlsTrust("SHA256:" + colons, t));
  EXPECT_EQ(HexText(t.sha256), kHex);
  EXPECT_FALSE(ParseTlsTrust("sha256:" + colons + ":", t));
}

TEST(TlsSettingsFile, ReadsTheTlsSectionOnly) {
  TlsSettings s;
  std::string error;
  ASSERT_TRUE(ReadTlsSettings("\xEF\xBB\xBF; comment\r\n[Other]\r\nMode=implicit\r\n[tls]\r\n Mode = EXPLICIT \r\n"
                              "Trust=C:\\certs\\company ca.pem\r\nUnknown=1\r\n",
                              s, error))
      << error;
  EXPECT_EQ(s.mode, TlsMode::Explicit);
  EXPECT_EQ(s.trust.file, "C:\\certs\\company ca.pem");

  TlsSettings none;
  ASSERT_TRUE(ReadTlsSettings("", none, error));
  EXPECT_EQ(none.mode, TlsMode::Off);  // no file or no section: today's clear text

  TlsSettings bad;
  EXPECT_FALSE(ReadTlsSettings("[TLS]\nMode=yes\n", bad, error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(ReadTlsSettings("[TLS]\nTrust=sha256:12\n", bad, error));
}

TEST(TlsSettingsFile, NamedAfterTheProgram) {
  EXPECT_EQ(SettingsFileFor("C:\\KV-TRANSIT\\FTP.EXE"), "C:\\KV-TRANSIT\\FTP.INI");
  EXPECT_EQ(SettingsFileFor("C:\\bin\\ftp.exe"), "C:\\bin\\ftp.ini");
  EXPECT_EQ(SettingsFileFor("/usr/bin/kvftp"), "/usr/bin/kvftp.ini");
  EXPECT_EQ(SettingsFileFor(""), "");
}
