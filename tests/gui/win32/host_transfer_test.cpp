// hostxfer.exe against a simulated IBM i (started by with_host.sh): the real
// FTP client under Wine, a source member downloaded, a wrong member name, and
// an upload, worked through the window as an operator does.
#include <windows.h>

#include <cstdio>

#include "setup/host_library_script.h"
#include "tests/gui/win32/driver.h"
#include "tests/gui/win32/harness.h"

using kv::Ctl;
using namespace gui;

namespace {

const wchar_t kDown[] = L"ダウンロード(&D)";
const wchar_t kUp[] = L"アップロード(&U)";

std::string Env(const wchar_t* name) {
  const wchar_t* v = _wgetenv(name);
  return v ? U(v) : std::string();
}

// Runs a command line with its output in `log`; the exit status, or -1 when it
// could not start or did not end within a minute.
long RunLogged(std::wstring cmd, const std::wstring& log) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return -1;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, L"C:\\kvgui", &si, &pi);
  CloseHandle(out);
  if (!ok) return -1;
  long rc = -1;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    rc = static_cast<long>(code);
  } else {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return rc;
}

// C:\KV-TRANSIT as the installer leaves it, with our FTP client, and the host
// libraries restored on the host by the restore script run through that client.
std::string InstallForHost() {
  std::string host = Env(L"KV_GUI_HOST"), media = Env(L"KV_GUI_MEDIA");
  if (host.empty() || media.empty()) SKIP("needs a simulated host: run through with_host.sh");
  REQUIRE(!Paths().realFtp.empty());
  ResetInstallDir();
  REQUIRE(CopyFileW(Paths().realFtp.c_str(), L"C:\\KV-TRANSIT\\FTP.EXE", FALSE));
  FILE* f = _wfopen(L"C:\\KV-TRANSIT\\LIBNAME.ini", L"wb");
  REQUIRE(f != nullptr);
  std::fputs("TRIAL_KVU TRIAL_KVD\r\n", f);
  std::fclose(f);
  REQUIRE(kv::WriteHostLibraryScript({host, "QSECOFR", "QSECOFR"}, media));
  long rc = RunLogged(L"C:\\KV-TRANSIT\\FTP.EXE -s:c:\\KV-TRANSIT\\kvtrn.ini", L"C:\\kvgui\\install.log");
  if (rc != 0) std::printf("%s\n", Cp932ToUtf8(ReadBytes(L"C:\\kvgui\\install.log")).c_str());
  REQUIRE_EQ(rc, 0L);
  return host;
}

// One source line as the PC file holds it: CP932, blanks kept up to the
// record's width in bytes, CR LF.
std::string Cp932Line(const std::string& utf8, size_t bytes) {
  std::wstring w = W(utf8);
  int n = WideCharToMultiByte(932, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string b(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, w.c_str(), static_cast<int>(w.size()), b.data(), n, nullptr, nullptr);
  if (b.size() < bytes) b.append(bytes - b.size(), ' ');
  return b + "\r\n";
}

// E2ELIB/QRPGSRC.HELLO as a text download with trailing blanks kept: 80 bytes
// a line, two fewer where a kanji stretch lost its shift bytes.
std::string HelloBytes() {
  return Cp932Line("     H DATEDIT(*YMD)", 80) + Cp932Line("     C           'こんにちは'  DSPLY", 78) +
         Cp932Line("     C* ｶﾀｶﾅ ﾃｷｽﾄ  漢字かな", 78) +
         Cp932Line("     C                     SETON                     LR", 80);
}

// Presses 実行 and waits until the run is over: the caption reads ＯＫ, or a
// message box is up (it is left for the caller).
bool RunToEnd(App& app) {
  app.Click(Ctl::実行);
  return WaitFor([&] { return app.Text(Ctl::実行) == "ＯＫ" || app.WaitMessageBox(0).has_value(); }, 60000);
}

}  // namespace

