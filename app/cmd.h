#pragma once
// Command ids of the main window's menu items, one enum for all of them. A menu item or its
// shortcut arrives as WM_COMMAND with one of these ids; buttons arrive with their control id
// (control_ids.h). The names are the menu items' own.

#include <cstdint>

namespace app {

enum class Cmd : std::uint16_t {
    None = 0,
    // File(&F)
    NewCDLayout = 101,
    OpenCDLayout = 102,
    SaveCDLayout = 103,
    exit = 104,
    // Edit(&E)
    AddFiles = 111,
    RemoveSelectedFile = 112,
    ClearAll = 113,
    // Action(&A)
    BurnNow = 121,
    CancelBurn = 122,  // hidden and disabled, never inserted
    play = 123,
    EjectCD = 124,     // hidden and disabled, never inserted
    CloseCDRom = 125,  // hidden and disabled, never inserted
    EXEtoSWF = 126,
    EraseDisc = 127,
    // Help(&H)
    helphelp = 131,
    DiscwrightHomePage = 132,
    SupportOnline = 133,
    About = 134,
};

}  // namespace app
