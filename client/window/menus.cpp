#include "client/window/menus.h"

#include "client/window/operations.h"

namespace kv {
namespace {

using K = MenuKind;
using A = MenuAction;

constexpr MenuEntry kMenus[] = {
    {"DOWN", "ダウンロード(&D)", K::Popup, "", A::None},
    {"source1", "ソース", K::Item, "DOWN", A::Operation},
    {"Z", "-", K::Separator, "DOWN", A::None},
    {"data1", "データ", K::Item, "DOWN", A::Operation},
    {"bin1", "バイナリー", K::Item, "DOWN", A::Operation},
    {"csv1", "CSV", K::Item, "DOWN", A::Operation},
    {"A", "-", K::Separator, "DOWN", A::None},
    {"lib1", "ライブラリー", K::Item, "DOWN", A::Operation},
    {"obj1", "オブジェクト", K::Item, "DOWN", A::Operation},
    {"C", "-", K::Separator, "DOWN", A::None},
    {"spool1", "スプール", K::Item, "DOWN", A::Operation},
    {"spltxt", "スプール・テキスト", K::Item, "DOWN", A::Operation},
    {"UP", "アップロード(&U)", K::Popup, "", A::None},
    {"source2", "ソース", K::Item, "UP", A::Operation},
    {"J", "-", K::Separator, "UP", A::None},
    {"data2", "データ", K::Item, "UP", A::Operation},
    {"bin2", "バイナリー", K::Item, "UP", A::Operation},
    {"csv2", "CSV", K::Item, "UP", A::Operation},
    {"B", "-", K::Separator, "UP", A::None},
    {"lib2", "ライブラリー", K::Item, "UP", A::Operation},
    {"obj2", "オブジェクト", K::Item, "UP", A::Operation},
    {"D", "-", K::Separator, "UP", A::None},
    {"spool", "スプール", K::Item, "UP", A::Operation},
    {"HELPM", "ヘルプ(&H)", K::Popup, "", A::None},
    {"HELP", "ヘルプ(目次)", K::Item, "HELPM", A::HelpContents},
    {"F", "-", K::Separator, "HELPM", A::None},
    {"menuend", "終了(&E)", K::Item, "HELPM", A::Exit},
    {"E", "-", K::Separator, "HELPM", A::None},
    {"VER", "KV-TRANSITについて", K::Item, "HELPM", A::About},
    {"HOME", "ホーム", K::Item, "HELPM", A::HomePage},
};

}  // namespace

std::span<const MenuEntry> AllMenuEntries() { return kMenus; }

int OperationCodeOf(const MenuEntry& entry) {
  if (entry.action != MenuAction::Operation) return 0;
  const Operation* op = FindOperationByMenuItem(entry.name);
  return op ? op->code : 0;
}

}  // namespace kv
