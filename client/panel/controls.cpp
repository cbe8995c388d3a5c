#include "client/panel/controls.h"

namespace kv {
namespace {

using K = CtlKind;
using C = Container;

// The example address shown before start-up fills the box from the connection file.
constexpr std::string_view kExampleAddress = "192.168.1.10";

constexpr ControlSpec kControls[] = {
    {Ctl::処理, "処理", K::Label, C::Window, 105, 30, 150, 300, 20, "", 0, true},
    {Ctl::Image1, "Image1", K::Image, C::Window, 7680, 120, 1560, 390, -1, "", 0, true},
    {Ctl::X, "X", K::Frame, C::Window, 240, 4200, 9015, 1335, 0, "iSeries(AS/400)", 0, true},
    {Ctl::L1, "L1", K::Label, C::X, 480, 240, 975, 255, 14, "IPアドレス", 0, true},
    {Ctl::IPアドレス, "IPアドレス", K::TextBox, C::X, 1440, 240, 2295, 270, 31, kExampleAddress, 15, true},
    {Ctl::L2, "L2", K::Label, C::X, 720, 600, 1335, 255, 15, "ユーザー", 0, true},
    {Ctl::ユーザー, "ユーザー", K::TextBox, C::X, 1680, 600, 1095, 270, 32, "QSECOFR", 10, true},
    {Ctl::L3, "L3", K::Label, C::X, 720, 960, 975, 255, 16, "パスワード", 0, true},
    {Ctl::パスワード, "パスワード", K::TextBox, C::X, 1680, 960, 1095, 270, 33, "", 10, true},
    {Ctl::IPADR, "IPADR", K::HiddenTextBox, C::X, 5400, 240, 1455, 270, 17, "PCADR", 0, false},
    {Ctl::WRKS, "WRKS", K::HiddenTextBox, C::X, 5400, 600, 1455, 270, 18, "WRKS", 0, false},
    {Ctl::MENUNO, "MENUNO", K::HiddenTextBox, C::X, 5400, 960, 1335, 285, 23, "MENUNO", 0, false},
    {Ctl::Frame2, "Frame2", K::Frame, C::Window, 240, 2880, 9015, 1215, 19, "PC保存先", 0, true},
    {Ctl::pcファイル名, "pcファイル名", K::TextBox, C::Frame2, 240, 360, 8655, 270, 24, "", 0, true},
    {Ctl::参照, "参照", K::Button, C::Frame2, 7320, 720, 1335, 420, 25, "参照", 0, true},
    {Ctl::保存先, "保存先", K::Button, C::Frame2, 7560, 720, 1335, 420, 26, "保存先選択", 0, true},
    {Ctl::LABEL1, "LABEL1", K::Label, C::Window, 360, 480, 1695, 255, 21, "ソース・ファイル名", 0, true},
    {Ctl::ファイル名, "ファイル名", K::TextBox, C::Window, 2160, 450, 1455, 285, 1, "", 10, true},
    {Ctl::LABEL2, "LABEL2", K::Label, C::Window, 600, 840, 1335, 255, 27, "ライブラリー名", 0, true},
    {Ctl::ライブラリー名, "ライブラリー名", K::TextBox, C::Window, 2520, 820, 1455, 285, 2, "", 10, true},
    {Ctl::LABEL3, "LABEL3", K::Label, C::Window, 360, 1200, 1335, 255, 22, "メンバー名", 0, true},
    {Ctl::メンバー名, "メンバー名", K::TextBox, C::Window, 2160, 1150, 1455, 285, 3, "", 10, true},
    {Ctl::LABEL4, "LABEL4", K::Label, C::Window, 360, 1560, 1815, 255, 28, "ソース・タイプ", 0, true},
    {Ctl::タイプ, "タイプ", K::ComboBox, C::Window, 2160, 1560, 1455, 315, 5, "", 0, true},
    {Ctl::LABEL5, "LABEL5", K::Label, C::Window, 4320, 2040, 2175, 255, 29, "オブジェクトライブラリー", 0, true},
    {Ctl::オブジェクトライブラリー, "オブジェクトライブラリー", K::TextBox, C::Window, 6720, 2040, 1215, 270, 8, "QGPL", 10, true},
    {Ctl::コンパイル, "コンパイル", K::CheckBox, C::Window, 4320, 1560, 1215, 255, 6, "コンパイル", 0, true},
    {Ctl::LABEL6, "LABEL6", K::Label, C::Window, 360, 1800, 1095, 255, 35, "漢字有り", 0, true},
    {Ctl::漢字, "漢字", K::CheckBox, C::Window, 2160, 1680, 1095, 495, 7, "", 0, true},
    {Ctl::Label7, "Label7", K::Label, C::Window, 4440, 1200, 1575, 255, 36, "ターゲット・リリース", 0, true},
    {Ctl::リリース, "リリース", K::TextBox, C::Window, 6240, 1200, 1455, 270, 4, "*CURRENT", 10, true},
    {Ctl::LABEL8, "LABEL8", K::Label, C::Window, 360, 2160, 1335, 255, 37, "復元先ライブラリー", 0, true},
    {Ctl::復元先, "復元先", K::TextBox, C::Window, 2160, 2160, 1575, 270, 13, "", 10, true},
    {Ctl::Label9, "Label9", K::Label, C::Window, 4320, 120, 1335, 255, 39, "ジョブ名", 0, true},
    {Ctl::ジョブ名, "ジョブ名", K::TextBox, C::Window, 5280, 120, 1455, 270, 9, "", 10, true},
    {Ctl::Label10, "Label10", K::Label, C::Window, 4440, 480, 1335, 255, 40, "ユーザー", 0, true},
    {Ctl::スプールユーザー, "スプールユーザー", K::TextBox, C::Window, 5400, 480, 1455, 270, 10, "", 10, true},
    {Ctl::Label11, "Label11", K::Label, C::Window, 4680, 840, 735, 255, 41, "番号", 0, true},
    {Ctl::番号, "番号", K::TextBox, C::Window, 5400, 840, 1455, 270, 11, "", 6, true},
    {Ctl::Label12, "Label12", K::Label, C::Window, 6960, 840, 1455, 255, 42, "スプール番号", 0, true},
    {Ctl::スプール番号, "スプール番号", K::TextBox, C::Window, 8160, 840, 1455, 270, 12, "1", 6, true},
    {Ctl::Label13, "Label13", K::Label, C::Window, 360, 2520, 1455, 255, 45, "リスト", 0, true},
    {Ctl::リスト要, "リスト要", K::CheckBox, C::Window, 2160, 2520, 1575, 375, 44, "リスト要", 0, true},
    {Ctl::LABEL99, "LABEL99", K::Label, C::Window, 2760, 5880, 120, 255, 38, "", 0, true},
    {Ctl::実行, "実行", K::Button, C::Window, 240, 5760, 1215, 495, 34, "OK", 0, true},
    {Ctl::終了, "終了", K::Button, C::Window, 1560, 5760, 1095, 495, 43, "終了", 0, true},
};
static_assert(std::size(kControls) == kControlCount);

}  // namespace

const ControlSpec& ControlInfo(Ctl c) { return kControls[static_cast<int>(c)]; }
std::span<const ControlSpec> AllControls() { return kControls; }

std::optional<Ctl> ControlByName(std::string_view name) {
  for (const auto& s : kControls)
    if (s.name == name) return s.ctl;
  return std::nullopt;
}

std::string_view NameOf(Ctl c) { return ControlInfo(c).name; }

}  // namespace kv
