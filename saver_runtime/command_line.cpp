#include "saver_runtime/command_line.h"

namespace saver_runtime {
namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::wstring_view commandArguments(std::wstring_view commandLine) {
    std::size_t i = 0;
    if (i < commandLine.size() && commandLine[i] == L'"') {
        ++i;
        while (i < commandLine.size() && commandLine[i] != L'"') ++i;
        if (i < commandLine.size()) ++i;  // the closing quote
    } else {
        while (i < commandLine.size() && !isBlank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && isBlank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

bool isPreviewRequest(std::wstring_view arguments) {
    return arguments.size() >= 2 && arguments[0] == L'/' &&
           (arguments[1] == L'p' || arguments[1] == L'P');
}

}  // namespace saver_runtime