GUI_TEST(source_transfers_against_host) {
  std::string host = InstallForHost();
  App app;
  app.PickMenu(kDown, L"ソース");
  REQUIRE(WaitFor([&] { return app.Text(Ctl::MENUNO) == "11"; }, 2000));
  app.SetText(Ctl::IPアドレス, host);
  app.SetText(Ctl::ユーザー, "QSECOFR");
  app.SetText(Ctl::パスワード, "QSECOFR");
  app.SetText(Ctl::ライブラリー名, "E2ELIB");
  app.SetText(Ctl::ファイル名, "QRPGSRC");
  app.SetText(Ctl::メンバー名, "HELLO");
  app.SetText(Ctl::pcファイル名, "C:\\kvgui\\HELLO.txt");

  REQUIRE(RunToEnd(app));
  auto box = app.WaitMessageBox(0);
  if (box) std::printf("unexpected box: %s / %s\n", box->title.c_str(), box->text.c_str());
  REQUIRE(!box.has_value());
  CHECK_EQ(app.Text(Ctl::実行), std::string("ＯＫ"));
  CHECK_EQ(app.Text(Ctl::LABEL99),
           "HELLO:「挨拶プログラム" + std::string(43, ' ') + "」ダウンロード完了しました。");
  const std::string hello = HelloBytes();
  CHECK_EQ(ReadBytes(L"C:\\kvgui\\HELLO.txt"), hello);
  app.Screenshot(L"host_source_download");

  // A member that does not exist: the box, the focus on the member box, and
  // the earlier PC file of that name as it was.
  app.SetText(Ctl::メンバー名, "NOSUCH");
  REQUIRE(RunToEnd(app));
  MessageBoxSeen wrong = app.TakeMessageBox();
  CHECK_EQ(wrong.title, std::string("ソースダウンロード"));
  CHECK_EQ(wrong.text, std::string("メンバー名が間違っています確認してください。"));
  CHECK(wrong.exclamation);
  CHECK(!app.WaitMessageBox(300).has_value());
  CHECK(WaitFor([&] { return app.Focused() == Ctl::メンバー名; }, 2000));
  CHECK(WaitFor([&] { return app.Text(Ctl::実行) == "ＯＫ"; }, 2000));
  CHECK_EQ(ReadBytes(L"C:\\kvgui\\HELLO.txt"), hello);

  // The downloaded file goes up as a new member of type RPG ...
  app.PickMenu(kUp, L"ソース");
  REQUIRE(WaitFor([&] { return app.Text(Ctl::MENUNO) == "21"; }, 2000));
  app.SetText(Ctl::メンバー名, "HELLO3");
  app.SetText(Ctl::タイプ, "RPG");
  app.SetText(Ctl::pcファイル名, "C:\\kvgui\\HELLO.txt");
  REQUIRE(RunToEnd(app));
  box = app.WaitMessageBox(0);
  if (box) std::printf("unexpected box: %s / %s\n", box->title.c_str(), box->text.c_str());
  REQUIRE(!box.has_value());
  std::string line = app.Text(Ctl::LABEL99);
  CHECK(line.rfind("ソースメンバー「", 0) == 0);
  if (line.rfind("ソースメンバー「", 0) != 0) std::printf("result line: %s\n", line.c_str());

  // ... and comes back down byte for byte.
  app.PickMenu(kDown, L"ソース");
  REQUIRE(WaitFor([&] { return app.Text(Ctl::MENUNO) == "11"; }, 2000));
  app.SetText(Ctl::メンバー名, "HELLO3");
  app.SetText(Ctl::pcファイル名, "C:\\kvgui\\HELLO3.txt");
  REQUIRE(RunToEnd(app));
  CHECK(!app.WaitMessageBox(0).has_value());
  CHECK_EQ(ReadBytes(L"C:\\kvgui\\HELLO3.txt"), hello);
}

