#include "client/engine/member_common.h"

#include "client/engine/pc_path_check.h"
#include "common/textfile.h"

namespace kv::member {

bool NoBackslash(const Panel& panel) { return panel.Text(Ctl::pcファイル名).find('\\') == std::string::npos; }

bool NoNameAfterRoot(const Panel& panel) { return NoFileNameAfterRoot(panel.Text(Ctl::pcファイル名)); }

bool PcFileMissing(const Panel& panel) { return !PathExists(panel.Text(Ctl::pcファイル名)); }

std::span<const FieldCheck> DataDownloadChecks() {
  static constexpr FieldCheck kChecks[] = {
      {IsEmpty<Ctl::ライブラリー名>, "ライブラリー名を入力して下さい。", "データ・ライブラリー名", Ctl::ライブラリー名},
      {IsEmpty<Ctl::ファイル名>, "ファイル名を入力して下さい。", "データ・ファイル名", Ctl::ファイル名},
      {IsEmpty<Ctl::メンバー名>, "メンバー名を入力して下さい。", "メンバー名", Ctl::メンバー名},
      {NoBackslash, "パス名が不正です。", "PCファイル名", Ctl::pcファイル名},
      {NoNameAfterRoot, "保存先ファイルを入力してください。", "PCファイル名", Ctl::pcファイル名},
  };
  return kChecks;
}

std::string MemberPath(const Panel& panel) {
  return panel.Text(Ctl::ライブラリー名) + "/" + panel.Text(Ctl::ファイル名) + "." + panel.Text(Ctl::メンバー名);
}

void ShowDownloaded(Panel& panel, const ReplyLine& reply) {
  panel.SetText(Ctl::LABEL99, panel.Text(Ctl::メンバー名) + ":「" + reply.DetailText() + "」ダウンロード完了しました。");
}

}  // namespace kv::member
