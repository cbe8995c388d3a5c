// Design documents on one sheet each: the header block, then the document's
// own labelled fields, tables and free-text areas.
#include <variant>

#include "media/templates/form.h"
#include "media/templates/templates.h"

namespace kv::templates {
namespace {

using namespace kv::xls;

struct Fields {
  std::vector<LabelledField> fields;
};
struct TableBlock {
  std::string caption;  // a caption row above the headings, or none
  std::vector<Column> columns;
  std::uint32_t lines;
};
struct Memo {
  std::string caption;
  std::uint32_t lines;
};
using Block = std::variant<Fields, TableBlock, Memo>;

// Three label-and-field pairs across a portrait sheet of 36 columns.
Fields Three(const char* a, const char* b, const char* c) { return {{{a, 4, 8}, {b, 4, 8}, {c, 4, 8}}}; }

Workbook Document(const std::string& title, const std::string& sheetName, bool landscape, const std::vector<Block>& blocks) {
  Form f;
  const GridSheet g = AddGridSheet(f, sheetName, landscape ? 52 : 36, landscape);
  Workbook wb = f.book.Build();
  std::uint32_t row = HeaderBlock(f, wb, g, title);
  for (const Block& b : blocks) {
    if (const auto* fr = std::get_if<Fields>(&b)) {
      row = FieldRow(f, wb, g, row, fr->fields);
      continue;
    }
    ++row;  // a blank row before each table and area
    if (const auto* t = std::get_if<TableBlock>(&b)) {
      if (!t->caption.empty()) Box(wb, g.sheet, row++, 0, g.columns, f.label, t->caption);
      row = Table(f, wb, g, row, t->columns, t->lines, true);
    } else {
      const auto& m = std::get<Memo>(b);
      row = MemoArea(f, wb, g, row, m.caption, m.lines);
    }
  }
  wb.SelectCell(g.sheet, 0, 0);
  return wb;
}

const std::vector<Column> kSteps = {{"No.", 2}, {"処理内容", 20}, {"条件・分岐", 8}, {"備考", 6}};

}  // namespace

Workbook MakeDatabaseDefinition() {
  return Document("データベース定義書", "データベース定義", false,
                  {Three("ファイル名", "ライブラリー", "レコード様式"), Three("ファイル種別", "レコード長", "ＣＣＳＩＤ"),
                   Fields{{{"テキスト", 4, 32}}},
                   TableBlock{"フィールド",
                              {{"No.", 2}, {"フィールド名", 5}, {"項目名称", 7}, {"型", 2}, {"長さ", 3}, {"小数", 2},
                               {"開始位置", 3}, {"欄見出し", 6}, {"備考", 6}},
                              40}});
}

Workbook MakeObjectDescription() {
  return Document("オブジェクト記述書", "オブジェクト記述", false,
                  {Three("オブジェクト", "ライブラリー", "タイプ"), Three("属性", "所有者", "ソース"),
                   Fields{{{"テキスト", 4, 32}}}, Memo{"概要", 8},
                   TableBlock{"関連オブジェクト",
                              {{"No.", 2}, {"オブジェクト", 6}, {"ライブラリー", 6}, {"タイプ", 4}, {"用途", 4}, {"説明", 14}},
                              15},
                   Memo{"備考", 5}});
}

Workbook MakeKeyDefinition() {
  return Document("キー定義書", "キー定義", false,
                  {Three("ファイル名", "ライブラリー", "基準ファイル"), Three("キー種別", "重複キー順", "レコード様式"),
                   TableBlock{"キー・フィールド",
                              {{"No.", 2}, {"フィールド名", 7}, {"項目名称", 9}, {"昇順/降順", 4}, {"型", 3}, {"長さ", 3}, {"備考", 8}},
                              12},
                   TableBlock{"選択／除外",
                              {{"No.", 2}, {"選択/除外", 4}, {"フィールド名", 7}, {"比較", 4}, {"値", 10}, {"備考", 9}},
                              10}});
}

Workbook MakeProgramFunction1() {
  return Document("プログラム機能仕様書（１）", "機能仕様１", false,
                  {Three("プログラムID", "プログラム名", "言語"), Three("起動方法", "実行形態", "処理区分"),
                   Memo{"機能概要", 10}, Memo{"処理概要", 22}, Memo{"備考", 5}});
}

Workbook MakeProgramFunction2() {
  return Document("プログラム機能仕様書（２）", "機能仕様２", false,
                  {Three("プログラムID", "プログラム名", "言語"), Memo{"処理詳細", 45}});
}

Workbook MakeFileLayout1() {
  return Document("ファイル・レイアウト（１）", "レイアウト１", false,
                  {Three("ファイル名", "ライブラリー", "レコード様式"), Three("レコード長", "編成", "ＣＣＳＩＤ"),
                   TableBlock{"",
                              {{"No.", 2}, {"項目名", 7}, {"フィールド名", 5}, {"開始", 3}, {"終了", 3}, {"長さ", 3},
                               {"型", 2}, {"小数", 2}, {"備考", 9}},
                              40}});
}

Workbook MakeFileLayout2() {
  return Document("ファイル・レイアウト（２）", "レイアウト２", false,
                  {Three("ファイル名", "ライブラリー", "レコード様式"),
                   TableBlock{"",
                              {{"No.", 2}, {"項目名", 7}, {"フィールド名", 5}, {"開始", 3}, {"終了", 3}, {"長さ", 3},
                               {"型", 2}, {"小数", 2}, {"備考", 9}},
                              48}});
}

Workbook MakeProgramDescription1() {
  return Document("プログラム仕様書（１）", "仕様書１", false,
                  {Three("プログラムID", "プログラム名", "言語"), Three("種別", "起動元", "コンパイル"),
                   TableBlock{"入出力",
                              {{"No.", 2}, {"ファイル・画面・帳票", 8}, {"ライブラリー", 6}, {"入出力", 3}, {"内容", 17}},
                              10},
                   Memo{"処理概要", 15}, Memo{"備考", 5}});
}

Workbook MakeProgramDescription2() {
  return Document("プログラム仕様書（２）", "仕様書２", false,
                  {Three("プログラムID", "プログラム名", "言語"), TableBlock{"処理手順", kSteps, 45}});
}

Workbook MakeSubprogramDescription1() {
  return Document("サブプログラム仕様書（１）", "サブ仕様１", false,
                  {Three("サブプログラムID", "名称", "言語"),
                   TableBlock{"パラメーター",
                              {{"No.", 2}, {"パラメーター名", 7}, {"型", 3}, {"長さ", 3}, {"入出力", 3}, {"説明", 18}},
                              10},
                   Memo{"機能", 12}, Memo{"呼び出し元", 5}, Memo{"備考", 5}});
}

Workbook MakeSubprogramDescription2() {
  return Document("サブプログラム仕様書（２）", "サブ仕様２", false,
                  {Three("サブプログラムID", "名称", "言語"), TableBlock{"処理手順", kSteps, 45}});
}

Workbook MakeDisplayFile() {
  return Document("表示装置ファイル仕様書", "表示装置ファイル", false,
                  {Three("ファイル名", "ライブラリー", "画面サイズ"),
                   TableBlock{"レコード様式", {{"No.", 2}, {"レコード様式", 6}, {"種別", 4}, {"説明", 24}}, 6},
                   TableBlock{"フィールド",
                              {{"No.", 2}, {"レコード様式", 5}, {"フィールド", 5}, {"行", 2}, {"桁", 2}, {"長さ", 3},
                               {"型", 2}, {"使用", 3}, {"表示属性", 5}, {"説明", 7}},
                              35}});
}

Workbook MakeProgramIo() {
  return Document("プログラム入出力設計書", "入出力設計", true,
                  {Fields{{{"プログラムID", 5, 8}, {"プログラム名", 5, 20}, {"言語", 4, 10}}},
                   TableBlock{"",
                              {{"No.", 2}, {"ファイル・画面・帳票", 8}, {"種別", 4}, {"入出力", 3}, {"レコード様式", 6},
                               {"キー", 8}, {"処理内容", 21}},
                              30}});
}

}  // namespace kv::templates
