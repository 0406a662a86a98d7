#include "filelist/mod_dlg_select_file_info.h"

#include <optional>

#include "filelist/code_page.h"

namespace filelist::ModDlgSelectFileInfo {
namespace {

// Byte offset after the first n characters of text, or nullopt when text is shorter.
std::optional<std::size_t> offsetAfterCharacters(std::string_view text, std::size_t n) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (pos >= text.size()) return std::nullopt;
        nextCodePoint(text, pos);
    }
    return pos;
}

// The splitting itself; nullopt on failure.
std::optional<DlgSelectFileInfo> split(std::string_view selection, const std::string& directory) {
    const std::optional<std::size_t> cut =
        offsetAfterCharacters(selection, countCodePoints(directory));
    if (!cut) return std::nullopt;  // the directory is longer than the selection
    const std::string_view tail = selection.substr(*cut);
    if (countCodePoints(tail) > static_cast<std::size_t>(kCounterLimit)) return std::nullopt;

    std::vector<std::string> names(1);  // index 0 stays empty
    if (tail.empty() || tail.front() != '\0') {
        // One file: the tail is "\name", or "name" at a drive root.
        std::string_view name = tail;
        if (!name.empty() && name.front() == '\\') name.remove_prefix(1);
        names.emplace_back(name);
    } else {
        // Several files: every NUL starts the next name.
        std::size_t start = 0;
        while (start < tail.size()) {
            if (names.size() > static_cast<std::size_t>(kCounterLimit)) return std::nullopt;
            const std::size_t next = tail.find('\0', start + 1);
            const std::size_t end = next == std::string_view::npos ? tail.size() : next;
            names.emplace_back(tail.substr(start + 1, end - start - 1));
            start = end;
        }
    }

    DlgSelectFileInfo info;
    info.FileCount = static_cast<std::int32_t>(names.size() - 1);
    info.FileNames = std::move(names);
    info.FolderPath = directory;
    if (info.FolderPath.empty() || info.FolderPath.back() != '\\') info.FolderPath += '\\';
    return info;
}

}  // namespace

DlgSelectFileInfo GetDlgSelectFileInfo(std::string_view selection, ui::Ui& ui) {
    const std::string directory = ui.currentDirectory();
    if (std::optional<DlgSelectFileInfo> info = split(selection, directory)) return *info;
    ui::MessageBoxRequest request;
    request.text = kFailureText;
    request.caption = kFailureCaption;
    request.icon = ui::Icon::Critical;
    request.buttons = ui::Buttons::Ok;
    ui.messageBox(request);
    return DlgSelectFileInfo{};
}

}  // namespace filelist::ModDlgSelectFileInfo
