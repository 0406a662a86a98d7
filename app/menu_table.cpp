// The main window's menus and their shortcut keys.

#include "app/menu_table.h"

#include <array>
#include <vector>

namespace app {
namespace {

constexpr Shortcut ctrl(char key) { return Shortcut{static_cast<WORD>(key), Modifier::Ctrl}; }
constexpr Shortcut kNoKey{};

// clang-format off
constexpr std::array kFileItems = {
    MenuItemDef{L"NewCDLayout", L"New Flash Make Project", Cmd::NewCDLayout, ctrl('N')},
    MenuItemDef{L"OpenCDLayout", L"Open Flash Make Project", Cmd::OpenCDLayout, ctrl('O')},
    MenuItemDef{L"SaveCDLayout", L"Save Flash Make Project", Cmd::SaveCDLayout, ctrl('S')},
    MenuItemDef{L"filefg", L"-", Cmd::None, kNoKey},
    MenuItemDef{L"exit", L"Exit", Cmd::exit, ctrl('X')},
};
constexpr std::array kEditItems = {
    MenuItemDef{L"AddFiles", L"Add File(s)", Cmd::AddFiles, ctrl('A')},
    MenuItemDef{L"RemoveSelectedFile", L"Remove Selected File", Cmd::RemoveSelectedFile, ctrl('M')},
    MenuItemDef{L"ClearAll", L"Clear All", Cmd::ClearAll, kNoKey},
};
constexpr std::array kActionItems = {
    MenuItemDef{L"BurnNow", L"Make Screen Saver Now!", Cmd::BurnNow, ctrl('B')},
    MenuItemDef{L"CancelBurn", L"Cancel Burn", Cmd::CancelBurn, ctrl('C'), Visibility::Hidden},
    MenuItemDef{L"actionfg1", L"-", Cmd::None, kNoKey},
    MenuItemDef{L"play", L"Play Selected File", Cmd::play, ctrl('P')},
    MenuItemDef{L"actionfg2", L"-", Cmd::None, kNoKey},
    MenuItemDef{L"EjectCD", L"Options", Cmd::EjectCD, ctrl('E'), Visibility::Hidden},
    MenuItemDef{L"CloseCDRom", L"Close CD-Rom", Cmd::CloseCDRom, ctrl('L'), Visibility::Hidden},
    MenuItemDef{L"actionfg5", L"-", Cmd::None, kNoKey},
    MenuItemDef{L"EXEtoSWF", L"SWF to EXE", Cmd::EXEtoSWF, kNoKey},
    MenuItemDef{L"EraseDisc", L"EXE to SWF", Cmd::EraseDisc, kNoKey},
};
constexpr std::array kHelpItems = {
    MenuItemDef{L"helphelp", L"Help", Cmd::helphelp, Shortcut{VK_F1, Modifier::None}},
    MenuItemDef{L"helpfg1", L"-", Cmd::None, kNoKey},
    MenuItemDef{L"DiscwrightHomePage", L"Brightmoss Home Page", Cmd::DiscwrightHomePage, ctrl('H')},
    MenuItemDef{L"SupportOnline", L"Support Online", Cmd::SupportOnline, ctrl('T')},
    MenuItemDef{L"helpfg3", L"-", Cmd::None, kNoKey},
    MenuItemDef{L"About", L"About", Cmd::About, ctrl('Z')},
};

const std::array kMenus = {
    MenuDef{L"file", L"File(&F)", kFileItems},
    MenuDef{L"edit", L"Edit(&E)", kEditItems},
    MenuDef{L"action", L"Action(&A)", kActionItems},
    MenuDef{L"help", L"Help(&H)", kHelpItems},
};
// clang-format on

}  // namespace

std::span<const MenuDef> menuBar() { return kMenus; }

std::wstring shortcutText(const Shortcut& s) {
    if (s.vk == 0) return {};
    std::wstring text = s.modifier == Modifier::Ctrl ? L"Ctrl+" : L"";
    if (s.vk >= VK_F1 && s.vk <= VK_F24) {
        text += L"F" + std::to_wstring(s.vk - VK_F1 + 1);
    } else {
        text += static_cast<wchar_t>(s.vk);
    }
    return text;
}

std::wstring menuItemText(const MenuItemDef& item) {
    std::wstring text(item.caption);
    const std::wstring key = shortcutText(item.shortcut);
    if (!key.empty()) text += L"\t" + key;
    return text;
}

HMENU buildMenuBar() {
    HMENU bar = CreateMenu();
    if (!bar) return nullptr;
    for (const MenuDef& menu : kMenus) {
        HMENU popup = CreatePopupMenu();
        if (!popup) continue;
        for (const MenuItemDef& item : menu.items) {
            if (item.visibility == Visibility::Hidden) continue;
            if (item.isSeparator()) {
                AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            } else {
                AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.cmd), menuItemText(item).c_str());
            }
        }
        AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                    std::wstring(menu.caption).c_str());
    }
    return bar;
}

HACCEL buildAccelerators() {
    std::vector<ACCEL> table;
    for (const MenuDef& menu : kMenus) {
        for (const MenuItemDef& item : menu.items) {
            if (item.visibility == Visibility::Hidden || item.shortcut.vk == 0) continue;
            ACCEL a{};
            a.fVirt = FVIRTKEY;
            if (item.shortcut.modifier == Modifier::Ctrl) a.fVirt |= FCONTROL;
            a.key = item.shortcut.vk;
            a.cmd = static_cast<WORD>(item.cmd);
            table.push_back(a);
        }
    }
    return CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

}  // namespace app
