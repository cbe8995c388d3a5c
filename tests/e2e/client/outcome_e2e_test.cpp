// What the operator is told when part of a run fails, end to end with our FTP
// client and the simulated host, through kvxfer's output and exit status: a
// working file that cannot be written stops the run before the client starts;
// a reply of OK after a transfer that failed is no success; a download that
// does not succeed leaves the earlier PC file exactly as it was.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/kvxfer.h"
#include "tests/e2e/client/host_suite.h"

using namespace kv;

namespace {

class OutcomeE2E : public kvtest::HostSuite {
 protected:
  struct Seen {
    int exit;
    std::string out;
  };
  Seen Kvxfer(std::vector<std::string> args) {
    args.push_back("--ip=" + host_->Address());
    args.push_back("--user=QSECOFR");
    args.push_back("--password=QSECOFR");
    std::ostringstream out, err;
    KvxferOptions options;
    options.getIp = [] { return HostInfo{"10.9.8.7", "e2e-pc"}; };
    int rc = RunKvxfer(args, out, err, options);
    return {rc, out.str()};
  }
  // The member's records as a binary download gives them (a fresh file each time).
  std::string HostMember(const std::string& lib, const std::string& file, const std::string& mbr) {
    std::string name = "host-" + std::to_string(++downloads_) + ".DTA";
    Seen s = Kvxfer({"bin1", "--lib=" + lib, "--file=" + file, "--member=" + mbr, "--pcfile=" + work_ + "/" + name});
    EXPECT_EQ(s.exit, 0) << s.out;
    return PcFile(name);
  }
  std::string Path(const std::string& name) const { return work_ + "/" + name; }
  // The PC path as the messages show it (Windows form).
  std::string Shown(const std::string& name) const { return ToWindowsPath(Path(name)); }
  int downloads_ = 0;
};

std::string Box(const std::string& title, const std::string& text) {
  return "message\t" + title + "\t" + text + "\texclamation\n";
}
std::string CannotWrite(const std::string& shown) {
  return "PCファイル「" + shown + "」に書き込めませんでした。保存先を確認して下さい。";
}

}  // namespace

TEST_F(OutcomeE2E, AScriptThatCannotBeWrittenRunsNothingNotEvenTheOldScript) {
  const std::string script = host_->InstallDir() + "/kvtrn.ini";
  kvtest::WriteFile(Path("OLD.txt"), "     H* first\r\n");
  Seen up = Kvxfer({"source2", "--lib=E2ELIB", "--file=QRPGSRC", "--member=OLDMBR", "--type=RPG",
                    "--pcfile=" + Path("OLD.txt")});
  ASSERT_EQ(up.exit, 0) << up.out;
  const std::string before = HostMember("E2ELIB", "QRPGSRC", "OLDMBR");
  // Running the old script again would send this.
  kvtest::WriteFile(Path("OLD.txt"), "     H* second\r\n");
  ASSERT_EQ(std::system(("chattr +i " + script).c_str()), 0);
  const std::string dft = kvtest::ReadFile(host_->InstallDir() + "/DFT.dat");
  Seen down = Kvxfer({"source1", "--lib=E2ELIB", "--file=QRPGSRC", "--member=HELLO", "--pcfile=" + Path("NEW.txt")});
  std::system(("chattr -i " + script).c_str());
  EXPECT_EQ(down.out, Box("ＫＶ－ＴＲＡＮＳＩＴ",
                          "作業ファイル「c:\\KV-TRANSIT\\kvtrn.ini」に書き込めません。"
                          "ディスクの空きと書き込み禁止を確認して下さい。"));
  EXPECT_EQ(down.exit, 1);
  EXPECT_FALSE(std::filesystem::exists(Path("NEW.txt")));
  EXPECT_EQ(kvtest::ReadFile(host_->InstallDir() + "/DFT.dat"), dft);  // no remembered-inputs rewrite
  EXPECT_EQ(HostMember("E2ELIB", "QRPGSRC", "OLDMBR"), before);
}

TEST_F(OutcomeE2E, AFullDiskStopsTheRunAtTheFirstWorkingFile) {
  const std::string mnt = host_->Root() + "/full";
  std::filesystem::create_directories(mnt);
  if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  std::filesystem::create_directories(mnt + "/KV-TRANSIT");
  std::filesystem::create_symlink(host_->InstallDir() + "/FTP.EXE", mnt + "/KV-TRANSIT/FTP.EXE");
  kvtest::WriteFile(mnt + "/KV-TRANSIT/LIBNAME.ini", "TRIAL_KVU TRIAL_KVD\r\n");
  {
    std::ofstream fill(mnt + "/fill", std::ios::binary);
    std::string block(4096, 'x');
    while (fill.write(block.data(), block.size()) && fill.flush()) {
    }
  }
  ::setenv("KV_DRIVE_C", mnt.c_str(), 1);
  Seen s = Kvxfer({"source1", "--lib=E2ELIB", "--file=QRPGSRC", "--member=HELLO", "--pcfile=" + Path("FULL.txt")});
  ::setenv("KV_DRIVE_C", host_->DriveC().c_str(), 1);
  ::umount(mnt.c_str());
  EXPECT_EQ(s.out, Box("ＫＶ－ＴＲＡＮＳＩＴ",
                       "作業ファイル「c:\\KV-TRANSIT\\FTPTEXT.DAT」に書き込めません。"
                       "ディスクの空きと書き込み禁止を確認して下さい。"));
  EXPECT_EQ(s.exit, 1);
  EXPECT_FALSE(std::filesystem::exists(Path("FULL.txt")));
}

