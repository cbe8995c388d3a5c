#include "client/window/main_panel.h"

#include "client/window/operations.h"
#include "client/workfiles/paths.h"
#include "client/workfiles/remembered_inputs.h"
#include "common/textfile.h"

namespace kv {

void INIT(Panel& panel) {
  for (Ctl c : {Ctl::IPADR, Ctl::WRKS, Ctl::MENUNO}) panel.SetVisible(c, false);
  for (Ctl c : {Ctl::Frame2, Ctl::LABEL1, Ctl::LABEL2, Ctl::LABEL3, Ctl::LABEL4, Ctl::LABEL5, Ctl::LABEL6,
                Ctl::Label7, Ctl::LABEL8, Ctl::Label9, Ctl::Label10, Ctl::Label11, Ctl::Label12, Ctl::Label13})
    panel.SetVisible(c, false);
  panel.SetBackColor(Ctl::処理, kTitleColourDownload);
  panel.SetVisible(Ctl::ファイル名, false);
  panel.SetVisible(Ctl::ライブラリー名, false);
  panel.Move(Ctl::ライブラリー名, {2520, 820});
  for (Ctl c : {Ctl::メンバー名, Ctl::タイプ, Ctl::コンパイル, Ctl::オブジェクトライブラリー, Ctl::漢字, Ctl::リリース,
                Ctl::復元先, Ctl::ジョブ名, Ctl::スプールユーザー, Ctl::番号, Ctl::スプール番号, Ctl::リスト要})
    panel.SetVisible(c, false);
  panel.SetText(Ctl::LABEL99, "");
  panel.Move(Ctl::Label7, {4440, 1200});
  panel.Move(Ctl::リリース, {6240, 1150});
  panel.SetText(Ctl::MENUNO, "0");
}

void StartUp(Panel& panel, const std::function<HostInfo()>& getIp) {
  INIT(panel);
  MakeDirectory(paths::kInstallDir);
  ReadConnectionFile(panel);
  HostInfo info = getIp ? getIp() : HostInfo{};
  panel.SetText(Ctl::IPADR, info.address);
  panel.SetText(Ctl::WRKS, info.name);
}

bool SelectOperation(Panel& panel, int code) {
  const Operation* op = FindOperation(code);
  if (!op) return false;
  INIT(panel);
  panel.SetText(Ctl::処理, std::string(op->title));
  if (op->IsUpload()) panel.SetBackColor(Ctl::処理, kTitleColourUpload);
  panel.SetText(Ctl::MENUNO, std::to_string(code));
  panel.SetVisible(Ctl::参照, op->IsUpload());
  panel.SetVisible(Ctl::保存先, !op->IsUpload());
  panel.SetVisible(Ctl::Frame2, true);
  panel.SetText(Ctl::Frame2, std::string(op->frame2Caption));
  panel.SetVisible(Ctl::LABEL1, true);
  panel.SetText(Ctl::LABEL1, std::string(op->label1Caption));
  for (const auto& s : op->labels) {
    if (s.at) panel.Move(s.ctl, *s.at);
    if (!s.caption.empty()) panel.SetText(s.ctl, std::string(s.caption));
    panel.SetVisible(s.ctl, true);
  }
  for (const auto& s : op->controls) {
    if (s.at) panel.Move(s.ctl, *s.at);
    panel.SetVisible(s.ctl, true);
    if (s.ctl == Ctl::タイプ) {
      panel.ClearList(Ctl::タイプ);
      for (auto item : op->typeList) panel.AddItem(Ctl::タイプ, std::string(item));
    }
  }
  ReadRememberedInputs(panel, op->inputs, code);
  panel.SetFocus(op->focus);
  return true;
}

}  // namespace kv
