#pragma once
// Control ids of the main window's child windows and of the About box, and the window class
// names the program registers. End-to-end tests find controls by these ids and classes.

namespace app {

enum ControlId : int {
    kIdFrame3 = 1001,
    kIdShockwaveFlash1 = 1002,
    kIdFrame2 = 1003,
    kIdCommand4 = 1004,       // "EXE To SWF"
    kIdCommand2 = 1005,       // "Remove File"
    kIdCommand1 = 1006,       // "Add Files"
    kIdCommand3 = 1007,       // "SWF To EXE"
    kIdCmdWriteDisc = 1008,   // "Make Saver Now!"
    kIdCommand9 = 1009,       // "Help"
    kIdCommand11 = 1010,      // "Exit"
    kIdFrame1 = 1011,
    kIdProgressCtl1 = 1012,
    kIdLvwAudioTracks = 1013,
    kIdCommand17 = 1014,      // "Play"
    kIdCommand16 = 1015,      // "Stop"
    kIdCommand15 = 1016,      // "Pause"
    kIdFrame6 = 1017,
    kIdSkinLabel4 = 1018,     // legal notice
    kIdSkinLabel3 = 1019,     // web-site line

    // About box (a #32770 dialog captioned "About"); its OK button is IDOK (1).
    kIdAboutIcon = 1101,
    kIdAboutThanks = 1102,
    kIdAboutVersion = 1103,
    kIdAboutCopyright = 1104,
};

inline constexpr wchar_t kForm1ClassName[] = L"VelloryForm1";
inline constexpr wchar_t kFrameClassName[] = L"VelloryFrame";
inline constexpr wchar_t kProgressClassName[] = L"VelloryProgress";
inline constexpr wchar_t kPlayerHostClassName[] = L"VelloryPlayerHost";

inline constexpr wchar_t kAppTitle[] = L"Vellory Flash Screensaver";
inline constexpr wchar_t kForm1Caption[] = L"Vellory Flash Screensaver v1.80";
inline constexpr wchar_t kVersionText[] = L"Version 1.80";
inline constexpr wchar_t kWebsiteText[] = L"Visit Our Website: www.brightmoss.example";
inline constexpr wchar_t kLegalText[] = L"Copyright \u00A9 2026 Brightmoss";

// Resource ids of the main program (resources/app.rc).
inline constexpr int kIdIconApp = 1;

}  // namespace app