TEST_F(OutcomeE2E, ADownloadIntoAMissingFolderIsNoSuccessInEveryFamily) {
  struct Case {
    std::vector<std::string> args;
    std::string title;
    std::string name;
  };
  const Case cases[] = {
      {{"data1", "--lib=E2ELIB", "--file=CUSTOMER", "--member=CUSTOMER"}, "データダウンロード", "CUST.txt"},
      {{"csv1", "--lib=OPSLIB", "--file=ITEMS", "--member=ITEMS"}, "ＣＳＶダウンロード", "CUST.CSV"},
      {{"lib1", "--lib=OPSLIB", "--release=*CURRENT"}, "ライブラリー・ダウンロード", "OPSLIB.SAVF"},
      {{"spltxt", "--file=QSYSPRT", "--job=MONTHLY", "--jobuser=QSECOFR", "--jobnumber=654321", "--splnumber=1"},
       "スプールテキスト・ダウンロード", "MONTHLY.txt"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--pcfile=" + Path("nodir/" + c.name));
    Seen s = Kvxfer(args);
    EXPECT_EQ(s.out, Box(c.title, CannotWrite(Shown("nodir/" + c.name)))) << c.args[0];
    EXPECT_EQ(s.exit, 1) << c.args[0];
  }
  EXPECT_FALSE(std::filesystem::exists(Path("nodir")));
}

TEST_F(OutcomeE2E, AnUploadTheHostRefusesIsNoSuccessAndTheMemberStays) {
  const std::string before = HostMember("E2ELIB", "CUSTOMER", "CUSTOMER");
  kvtest::WriteFile(Path("LONG.txt"), "00009Short\r\n00010This name is far too long for the record\r\n");
  Seen s = Kvxfer({"data2", "--lib=E2ELIB", "--file=CUSTOMER", "--member=CUSTOMER", "--pcfile=" + Path("LONG.txt")});
  EXPECT_EQ(s.out, Box("データ・アップロード",
                       "ホストがデータを受け付けませんでした。ホストの応答：550 Line 2 is longer than the record "
                       "length 25. Member CUSTOMER not changed."));
  EXPECT_EQ(s.exit, 1);
  EXPECT_EQ(HostMember("E2ELIB", "CUSTOMER", "CUSTOMER"), before);
}

TEST_F(OutcomeE2E, AFailedDownloadLeavesTheEarlierPcFileByteForByte) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;  // kvxfer's output
    std::string name;
  };
  const std::string noObject =
      "指定されたオブジェクトは存在しません。ライブラリー、オブジェクト、タイプを確認してください。";
  const Case cases[] = {
      {{"obj1", "--lib=OPSLIB", "--file=NOSUCH", "--type=*PGM", "--release=*CURRENT"},
       Box("オブジェクト・ダウンロード", noObject) + "focus\tファイル名\n", "OBJ.SAVF"},
      {{"lib1", "--lib=OPSLIB", "--release=BADREL"},
       Box("ライブラリー・ダウンロード", "ＡＳ/４００コマンドエラー、入力データを確認下さい。") + "focus\tライブラリー名\n",
       "LIB.SAVF"},
      {{"data1", "--lib=E2ELIB", "--file=SALES", "--member=SALES"},
       Box("データダウンロード", "転送できないデータタイプが存在します。") + "focus\tファイル名\n", "SALES.txt"},
      {{"csv1", "--lib=OPSLIB", "--file=ITEMS", "--member=NOSUCH"},
       Box("ＣＳＶダウンロード", "メンバー名が間違っています確認してください。") + "focus\tメンバー名\n", "ITEMS.CSV"},
      {{"spool1", "--file=QSYSPRT", "--job=NOSUCH", "--jobuser=QSECOFR", "--jobnumber=654321", "--splnumber=1"},
       Box("スプール・ダウンロード", "ジョブが存在しません。ジョブ名、ユーザー、ジョブ番号を確認してください。") +
           "focus\tジョブ名\n",
       "SPOOL.SPL"},
  };
  for (const auto& c : cases) {
    std::string earlier = "earlier " + c.name + "\r\n";
    earlier += std::string(5000, '\x5a');
    kvtest::WriteFile(Path(c.name), earlier);
    std::vector<std::string> args = c.args;
    args.push_back("--pcfile=" + Path(c.name));
    Seen s = Kvxfer(args);
    EXPECT_EQ(s.out, c.expected) << c.args[0];
    EXPECT_EQ(s.exit, 1) << c.args[0];
    EXPECT_EQ(PcFile(c.name), earlier) << c.args[0];
    EXPECT_FALSE(std::filesystem::exists(Path(c.name + ".kvkeep"))) << c.args[0];
  }
  // A host that cannot be reached at all: the same.
  kvtest::WriteFile(Path("HELLO.txt"), "earlier text\r\n");
  std::ostringstream out, err;
  KvxferOptions options;
  options.getIp = [] { return HostInfo{"10.9.8.7", "e2e-pc"}; };
  int rc = RunKvxfer({"source1", "--lib=E2ELIB", "--file=QRPGSRC", "--member=HELLO", "--pcfile=" + Path("HELLO.txt"),
                      "--ip=127.0.0.1:1", "--user=QSECOFR", "--password=QSECOFR"},
                     out, err, options);
  EXPECT_EQ(rc, 1) << out.str();
  EXPECT_EQ(PcFile("HELLO.txt"), "earlier text\r\n");
}
