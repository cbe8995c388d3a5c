// The object listing that a library or object save leaves beside the save
// file: twelve values per saved object, one per line, in this order. The host
// writes them, the listing workbook's template heads its columns with these
// headings, and the workbook builder turns each value into a cell by its kind.
#pragma once
#include <array>
#include <string_view>

namespace kv {

enum class ListingKind {
  Text,   // names and texts: kept exactly, leading zeros and blanks included
  Date,   // YYYY/MM/DD
  Time,   // hh:mm:ss
  Count,  // a whole number (bytes, members, records); empty when it does not apply
};

struct ListingColumn {
  std::string_view heading;
  ListingKind kind;
};

inline constexpr std::array<ListingColumn, 12> kObjectListing = {{
    {"ライブラリー", ListingKind::Text},
    {"オブジェクト", ListingKind::Text},
    {"タイプ", ListingKind::Text},
    {"属性", ListingKind::Text},
    {"テキスト", ListingKind::Text},
    {"所有者", ListingKind::Text},
    {"作成日", ListingKind::Date},
    {"作成時刻", ListingKind::Time},
    {"サイズ（バイト）", ListingKind::Count},
    {"メンバー数", ListingKind::Count},
    {"レコード数", ListingKind::Count},
    {"ターゲット・リリース", ListingKind::Text},
}};

}  // namespace kv
