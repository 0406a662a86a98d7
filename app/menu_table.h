#pragma once
// The menu bar of the main window as data: menus, items, separators, shortcuts and the items
// that exist but never show. The menu bar and the accelerator table are both built from it.

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "app/cmd.h"

namespace app {

enum class Modifier { None, Ctrl };
enum class Visibility { Shown, Hidden };  // hidden items are also disabled and get no command

struct Shortcut {
    WORD vk = 0;  // 0: no shortcut
    Modifier modifier = Modifier::None;
};

struct MenuItemDef {
    std::wstring_view name;     // the menu control's name, e.g. "NewCDLayout"
    std::wstring_view caption;  // "-" makes a separator
    Cmd cmd = Cmd::None;
    Shortcut shortcut;
    Visibility visibility = Visibility::Shown;

    bool isSeparator() const { return caption == L"-"; }
};

struct MenuDef {
    std::wstring_view name;
    std::wstring_view caption;  // with the access key, "File(&F)"
    std::span<const MenuItemDef> items;
};

std::span<const MenuDef> menuBar();

// "Ctrl+N", "F1" or "".
std::wstring shortcutText(const Shortcut& s);

// The text a shown item carries in the menu: caption, then a tab and the shortcut if any.
std::wstring menuItemText(const MenuItemDef& item);

// The menu bar with every shown item; hidden items are left out.
HMENU buildMenuBar();

// One accelerator per shown item with a shortcut.
HACCEL buildAccelerators();

}  // namespace app
