#include "cli/kvxfer.h"

#include <string_view>

#include "client/engine/builtin_spreadsheet.h"
#include "client/engine/listing_workbook.h"
#include "client/engine/pipeline.h"
#include "client/panel/memory_panel.h"
#include "client/window/main_panel.h"
#include "client/window/operations.h"
#include "common/vbstr.h"
#include "common/winpath.h"

namespace kv {
namespace {

// Short ASCII names for the controls, for shells where Japanese is awkward to type.
struct Alias {
  std::string_view alias;
  Ctl ctl;
};
constexpr Alias kAliases[] = {
    {"ip", Ctl::IPアドレス},        {"user", Ctl::ユーザー},          {"password", Ctl::パスワード},
    {"pcfile", Ctl::pcファイル名},   {"file", Ctl::ファイル名},        {"lib", Ctl::ライブラリー名},
    {"member", Ctl::メンバー名},     {"type", Ctl::タイプ},            {"objlib", Ctl::オブジェクトライブラリー},
    {"compile", Ctl::コンパイル},    {"kanji", Ctl::漢字},             {"release", Ctl::リリース},
    {"restorelib", Ctl::復元先},     {"job", Ctl::ジョブ名},           {"jobuser", Ctl::スプールユーザー},
    {"jobnumber", Ctl::番号},        {"splnumber", Ctl::スプール番号}, {"list", Ctl::リスト要},
};

constexpr std::string_view kUsage =
    "usage: kvxfer MENUITEM [--NAME=VALUE]...\n"
    "  MENUITEM: source1 data1 bin1 csv1 lib1 obj1 spool1 spltxt\n"
    "            source2 data2 bin2 csv2 lib2 obj2 spool\n"
    "  NAME: a control of the panel (--ライブラリー名=QGPL, --コンパイル=1) or its alias:\n"
    "        ip user password pcfile file lib member type objlib compile kanji\n"
    "        release restorelib job jobuser jobnumber splnumber list\n";

std::optional<Ctl> ResolveName(std::string_view name) {
  for (const auto& a : kAliases)
    if (a.alias == name) return a.ctl;
  return ControlByName(name);
}

// The controls a user can type into for this operation: the connection group,
// the PC file and the operation's own inputs.
bool Offered(const Operation& op, Ctl c) {
  if (c == Ctl::IPアドレス || c == Ctl::ユーザー || c == Ctl::パスワード || c == Ctl::pcファイル名) return true;
  for (const auto& s : op.controls)
    if (s.ctl == c) return true;
  return false;
}

// Terminal columns of a UTF-8 text: the Japanese characters of the progress line take two.
std::size_t Columns(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += c < 0x80 ? 1 : (c >= 0xC0 ? 2 : 0);
  return n;
}

struct Assignment {
  Ctl ctl;
  std::string value;
};

}  // namespace

int RunKvxfer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const KvxferOptions& options) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    err << kUsage;
    return 2;
  }
  const Operation* op = FindOperationByMenuItem(args[0]);
  if (!op) {
    err << "kvxfer: unknown menu item '" << args[0] << "'\n" << kUsage;
    return 2;
  }

  std::vector<Assignment> assignments;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::size_t eq = a.find('=');
    if (a.rfind("--", 0) != 0 || eq == std::string::npos) {
      err << "kvxfer: expected --NAME=VALUE, got '" << a << "'\n";
      return 2;
    }
    std::string name = a.substr(2, eq - 2);
    std::string value = a.substr(eq + 1);
    auto ctl = ResolveName(name);
    const bool input = ctl && (ControlInfo(*ctl).kind == CtlKind::TextBox || ControlInfo(*ctl).kind == CtlKind::ComboBox ||
                               ControlInfo(*ctl).kind == CtlKind::CheckBox);
    if (!input) {
      err << "kvxfer: unknown control '" << name << "'\n";
      return 2;
    }
    if (!Offered(*op, *ctl)) {
      err << "kvxfer: " << op->menuItem << " does not show " << NameOf(*ctl) << "\n";
      return 2;
    }
    const ControlSpec& info = ControlInfo(*ctl);
    if (info.kind == CtlKind::CheckBox) {
      if (value != "0" && value != "1") {
        err << "kvxfer: " << NameOf(*ctl) << " takes 0 or 1\n";
        return 2;
      }
    } else if (info.maxLength > 0 && Len(value) > static_cast<std::size_t>(info.maxLength)) {
      err << "kvxfer: " << NameOf(*ctl) << " takes at most " << info.maxLength << " characters\n";
      return 2;
    } else if (value.find_first_of("\r\n") != std::string::npos) {
      // The boxes hold one line. A line break would become a line of its own
      // in the transfer script (an FTP command nobody typed) and would shift
      // the lines of the remembered-inputs files.
      err << "kvxfer: " << NameOf(*ctl) << " takes one line\n";
      return 2;
    }
    // A path typed as a Linux path is the same file seen from Windows.
    if (*ctl == Ctl::pcファイル名 && !value.empty() && value[0] == '/') value = ToWindowsPath(value);
    assignments.push_back({*ctl, value});
  }

  MemoryPanel panel;
  StartUp(panel, options.getIp);
  SelectOperation(panel, op->code);
  for (const auto& as : assignments) {
    if (ControlInfo(as.ctl).kind == CtlKind::CheckBox)
      panel.SetValue(as.ctl, as.value == "1" ? 1 : 0);
    else
      panel.SetText(as.ctl, as.value);
  }
  panel.ClearEvents();

  // A listing workbook is built by editing the file itself and reported by its path.
  std::vector<std::string> workbooks;
  Pipeline pipeline;
  if (options.progress) pipeline.OnProgress([&err, width = std::size_t{0}](const std::string& text) mutable {
    // Blanks wipe what a longer earlier line left on the terminal.
    const std::size_t shown = Columns(text);
    err << '\r' << text << std::string(width > shown ? width - shown : 0, ' ');
    if (text.empty()) err << '\r';
    err.flush();
    width = shown;
  });
  // A listing too long for the sheet is said to be incomplete, in the workbook and here.
  std::vector<std::string> leftOut;
  RunContext ctx{panel, ListingBuilder(
                            [&workbooks] {
                              return std::make_unique<BuiltinSpreadsheet>(
                                  [&workbooks](const std::string& path) { workbooks.push_back(path); });
                            },
                            [&leftOut](const std::string& note) { leftOut.push_back(note); })};
  pipeline.Execute(ctx);

  bool sawMessage = false;
  for (const auto& e : panel.Events()) {
    sawMessage = sawMessage || e.kind == PanelEvent::Kind::Message;
    out << e << '\n';
  }
  for (const auto& w : workbooks) out << "workbook\t" << w << '\n';
  for (const auto& n : leftOut) out << "omitted\t" << n << '\n';
  std::string result = panel.Text(Ctl::LABEL99);
  if (!result.empty()) out << "label99\t" << result << '\n';
  out.flush();
  if (sawMessage) return 1;
  return result.empty() ? 3 : 0;
}

}  // namespace kv
