// A whole operation through kvxfer against a host that requires TLS: the
// settings file beside the FTP client turns TLS on, nothing else changes; a
// certificate the client does not trust ends as a host that cannot be reached.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/kvxfer.h"
#include "common/cp932.h"
#include "tests/e2e/client/sim_host.h"

namespace {

class TlsE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host_ = std::make_unique<kvtest::SimHost>(KV_E2E_SEED, std::vector<std::string>{"--tls=required", "--tls-reuse"});
  }
  static void TearDownTestSuite() { host_.reset(); }
  void SetUp() override {
    ASSERT_TRUE(host_->Ok()) << host_->Error();
    ::setenv("KV_DRIVE_C", host_->DriveC().c_str(), 1);
  }

  struct Outcome {
    int status;
    std::string out;
  };
  static Outcome Kvxfer(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--ip=" + host_->Address(), "--user=QSECOFR", "--password=QSECOFR"});
    std::ostringstream out, err;
    kv::KvxferOptions o;
    o.getIp = [] { return kv::HostInfo{"10.9.8.7", "e2e-pc"}; };
    int status = kv::RunKvxfer(args, out, err, o);
    return {status, out.str() + err.str()};
  }

  static inline std::unique_ptr<kvtest::SimHost> host_;
};

TEST_F(TlsE2E, SourceDownloadOverRequiredTls) {
  ASSERT_FALSE(host_->Fingerprint().empty());
  std::string pc = host_->Root() + "/tls-hello.txt";
  Outcome o = Kvxfer({"source1", "--lib=E2ELIB", "--file=QRPGSRC", "--member=HELLO", "--pcfile=" + pc});
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_NE(o.out.find("ダウンロード完了しました。"), std::string::npos) << o.out;
  std::string text = kv::Cp932ToUtf8Lossy(kvtest::ReadFile(pc));
  EXPECT_NE(text.find("'こんにちは'  DSPLY"), std::string::npos) << text;
  // The logon went over TLS: the host refuses it in clear text.
  EXPECT_NE(kvtest::ReadFile(host_->Root() + "/ftp.log").find("234"), std::string::npos);
}

TEST_F(TlsE2E, UntrustedCertificateShowsCannotCommunicate) {
  const std::string ini = host_->InstallDir() + "/FTP.INI";
  const std::string good = kvtest::ReadFile(ini);
  kvtest::WriteFile(ini, "[TLS]\r\nMode=explicit\r\nTrust=sha256:" + std::string(64, '0') + "\r\n");
  Outcome o = Kvxfer({"source1", "--lib=E2ELIB", "--file=QRPGSRC", "--member=HELLO",
                      "--pcfile=" + host_->Root() + "/untrusted.txt"});
  kvtest::WriteFile(ini, good);
  EXPECT_EQ(o.out, "message\tソースダウンロード\t通信不能です。\texclamation\nfocus\tメンバー名\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(kvtest::ReadFile(host_->Root() + "/ftp.log").find("not the trusted one"), std::string::npos);
}

}  // namespace
