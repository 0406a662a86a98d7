#pragma once
// Where the main program finds its skin: "<program folder>\skins\frmmain.skn".

#include <string>
#include <string_view>

namespace skin {

// The folder that holds a program, from the program's full path, the way the program names
// its own folder: without a trailing backslash, except at the root of a drive ("C:\").
std::wstring programFolder(std::wstring_view programPath);

// The program folder followed by "\skins\frmmain.skn". At a drive root this gives two
// backslashes in a row ("C:\\skins\frmmain.skn"), which the file system accepts.
std::wstring skinFilePath(std::wstring_view programPath);

}  // namespace skin