// A script that cannot be written (another program holds it open without
// sharing): the box names it, the FTP client does not run (the restore script
// left in it would otherwise run again), and nothing else changes: no result
// line, no connection or remembered-inputs file.
GUI_TEST(unwritable_script_against_host) {
  std::string host = InstallForHost();
  HANDLE lock = CreateFileW(L"C:\\KV-TRANSIT\\kvtrn.ini", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  REQUIRE(lock != INVALID_HANDLE_VALUE);
  DeleteFileW(L"C:\\KV-TRANSIT\\kv3EV");
  DeleteFileW(L"C:\\KV-TRANSIT\\DFT.dat");
  App app;
  app.PickMenu(kDown, L"ソース");
  REQUIRE(WaitFor([&] { return app.Text(Ctl::MENUNO) == "11"; }, 2000));
  app.SetText(Ctl::IPアドレス, host);
  app.SetText(Ctl::ユーザー, "QSECOFR");
  app.SetText(Ctl::パスワード, "QSECOFR");
  app.SetText(Ctl::ライブラリー名, "E2ELIB");
  app.SetText(Ctl::ファイル名, "QRPGSRC");
  app.SetText(Ctl::メンバー名, "HELLO");
  app.SetText(Ctl::pcファイル名, "C:\\kvgui\\UNWRITTEN.txt");
  app.Click(Ctl::実行);
  auto seen = app.WaitMessageBox(10000);
  REQUIRE(seen.has_value());
  app.Screenshot(L"host_unwritable_script", seen->box);
  MessageBoxSeen box = app.TakeMessageBox();
  CloseHandle(lock);
  CHECK_EQ(box.title, std::string("ＫＶ－ＴＲＡＮＳＩＴ"));
  CHECK_EQ(box.text, std::string("作業ファイル「c:\\KV-TRANSIT\\kvtrn.ini」に書き込めません。"
                                 "ディスクの空きと書き込み禁止を確認して下さい。"));
  CHECK(box.exclamation);
  CHECK(!app.WaitMessageBox(300).has_value());
  CHECK_EQ(app.Text(Ctl::LABEL99), std::string(""));
  CHECK_EQ(app.Text(Ctl::実行), std::string("OK"));
  CHECK(GetFileAttributesW(L"C:\\KV-TRANSIT\\kv3EV") == INVALID_FILE_ATTRIBUTES);
  CHECK(GetFileAttributesW(L"C:\\KV-TRANSIT\\DFT.dat") == INVALID_FILE_ATTRIBUTES);
  CHECK(GetFileAttributesW(L"C:\\kvgui\\UNWRITTEN.txt") == INVALID_FILE_ATTRIBUTES);
}

// A large upload to a host whose data connection is slowed (started with
// KV_GUI_HOST_ARGS): LABEL99 shows the transfer's progress while it runs,
// changing as the data moves, and the exact result line at the end.
GUI_TEST(progress_against_slow_host) {
  std::string host = InstallForHost();
  // Lines of E2ELIB/CUSTOMER (a number of 5, a name of 20): 8 MB of them.
  std::string text;
  for (int i = 1; text.size() < 8000000; ++i) {
    char line[40];
    std::snprintf(line, sizeof line, "%05dCustomer %011d\r\n", i % 100000, i);
    text += line;
  }
  FILE* f = _wfopen(L"C:\\kvgui\\BIG.txt", L"wb");
  REQUIRE(f != nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);

  App app;
  app.PickMenu(kUp, L"データ");
  REQUIRE(WaitFor([&] { return app.Text(Ctl::MENUNO) == "27"; }, 2000));
  app.SetText(Ctl::IPアドレス, host);
  app.SetText(Ctl::ユーザー, "QSECOFR");
  app.SetText(Ctl::パスワード, "QSECOFR");
  app.SetText(Ctl::ライブラリー名, "E2ELIB");
  app.SetText(Ctl::ファイル名, "CUSTOMER");
  app.SetText(Ctl::メンバー名, "CUSTOMER");
  app.SetText(Ctl::pcファイル名, "C:\\kvgui\\BIG.txt");
  app.Click(Ctl::実行);
  std::vector<std::string> progress;
  bool shot = false;
  REQUIRE(WaitFor(
      [&] {
        std::string now = app.Text(Ctl::LABEL99);
        if (now.rfind("転送中 ", 0) == 0 && (progress.empty() || progress.back() != now)) {
          progress.push_back(now);
          if (!shot && progress.size() >= 2) {
            app.Screenshot(L"host_transfer_progress");
            shot = true;
          }
        }
        return app.Text(Ctl::実行) == "ＯＫ" || app.WaitMessageBox(0).has_value();
      },
      60000));
  auto box = app.WaitMessageBox(0);
  if (box) std::printf("unexpected box: %s / %s\n", box->title.c_str(), box->text.c_str());
  REQUIRE(!box.has_value());
  // The upload's progress, with its total; the short gets around it may show a line too.
  std::size_t upload = 0;
  for (const auto& p : progress) upload += p.find(" / 7.6 MB (") != std::string::npos;
  CHECK(upload >= 2);
  if (upload < 2)
    for (const auto& p : progress) std::printf("progress: %s\n", p.c_str());
  CHECK_EQ(app.Text(Ctl::LABEL99), std::string("ファイル「顧客」送信完了しました。"));
}
