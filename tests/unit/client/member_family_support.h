// What the tests of the member families (source, data, CSV) share: a panel set
// up for one operation on a fresh drive C:, reply lines, and expected events.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/engine/methods.h"
#include "client/panel/memory_panel.h"
#include "client/window/main_panel.h"
#include "tests/unit/client/check_table.h"
#include "tests/unit/client/client_fixture.h"

namespace kvtest {

// The texts the member families' reply methods share.
inline const std::string kLogon = "ログイン出来ません。ユーザー・パスワード間違いないですか？";
inline const std::string kLogonTitle = "PC⇒AS400(CSV）";
inline const std::string kNotLib = "ライブラリー名が間違っています確認してください。";
inline const std::string kNotFil = "ファイル名が間違っています確認してください。";
inline const std::string kNotMbr = "メンバー名が間違っています確認してください。";
inline const std::string kTimeout = "通信不能です。";
// A reply line that ends before its status word, for a download and an upload.
inline const std::string kCutShortDown = "ホストの応答が途中で切れていました。ダウンロードは完了していません。もう一度実行して下さい。";
inline const std::string kCutShortUp = "ホストの応答が途中で切れていました。アップロードの結果をホストで確認して下さい。";

// The thirty characters before the status field.
inline const std::string k30 = "123456789012345678901234567890";

// A reply line: k30, the status field (as given, not padded), and from
// position 37 on `rest` (positions 37 to 40, then the detail text).
inline std::string Reply(const std::string& status, const std::string& rest = "") { return k30 + status + rest; }

inline kv::PanelEvent Box(const std::string& text, const std::string& title,
                          kv::MsgIcon icon = kv::MsgIcon::Exclamation) {
  return {kv::PanelEvent::Kind::Message, text, title, icon};
}
inline kv::PanelEvent Focus(const std::string& control) {
  return {kv::PanelEvent::Kind::Focus, control, "", kv::MsgIcon::None};
}

// Inputs of the member panels; every member a test leaves alone passes the checks.
struct Inputs {
  std::string lib = "QGPL", file = "QRPGSRC", member = "PGM1";
  std::string pc = "C:\\KV-TRANSIT";  // an existing directory: found
  std::string type = "RPGLE", objlib = "OBJLIB";
  int compile = 0, kanji = 0;
};

// The remembered-inputs file (DFT.dat or DFTC.dat) a run with the default inputs leaves.
inline const std::string kRememberedDefaults = ClientDrive::Cp932Lines(
    {"SYSTEM:10.0.0.1", "USER:QSECOFR", "PWRD:PW1", "SLIB:QGPL", "SFIL:QRPGSRC", "SMBR:PGM1", "OLIB:OBJLIB"});

// Default inputs with one edit applied, for table rows.
inline Inputs With(void (*edit)(Inputs&)) {
  Inputs in;
  edit(in);
  return in;
}


class MemberFixture {
 public:
  explicit MemberFixture(int code) : code(code) {
    kv::StartUp(panel, [] { return kv::HostInfo{"10.0.0.5", "pc01"}; });
    kv::SelectOperation(panel, code);
    panel.SetText(kv::Ctl::IPアドレス, "10.0.0.1");
    panel.SetText(kv::Ctl::ユーザー, "QSECOFR");
    panel.SetText(kv::Ctl::パスワード, "PW1");
    Set(Inputs{});
    drive.PutFile("LIBNAME.ini", ClientDrive::Cp932Lines({"TOOLLIB   OTHERLIB"}));
    panel.ClearEvents();
  }
  void Set(const Inputs& in) {
    using kv::Ctl;
    panel.SetText(Ctl::ライブラリー名, in.lib);
    panel.SetText(Ctl::ファイル名, in.file);
    panel.SetText(Ctl::メンバー名, in.member);
    panel.SetText(Ctl::pcファイル名, in.pc);
    panel.SetText(Ctl::タイプ, in.type);
    panel.SetText(Ctl::オブジェクトライブラリー, in.objlib);
    panel.SetValue(Ctl::コンパイル, in.compile);
    panel.SetValue(Ctl::漢字, in.kanji);
  }
  // Writes the script; returns kvtrn.ini's bytes.
  std::string Script(kv::ScriptMethod m) {
    kv::RunContext ctx{panel, {}, code};
    m(ctx);
    return drive.File("kvtrn.ini");
  }
  // Puts `line` into the reply file (nothing: no reply file) and runs the reply method.
  void Answer(kv::ReplyMethodFn m, const std::optional<std::string>& line) {
    std::filesystem::remove(drive.Dir() + "/FTPTEXT.DAT");
    if (line) drive.PutFile("FTPTEXT.DAT", ClientDrive::Cp932Lines({*line}));
    panel.ClearEvents();
    panel.SetText(kv::Ctl::LABEL99, "");
    kv::RunContext ctx{panel, {}, code};
    m(ctx);
  }
  const std::vector<kv::PanelEvent>& Events() const { return panel.Events(); }
  std::string Label() const { return panel.Text(kv::Ctl::LABEL99); }

  int code;
  ClientDrive drive;
  kv::MemoryPanel panel;
};

// One row of a reply table: the line in the reply file (nothing: no file), what
// the user sees, and the success line.
struct ReplyRow {
  std::optional<std::string> line;
  std::vector<kv::PanelEvent> events;
  std::string label;
};

// One row of a validation table.
struct CheckRow {
  std::string name;
  Inputs in;
  std::vector<kv::PanelEvent> events;
};

// Runs every row of a validation table on a fresh panel for operation `code`:
// the user sees the row's events in order, and the flag is 1 once anything was
// reported.
template <std::size_t N>
void ExpectChecks(int code, kv::CheckMethod m, const CheckRow (&rows)[N]) {
  for (const auto& r : rows) {
    MemberFixture f(code);
    f.Set(r.in);
    ExpectCheck(f.panel, code, m, r.events, std::to_string(code) + " " + r.name);
  }
}

// What a reply method left for one row: the events in order, the success line,
// and the remembered-inputs file `rememberedFile`, written whatever the reply.
inline void ExpectAnswered(const MemberFixture& f, const ReplyRow& r, const std::string& rememberedFile,
                           const std::string& remembered, const std::string& where) {
  EXPECT_EQ(Describe(f.Events()), Describe(r.events)) << where;
  EXPECT_EQ(f.Events(), r.events) << where;
  EXPECT_EQ(f.Label(), r.label) << where;
  EXPECT_EQ(f.drive.File(rememberedFile), remembered) << where;
}

// Runs every row of a reply table on a fresh panel for operation `code`.
template <std::size_t N>
void ExpectReplies(int code, kv::ReplyMethodFn m, const ReplyRow (&rows)[N],
                   const std::string& rememberedFile, const std::string& remembered) {
  for (const auto& r : rows) {
    MemberFixture f(code);
    f.Answer(m, r.line);
    ExpectAnswered(f, r, rememberedFile, remembered,
                   std::to_string(code) + " [" + r.line.value_or("<no file>") + "]");
  }
}

}  // namespace kvtest
