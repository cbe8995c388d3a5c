// The controls of the main window KV_TRANSIT: names, kinds, containers, design
// positions (twips), tab order, design text and maximum lengths. The Win32
// window and the memory panel are both built from this one table.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kv {

enum class Ctl {
  処理, Image1, X, L1, IPアドレス, L2, ユーザー, L3, パスワード, IPADR, WRKS, MENUNO,
  Frame2, pcファイル名, 参照, 保存先, LABEL1, ファイル名, LABEL2, ライブラリー名, LABEL3, メンバー名,
  LABEL4, タイプ, LABEL5, オブジェクトライブラリー, コンパイル, LABEL6, 漢字, Label7, リリース,
  LABEL8, 復元先, Label9, ジョブ名, Label10, スプールユーザー, Label11, 番号, Label12, スプール番号,
  Label13, リスト要, LABEL99, 実行, 終了,
};
inline constexpr int kControlCount = static_cast<int>(Ctl::終了) + 1;

enum class CtlKind { Label, Image, Frame, TextBox, HiddenTextBox, Button, ComboBox, CheckBox };

// Container of a control: the window itself or one of the two frames.
enum class Container { Window, X, Frame2 };

struct ControlSpec {
  Ctl ctl;
  std::string_view name;
  CtlKind kind;
  Container in;
  int left, top, width, height;  // twips, relative to the container
  int tab;                       // tab-order index; -1 for none
  std::string_view designText;
  int maxLength;                 // 0: no limit
  bool designVisible;            // visible at design time (hidden boxes are not)
};

const ControlSpec& ControlInfo(Ctl c);
std::span<const ControlSpec> AllControls();
std::optional<Ctl> ControlByName(std::string_view name);
std::string_view NameOf(Ctl c);

// Colours as the window toolkit stores them: &H80000001 is system colour 1.
inline constexpr std::uint32_t kTitleColourDownload = 0x80000001u;
inline constexpr std::uint32_t kTitleColourUpload = 0x000000C0u;

// The fourteen text boxes that are trimmed before a run or a chooser, in this order.
inline constexpr Ctl kTrimmedBoxes[] = {
    Ctl::pcファイル名, Ctl::IPアドレス, Ctl::ライブラリー名, Ctl::ファイル名, Ctl::メンバー名,
    Ctl::オブジェクトライブラリー, Ctl::リリース, Ctl::復元先, Ctl::ジョブ名, Ctl::スプールユーザー,
    Ctl::番号, Ctl::スプール番号, Ctl::ユーザー, Ctl::パスワード,
};

}  // namespace kv
