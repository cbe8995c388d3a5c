// The menu bar of the main window: three menus, their items and separators, in
// the order they appear. The window builds its menus from this table.
#pragma once
#include <span>
#include <string_view>

namespace kv {

enum class MenuKind { Popup, Item, Separator };

// What an item does when picked.
enum class MenuAction { None, Operation, HelpContents, HomePage, About, Exit };

struct MenuEntry {
  std::string_view name;     // the menu control's name ("DOWN", "source1", "Z", ...)
  std::string_view caption;  // "&" marks the access key; "-" a separator
  MenuKind kind;
  std::string_view parent;   // empty for the three menus of the menu bar
  MenuAction action;
};

std::span<const MenuEntry> AllMenuEntries();

// The operation code an item picks (0 when the item picks no operation).
int OperationCodeOf(const MenuEntry& entry);

}  // namespace kv
