// The installer end to end: kvsetup with our FTP client on the media restores
// the host libraries on a fresh simulated host, and the installed client then
// runs against them; a refused logon and a host that is not there are told.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/kvsetup.h"
#include "cli/kvxfer.h"
#include "tests/e2e/client/sim_host.h"

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

class SetupE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = std::make_unique<kvtest::SimHost>(KV_E2E_SEED, std::vector<std::string>{}, false);
    ASSERT_TRUE(host_->Ok()) << host_->Error();
    std::filesystem::remove_all(host_->InstallDir());
    media_ = host_->Root() + "/setup-media";
    ASSERT_TRUE(host_->MakeSaveFiles(media_)) << host_->Error();
    std::filesystem::create_directories(media_ + "/setpg");
    std::filesystem::create_directories(media_ + "/KV-Windows版");
    std::filesystem::copy_file(KV_KVFTP, media_ + "/setpg/FTP.EXE");
    kvtest::WriteFile(media_ + "/KV-Windows版/hostxfer.exe", "client");
  }

  Outcome Install(const std::string& address, const std::string& password) {
    std::ostringstream out, err;
    int status = kv::RunKvsetup({"--media=" + media_, "--folder=C:\\", "--ip=" + address, "--password=" + password},
                                out, err);
    return {status, out.str(), err.str()};
  }

  std::string LibName() const { return kvtest::ReadFile(host_->InstallDir() + "/LIBNAME.ini"); }

  std::unique_ptr<kvtest::SimHost> host_;
  std::string media_;
};

constexpr char kLibName[] = "TRIAL_KVU TRIAL_KVD CCCCCCCCCCDDDDDDDDDDEEEEEEEEEE\r\n";

}  // namespace

TEST_F(SetupE2e, RestoresTheLibrariesAndTheClientRunsAgainstThem) {
  Outcome o = Install(host_->Address(), "QSECOFR");
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out, "done\t完了！\n");
  EXPECT_EQ(LibName(), kLibName);
  EXPECT_EQ(kvtest::ReadFile(host_->DriveC() + "/KV-Windows版/hostxfer.exe"), "client");

  // The tool library answers a CALL: a source download reads its reply.
  std::ostringstream out, err;
  kv::KvxferOptions options;
  options.getIp = [] { return kv::HostInfo{"10.9.8.7", "e2e-pc"}; };
  int status = kv::RunKvxfer({"source1", "--ip=" + host_->Address(), "--user=QSECOFR", "--password=QSECOFR",
                              "--lib=E2ELIB", "--file=QRPGSRC", "--member=HELLO",
                              "--pcfile=" + host_->Root() + "/HELLO.txt"},
                             out, err, options);
  EXPECT_EQ(status, 0) << out.str() << err.str();
  EXPECT_EQ(out.str().rfind("label99\tHELLO:「挨拶プログラム", 0), 0u) << out.str();

  // A second installation restores over the libraries and ends the same way.
  o = Install(host_->Address(), "QSECOFR");
  EXPECT_EQ(o.status, 0) << o.out;
}

TEST_F(SetupE2e, ARefusedLogonAndAMissingHostAreToldAndLibnameIsWritten) {
  Outcome o = Install(host_->Address(), "WRONG");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out.rfind("message\tＡＳ４００ライブラリー導入\tＡＳ４００にログオンできませんでした。", 0), 0u) << o.out;
  EXPECT_EQ(LibName(), kLibName);

  // Nobody listens on this address.
  std::filesystem::remove(host_->InstallDir() + "/LIBNAME.ini");
  o = Install("127.0.0.254", "QSECOFR");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out.rfind("message\tＡＳ４００ライブラリー導入\tＡＳ４００に接続できませんでした。", 0), 0u) << o.out;
  EXPECT_EQ(LibName(), kLibName);
}
