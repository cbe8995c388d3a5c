// setup.exe from the built Windows media, worked as a user does: the window's
// controls and states, the three checks, the drive and folder lists, a PC-only
// installation, a slow host run, and (through with_host.sh) a host installation
// against a simulated IBM i followed by a transfer with the installed client.
#include <windows.h>

#include <cstdio>

#include "client/window/win32/ids.h"
#include "setup/media_layout.h"
#include "setup/win32/ids.h"
#include "tests/gui/win32/driver.h"
#include "tests/gui/win32/harness.h"

using namespace gui;
using namespace kv::setupwin;

namespace {

constexpr char kLibName[] = "TRIAL_KVU TRIAL_KVD CCCCCCCCCCDDDDDDDDDDEEEEEEEEEE\r\n";

std::wstring MediaFolder(const std::wstring& setupExe) { return setupExe.substr(0, setupExe.rfind(L'\\')); }

void DeleteTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName, full = dir + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteTree(full);
      else DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

// The program path, once the folder it starts in exists.
const std::wstring& InWorkFolder(const std::wstring& exe) {
  CreateDirectoryW(L"C:\\kvgui", nullptr);
  return exe;
}

// The setup window of a media folder, started in C:\kvgui.
class Setup : public App {
 public:
  explicit Setup(const std::wstring& exe = Paths().program) : App(InWorkFolder(exe), kMainClass, L"C:\\kvgui") {}
  HWND C(int id) const { return ControlById(id); }
  std::string T(int id) const { return Text(C(id)); }
  bool Shown(int id) const { return IsWindowVisible(C(id)) != FALSE; }
  void Press(int id) const { ClickHwnd(C(id)); }
  void Type(int id, const std::string& text) const {
    std::wstring w = W(text);
    SendMessageW(C(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
  }
  // Picks a drive in Drive1 as a user's selection does.
  void PickDrive(const wchar_t* drive) const {
    // The window shows before its start-up has filled the list: wait for the drive.
    HWND combo = nullptr;
    LRESULT i = CB_ERR;
    REQUIRE(WaitFor([&] {
      combo = C(kDrive1);
      i = combo ? SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(drive)) : CB_ERR;
      return i >= 0;
    }, 5000));
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(kDrive1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  }
  // Double-clicks the entry of Dir1 whose text ends in `name`.
  void EnterFolder(const std::wstring& name) const {
    HWND list = C(kDir1);
    LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0), found = -1;
    for (LRESULT i = 0; i < n; ++i) {
      wchar_t text[MAX_PATH] = {};
      if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= MAX_PATH) continue;
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      std::wstring t = text;
      if (t.size() >= name.size() && t.compare(t.size() - name.size(), name.size(), name) == 0) found = i;
    }
    REQUIRE(found >= 0);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
    PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(kDir1, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
  }
  bool Done(int ms = 10000) const { return WaitFor([&] { return Shown(k完了); }, ms); }
};

// Every file of the PC side where the installation puts it, from `media`.
void CheckPcFiles(const std::wstring& media, const std::wstring& clientFolder) {
  std::string client = ReadBytes(media + L"\\KV-Windows版\\hostxfer.exe");
  CHECK(!client.empty());
  CHECK(ReadBytes(clientFolder + L"\\KV-Windows版\\hostxfer.exe") == client);
  CHECK(ReadBytes(L"C:\\KV-TRANSIT\\FTP.EXE") == ReadBytes(media + L"\\setpg\\FTP.EXE"));
  int templates = 0;
  for (auto name : kv::media::kTemplates) {
    std::wstring n = W(std::string(name));
    std::string source = ReadBytes(media + L"\\setpg\\" + n);
    if (source.empty()) continue;
    ++templates;
    CHECK_EQ(ReadBytes(L"C:\\KV-TRANSIT\\" + n) == source, true);
  }
  std::printf("%d templates on the media\n", templates);
  CHECK(ReadBytes(L"C:\\KV-TRANSIT\\KV1.html") == ReadBytes(media + L"\\setpg\\KV1.html"));
  CHECK_EQ(ReadBytes(L"C:\\KV-TRANSIT\\LIBNAME.ini"), std::string(kLibName));
}

// The rich-edit control that shows the help topic, below `h`.
HWND FindRichEdit(HWND h) {
  wchar_t cls[64];
  if (GetClassNameW(h, cls, 64) && wcsstr(cls, L"RichEdit") != nullptr) return h;
  for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (HWND found = FindRichEdit(c)) return found;
  return nullptr;
}

std::string Env(const wchar_t* name) {
  const wchar_t* v = _wgetenv(name);
  return v ? U(v) : std::string();
}

}  // namespace

GUI_TEST(setup_window_controls) {
  Setup s;
  CHECK_EQ(s.T(kAS400), std::string("iSeries(AS/400),PCセットアップ"));
  CHECK_EQ(s.T(kPC), std::string("PCのみセットアップ"));
  CHECK_EQ(s.T(kFrame1), std::string("iSeries(AS/400)"));
  CHECK_EQ(s.T(kLabel4), std::string("AS400 IPアドレス"));
  CHECK_EQ(s.T(kLabel1), std::string("ユーザー"));
  CHECK_EQ(s.T(kLabel3), std::string("パスワード"));
  CHECK_EQ(s.T(kユーザー), std::string("QSECOFR"));
  CHECK_EQ(s.T(kパスワード), std::string(""));
  CHECK(!s.T(kIPアドレス).empty());
  CHECK_EQ(SendMessageW(s.C(kパスワード), EM_GETPASSWORDCHAR, 0, 0), static_cast<LRESULT>(L'*'));
  CHECK_EQ(s.T(kFrame2), std::string("PCインストール先"));
  CHECK_EQ(s.T(k開始), std::string("インストール開始"));
  CHECK_EQ(s.T(kキャンセル), std::string("キャンセル"));
  CHECK_EQ(s.T(k完了), std::string("完了！"));
  CHECK_EQ(s.T(kセットアップ中), std::string("セットアップ中"));
  // Ready: AS400 selected, Frame1 and its fields shown, 完了 and セットアップ中 hidden.
  CHECK_EQ(SendMessageW(s.C(kAS400), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  CHECK_EQ(SendMessageW(s.C(kPC), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  CHECK(s.Shown(kFrame1) && s.Shown(kIPアドレス) && s.Shown(kパスワード));
  CHECK(s.Shown(k開始) && !s.Shown(k完了) && !s.Shown(kセットアップ中));
  // Dir1 starts at the current folder, Drive1 at its drive.
  CHECK_EQ(s.T(kDir1), std::string("C:\\kvgui"));
  CHECK_EQ(s.T(kDrive1), std::string("c:"));
  s.Screenshot(L"setup_ready");

  // The option buttons hide and show Frame1 with everything in it.
  s.Press(kPC);
  CHECK(WaitFor([&] { return !s.Shown(kFrame1); }, 2000));
  CHECK(!s.Shown(kIPアドレス) && !s.Shown(kLabel1));
  CHECK_EQ(SendMessageW(s.C(kAS400), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  s.Press(kAS400);
  CHECK(WaitFor([&] { return s.Shown(kFrame1) && s.Shown(kIPアドレス); }, 2000));

  // A text box selects its whole text when it gets the focus.
  s.Type(kユーザー, "OPERATOR1");
  SetForegroundWindow(s.Main());
  REQUIRE(WaitFor([&] { return GetForegroundWindow() == s.Main(); }));
  PostMessageW(s.C(kIPアドレス), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageW(s.C(kIPアドレス), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  Sleep(200);
  s.PressKey(VK_TAB);
  CHECK(WaitFor([&] {
    DWORD a = 0, b = 0;
    SendMessageW(s.C(kユーザー), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return a == 0 && b == 9;
  }, 2000));

  // キャンセル ends the program at once.
  s.Press(kキャンセル);
  CHECK(WaitFor([&] { return !s.Alive(); }, 5000));
}

GUI_TEST(setup_checks_the_host_fields) {
  DeleteTree(L"C:\\KV-TRANSIT");
  Setup s;
  s.Type(kIPアドレス, "");
  s.Type(kユーザー, "");
  s.Press(k開始);
  const char* expected[][2] = {{"ＩＰアドレス", "ＩＰアドレスを入力して下さい。"},
                               {"ユーザー", "ＡＳ４００のユーザー名を入力してください。"},
                               {"ユーザー", "ＡＳ４００のパスワードを入力してください。"}};
  for (auto& e : expected) {
    MessageBoxSeen box = s.TakeMessageBox();
    CHECK_EQ(box.title, std::string(e[0]));
    CHECK_EQ(box.text, std::string(e[1]));
    CHECK(box.exclamation);
  }
  CHECK(!s.WaitMessageBox(300).has_value());
  CHECK(WaitFor([&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(s.Main(), nullptr), &info) && info.hwndFocus == s.C(kパスワード);
  }, 2000));
  // Nothing was installed: still ready.
  CHECK(GetFileAttributesW(L"C:\\KV-TRANSIT") == INVALID_FILE_ATTRIBUTES);
  CHECK(s.Shown(k開始) && !s.Shown(k完了) && !s.Shown(kセットアップ中));
}

GUI_TEST(setup_pc_only_to_another_drive) {
  if (GetFileAttributesW(L"D:\\apps") == INVALID_FILE_ATTRIBUTES) SKIP("needs drive D: with a folder apps");
  const std::wstring media = MediaFolder(Paths().program);
  for (int run = 0; run < 2; ++run) {
    if (run == 0) {
      DeleteTree(L"C:\\KV-TRANSIT");
      DeleteTree(L"D:\\apps\\KV-Windows版");
    }
    Setup s;
    s.PickDrive(L"d:");
    REQUIRE(WaitFor([&] { return s.T(kDir1).rfind("D:\\", 0) == 0; }, 3000));
    s.EnterFolder(L"D:\\");  // the root, whatever the drive's current folder was
    REQUIRE(WaitFor([&] { return s.T(kDir1) == "D:\\"; }, 3000));
    s.EnterFolder(L"apps");
    REQUIRE(WaitFor([&] { return s.T(kDir1) == "D:\\apps"; }, 3000));
    s.Press(kPC);
    s.Type(kIPアドレス, "");  // not looked at in PC-only mode
    s.Press(k開始);
    REQUIRE(s.Done());
    CHECK(!s.WaitMessageBox(300).has_value());
    CHECK(!s.Shown(k開始) && !s.Shown(kセットアップ中));
    CheckPcFiles(media, L"D:\\apps");
    CHECK(GetFileAttributesW(L"C:\\KV-TRANSIT\\kvtrn.ini") == INVALID_FILE_ATTRIBUTES);
    if (run == 1) s.Screenshot(L"setup_done");
    s.Press(k完了);
    CHECK(WaitFor([&] { return !s.Alive(); }, 5000));
  }
}

GUI_TEST(setup_window_waits_for_a_slow_host_run) {
  // A copy of the media whose FTP client is the stand-in, running 1.5 s.
  const std::wstring media = MediaFolder(Paths().program), copy = L"C:\\kvgui\\media";
  DeleteTree(L"C:\\KV-TRANSIT");
  ResetInstallDir();
  DeleteTree(L"C:\\KV-TRANSIT");
  CreateDirectoryW(copy.c_str(), nullptr);
  CreateDirectoryW((copy + L"\\setpg").c_str(), nullptr);
  REQUIRE(CopyFileW(Paths().program.c_str(), (copy + L"\\setup.exe").c_str(), FALSE));
  REQUIRE(CopyFileW(Paths().stubFtp.c_str(), (copy + L"\\setpg\\FTP.EXE").c_str(), FALSE));
  WriteCp932Lines(L"C:\\kvgui\\stub\\sleep.txt", {"1500"});

  Setup s(copy + L"\\setup.exe");
  s.Type(kIPアドレス, "10.1.2.3");
  s.Type(kパスワード, "pass word");
  s.Press(k開始);
  REQUIRE(WaitFor([&] { return !ReadBytes(L"C:\\kvgui\\stub\\runs.log").empty(); }, 5000));
  // Disabled, but answering and repainting at once.
  CHECK(!IsWindowEnabled(s.Main()));
  CHECK(s.Shown(kセットアップ中));
  DWORD before = GetTickCount();
  CHECK_EQ(s.T(kユーザー), std::string("QSECOFR"));
  CHECK(GetTickCount() - before < 500);
  s.Screenshot(L"setup_installing");
  REQUIRE(s.Done());
  CHECK(IsWindowEnabled(s.Main()));
  CHECK(!s.WaitMessageBox(300).has_value());
  std::string script = Cp932ToUtf8(ReadBytes(L"C:\\kvgui\\stub\\script.txt"));
  CHECK_EQ(script.substr(0, 30), std::string("open 10.1.2.3\r\nQSECOFR\r\npass w"));
  CHECK(script.find("put \"C:\\kvgui\\media\\TRIAL_KVU.SAVF\" QTEMP/FTPSAVF\r\n") != std::string::npos);
  CHECK_EQ(ReadBytes(L"C:\\KV-TRANSIT\\LIBNAME.ini"), std::string(kLibName));
}

GUI_TEST(setup_against_host) {
  std::string host = Env(L"KV_GUI_HOST");
  if (host.empty()) SKIP("needs a simulated host: run through with_host.sh");
  const std::wstring media = MediaFolder(Paths().program);
  DeleteTree(L"C:\\KV-TRANSIT");
  ResetInstallDir();
  DeleteTree(L"C:\\KV-TRANSIT");
  DeleteTree(L"C:\\kvgui\\KV-Windows版");

  // A wrong password: the box after the run, LIBNAME.ini written, then 完了.
  {
    Setup s;
    s.Type(kIPアドレス, host);
    s.Type(kパスワード, "WRONG");
    s.Press(k開始);
    auto box = s.WaitMessageBox(30000);
    REQUIRE(box.has_value());
    CHECK_EQ(box->title, std::string("ＡＳ４００ライブラリー導入"));
    CHECK(box->text.rfind("ＡＳ４００にログオンできませんでした。", 0) == 0);
    CHECK(box->exclamation);
    CHECK(!s.Shown(k完了));
    s.TakeMessageBox();
    REQUIRE(s.Done());
    CHECK_EQ(ReadBytes(L"C:\\KV-TRANSIT\\LIBNAME.ini"), std::string(kLibName));
  }
  // The right one: no box, the libraries restored.
  {
    Setup s;
    s.Type(kIPアドレス, host);
    s.Type(kパスワード, "QSECOFR");
    s.Press(k開始);
    REQUIRE(WaitFor([&] { return s.Shown(k完了) || s.WaitMessageBox(0).has_value(); }, 60000));
    auto box = s.WaitMessageBox(0);
    if (box) std::printf("unexpected box: %s / %s\n", box->title.c_str(), box->text.c_str());
    REQUIRE(!box.has_value());
    CheckPcFiles(media, L"C:\\kvgui");
  }
  // The installed client downloads a source member through the tool library.
  App client(L"C:\\kvgui\\KV-Windows版\\hostxfer.exe", kv::win32::kMainClass, L"C:\\kvgui");
  client.PickMenu(L"ダウンロード(&D)", L"ソース");
  REQUIRE(WaitFor([&] { return client.Text(kv::Ctl::MENUNO) == "11"; }, 2000));
  client.SetText(kv::Ctl::IPアドレス, host);
  client.SetText(kv::Ctl::ユーザー, "QSECOFR");
  client.SetText(kv::Ctl::パスワード, "QSECOFR");
  client.SetText(kv::Ctl::ライブラリー名, "E2ELIB");
  client.SetText(kv::Ctl::ファイル名, "QRPGSRC");
  client.SetText(kv::Ctl::メンバー名, "HELLO");
  client.SetText(kv::Ctl::pcファイル名, "C:\\kvgui\\HELLO.txt");
  client.Click(kv::Ctl::実行);
  REQUIRE(WaitFor([&] { return client.Text(kv::Ctl::実行) == "ＯＫ" || client.WaitMessageBox(0).has_value(); }, 60000));
  CHECK(!client.WaitMessageBox(0).has_value());
  CHECK(client.Text(kv::Ctl::LABEL99).rfind("HELLO:「挨拶プログラム", 0) == 0);
}

// The manual installed by setup, open in the WinHelp viewer: the contents topic,
// and a topic reached by its context id.
GUI_TEST(manual_in_winhlp32) {
  const std::wstring media = MediaFolder(Paths().program);
  CreateDirectoryW(L"C:\\KV-TRANSIT", nullptr);
  REQUIRE(CopyFileW((media + L"\\setpg\\KV1.HLP").c_str(), L"C:\\KV-TRANSIT\\KV1.HLP", FALSE));
  wchar_t windows[MAX_PATH];  // system32
  GetSystemDirectoryW(windows, MAX_PATH);
  const std::wstring viewer = std::wstring(windows) + L"\\winhlp32.exe";
  {
    App help(viewer, L"MS_WINHELP", L"C:\\KV-TRANSIT", L"C:\\KV-TRANSIT\\KV1.HLP");
    CHECK(WindowText(help.Main()).find("KV-TRANSIT 操作説明書") != std::string::npos);
    CHECK(!help.WaitMessageBox(500).has_value());
    help.Screenshot(L"manual_contents");
    // A click on the first link, which follows a long Japanese paragraph,
    // jumps to its topic: the second line starts elsewhere (the contents
    // topic's heading is 16 characters long). A click on the heading does nothing.
    HWND edit = FindRichEdit(help.Main());
    REQUIRE(edit != nullptr);
    auto secondLine = [&] { return SendMessageW(FindRichEdit(help.Main()), EM_LINEINDEX, 1, 0); };
    REQUIRE_EQ(secondLine(), static_cast<LRESULT>(17));
    auto clickLine = [&](LRESULT line) {
      LRESULT first = SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
      LRESULT xy = SendMessageW(edit, EM_POSFROMCHAR, static_cast<WPARAM>(first + 2), 0);
      LPARAM at = MAKELPARAM(LOWORD(xy) + 3, HIWORD(xy) + 5);
      PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageW(edit, WM_LBUTTONUP, 0, at);
      return WaitFor([&] { return secondLine() != 17; }, 400);
    };
    CHECK(!clickLine(0));
    LRESULT lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0), jumped = -1;
    for (LRESULT line = 1; line < lines && jumped < 0; ++line)
      if (clickLine(line)) jumped = line;
    std::printf("jumped from line %ld of %ld\n", static_cast<long>(jumped), static_cast<long>(lines));
    CHECK(jumped >= 5);
    help.Screenshot(L"manual_after_jump");
  }
  App topic(viewer, L"MS_WINHELP", L"C:\\KV-TRANSIT", L"-i SOURCE1 C:\\KV-TRANSIT\\KV1.HLP");
  CHECK(!topic.WaitMessageBox(500).has_value());
  topic.Screenshot(L"manual_source_download");
}

// F1 in the client opens the installed manual in the WinHelp viewer (Wine has one).
GUI_TEST(client_f1_opens_the_manual) {
  const std::wstring media = MediaFolder(Paths().program);
  ResetInstallDir();
  REQUIRE(CopyFileW((media + L"\\setpg\\KV1.HLP").c_str(), L"C:\\KV-TRANSIT\\KV1.HLP", FALSE));
  App client(media + L"\\KV-Windows版\\hostxfer.exe", kv::win32::kMainClass, L"C:\\kvgui");
  SetForegroundWindow(client.Main());
  REQUIRE(WaitFor([&] { return GetForegroundWindow() == client.Main(); }));
  client.PressKey(VK_F1);
  HWND help = nullptr;
  CHECK(WaitFor([&] {
    help = FindWindowW(L"MS_WINHELP", nullptr);
    return help && IsWindowVisible(help);
  }, 10000));
  if (help) {
    CHECK(FindRichEdit(help) != nullptr);
    client.Screenshot(L"client_f1_manual", help);
    DWORD pid = 0;
    GetWindowThreadProcessId(help, &pid);
    if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
      TerminateProcess(p, 0);
      CloseHandle(p);
    }
  }
}
