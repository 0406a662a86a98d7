#pragma once
// Module ModDlgSelectFileInfo: splits the result of the multiple-selection open dialog into the
// folder of the selection and the chosen file names.
//
// The dialog returns either the full path of one file, or the folder followed by each chosen
// name introduced by a NUL character. The end of the folder part is found by the length of the
// process's current directory, which the dialog has just set to the folder of the selection, so
// GetDlgSelectFileInfo has to be called right after the dialog closed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ui.h"

namespace filelist::ModDlgSelectFileInfo {

struct DlgSelectFileInfo {
    // Number of names: at least 1 after a successful call, 0 after a failure.
    std::int32_t FileCount = 0;
    // Folder of the selection, always ending in "\" (C:\Movies\ or C:\); empty after a failure.
    std::string FolderPath;
    // Indexes 0 to FileCount: the names without folder in 1 to FileCount, index 0 empty. Holds
    // no entries at all after a failure.
    std::vector<std::string> FileNames;
};

// The message box shown when the routine fails.
inline constexpr const char* kFailureText = "GetDlgSelectFileInfo函数执行错误！";
inline constexpr const char* kFailureCaption = "自定义函数错误";

// Lengths are counted in characters (code points); the routine's counters are 16-bit signed, so
// more than this many characters after the folder part, or names, fail.
inline constexpr std::int32_t kCounterLimit = 32767;

// Splits selection (UTF-8) using ui.currentDirectory(). On failure it shows its own message box
// (critical icon, OK) through ui and returns FileCount 0, an empty FolderPath and no names.
DlgSelectFileInfo GetDlgSelectFileInfo(std::string_view selection, ui::Ui& ui);

}  // namespace filelist::ModDlgSelectFileInfo
