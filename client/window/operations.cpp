#include "client/window/operations.h"

namespace kv {
namespace {

constexpr std::string_view kTextFilter = "ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*";
constexpr std::string_view kSaveFilter = "ｾｰﾌﾞ(*.SAVF)|*.SAVF|全て(*.*)|*.*";
constexpr std::string_view kSpoolFilter = "ｽﾌﾟｰﾙ(*.SPL)|*.SPL|全て(*.*)|*.*";
constexpr std::string_view kDataFilter = "ﾃﾞｰﾀ(*.DTA)|*.DTA|全て(*.*)|*.*";

const std::vector<Shown> kMemberLabels = {{Ctl::LABEL2}, {Ctl::LABEL3}};
const std::vector<Shown> kMemberInputs = {{Ctl::ファイル名}, {Ctl::ライブラリー名}, {Ctl::メンバー名}};

std::vector<Shown> MemberLabelsWith(std::string_view label6Caption) {
  return {{Ctl::LABEL2}, {Ctl::LABEL3}, {Ctl::LABEL6, std::nullopt, label6Caption}};
}
std::vector<Shown> MemberInputsWithKanji() {
  return {{Ctl::ファイル名}, {Ctl::ライブラリー名}, {Ctl::メンバー名}, {Ctl::漢字}};
}

const std::vector<std::string_view> kObjectTypes = {"*FILE", "*PGM", "*MSGF", "*CMD", "*MSGQ", "*PNLGRP", "*ALL"};
const std::vector<std::string_view> kSourceTypes = {"RPG", "CLP", "PF", "LF", "DSPF", "RPGLE"};

const std::vector<Shown> kSpoolLabels = {{Ctl::Label9, Twips{360, 840}},
                                         {Ctl::Label10, Twips{720, 1200}},
                                         {Ctl::Label11, Twips{720, 1560}},
                                         {Ctl::Label12, Twips{360, 1920}}};
const std::vector<Shown> kSpoolInputs = {{Ctl::ファイル名},
                                         {Ctl::ジョブ名, Twips{2160, 840}},
                                         {Ctl::スプールユーザー, Twips{2520, 1200}},
                                         {Ctl::番号, Twips{2520, 1560}},
                                         {Ctl::スプール番号, Twips{2160, 1920}}};

const std::vector<Operation>& Table() {
  static const std::vector<Operation> table = {
      {11, "source1", " ソース・ダウンロード", "ＰＣ保存先", "ソース・ファイル名", InputsFile::DFT, Ctl::ファイル名,
       kMemberLabels, kMemberInputs, {}, kTextFilter, Ctl::メンバー名, ".txt"},
      {12, "data1", " データ・ダウンロード", "ＰＣ保存先", "ファイル名", InputsFile::DFT, Ctl::ファイル名,
       MemberLabelsWith("漢字有り"), MemberInputsWithKanji(), {}, "ﾃﾞｰﾀ(*.txt)|*.txt|全て(*.*)|*.*",
       Ctl::メンバー名, ".txt"},
      {13, "bin1", " データ・バイナリーダウンロード", "ＰＣ保存先", "ファイル名", InputsFile::DFT, Ctl::ファイル名,
       kMemberLabels, kMemberInputs, {}, kDataFilter, Ctl::メンバー名, ".DTA"},
      {14, "csv1", " ＣＳＶファイル・ダウンロード", "ＰＣ保存先", "ファイル名", InputsFile::DFTC, Ctl::ファイル名,
       MemberLabelsWith("項目名(要)"), MemberInputsWithKanji(), {}, "CSV(*.CSV)|*.CSV|全て(*.*)|*.*",
       Ctl::メンバー名, ".CSV"},
      {15, "lib1", " ライブラリー・ダウンロード", "ＰＣファイル", "ライブラリー名", InputsFile::DFT2, Ctl::ライブラリー名,
       {{Ctl::Label7, Twips{360, 1200}}, {Ctl::Label13, Twips{360, 1500}}},
       {{Ctl::ライブラリー名, Twips{2160, 450}}, {Ctl::リスト要, Twips{2160, 1500}}, {Ctl::リリース, Twips{2160, 1150}}},
       {}, kSaveFilter, Ctl::ライブラリー名, ".SAVF"},
      {16, "obj1", " オブジェクト・ダウンロード", "ＰＣファイル", "オブジェクト名", InputsFile::DFT2, Ctl::ファイル名,
       {{Ctl::LABEL2}, {Ctl::LABEL4, std::nullopt, "オブジェクト・タイプ"}, {Ctl::Label7, Twips{360, 1200}},
        {Ctl::Label13, Twips{360, 2100}}},
       {{Ctl::ファイル名}, {Ctl::ライブラリー名}, {Ctl::リスト要, Twips{2160, 2100}}, {Ctl::リリース, Twips{2160, 1150}},
        {Ctl::タイプ}},
       kObjectTypes, kSaveFilter, Ctl::ファイル名, ".SAVF"},
      {17, "spool1", " スプール・ダウンロード", "ＰＣファイル", "スプール・ファイル名", InputsFile::DFTS, Ctl::ファイル名,
       kSpoolLabels, kSpoolInputs, {}, kSpoolFilter, Ctl::ファイル名, ".SPL"},
      {18, "spltxt", " スプールテキスト・ダウンロード", "ＰＣファイル", "スプール・ファイル名", InputsFile::DFTS,
       Ctl::ファイル名, kSpoolLabels, kSpoolInputs, {}, kTextFilter, Ctl::ファイル名, ".txt"},
      {21, "source2", " ソース・アップロード", "ＰＣファイル", "ソース・ファイル名", InputsFile::DFT, Ctl::ファイル名,
       {{Ctl::LABEL2}, {Ctl::LABEL3}, {Ctl::LABEL4, std::nullopt, "ソース・タイプ"}, {Ctl::LABEL5}},
       {{Ctl::ファイル名}, {Ctl::ライブラリー名}, {Ctl::メンバー名}, {Ctl::タイプ}, {Ctl::コンパイル},
        {Ctl::オブジェクトライブラリー}},
       kSourceTypes, kTextFilter, std::nullopt, ""},
      {22, "bin2", " データ・バイナリーアップロード", "ＰＣファイル", "ファイル名", InputsFile::DFT, Ctl::ファイル名,
       kMemberLabels, kMemberInputs, {}, kDataFilter, std::nullopt, ""},
      {23, "csv2", " ＣＳＶファイル・アップロード", "ＰＣファイル", "ファイル名", InputsFile::DFTC, Ctl::ファイル名,
       kMemberLabels, kMemberInputs, {}, "CSV(*.CSV)|*.CSV|ﾃｷｽﾄ(*.txt)|*.txt|全て(*.*)|*.*", std::nullopt, ""},
      {24, "lib2", " ライブラリー・アップロード", "ＰＣファイル", "ライブラリー名", InputsFile::DFT2, Ctl::ライブラリー名,
       {{Ctl::LABEL8, Twips{360, 1560}}},
       {{Ctl::ライブラリー名, Twips{2160, 450}}, {Ctl::復元先, Twips{2160, 1560}}}, {}, kSaveFilter, std::nullopt, ""},
      {25, "obj2", " オブジェクト・アップロード", "ＰＣファイル", "オブジェクト名", InputsFile::DFT2, Ctl::ファイル名,
       {{Ctl::LABEL2}, {Ctl::LABEL8, Twips{360, 1560}}},
       {{Ctl::ファイル名}, {Ctl::ライブラリー名}, {Ctl::復元先, Twips{2160, 1560}}}, {}, kSaveFilter, std::nullopt, ""},
      {26, "spool", " スプール・アップロード", "ＰＣファイル", "出力先", InputsFile::DFTS2, Ctl::ファイル名,
       {{Ctl::LABEL2}}, {{Ctl::ファイル名}, {Ctl::ライブラリー名}}, {}, kSpoolFilter, std::nullopt, ""},
      {27, "data2", " データ・アップロード", "ＰＣファイル", "ファイル名", InputsFile::DFT, Ctl::ファイル名,
       MemberLabelsWith("漢字有り"), MemberInputsWithKanji(), {}, kTextFilter, std::nullopt, ""},
  };
  return table;
}

}  // namespace

std::span<const Operation> AllOperations() { return Table(); }

const Operation* FindOperation(int code) {
  for (const auto& op : Table())
    if (op.code == code) return &op;
  return nullptr;
}

const Operation* FindOperationByMenuItem(std::string_view menuItem) {
  for (const auto& op : Table())
    if (op.menuItem == menuItem) return &op;
  return nullptr;
}

}  // namespace kv
