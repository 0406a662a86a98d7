// Fuzz target: GetDlgSelectFileInfo. The input is the current directory, a 0xFF byte, then the
// dialog's result. The record must be consistent with itself and with the message shown.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "filelist/mod_dlg_select_file_info.h"
#include "tests/ui/fake_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\xFF');
    ui::testing::FakeUi ui;
    std::string_view selection = input;
    if (split != std::string_view::npos) {
        ui.workingDirectory = std::string(input.substr(0, split));
        selection = input.substr(split + 1);
    }
    using namespace filelist::ModDlgSelectFileInfo;
    const DlgSelectFileInfo info = GetDlgSelectFileInfo(selection, ui);
    if (info.FileCount == 0) {
        // Failure: the one message, nothing filled.
        if (ui.messages.size() != 1 || !info.FolderPath.empty() || !info.FileNames.empty()) {
            std::abort();
        }
        return 0;
    }
    if (!ui.messages.empty() || info.FileCount < 1 || info.FileCount > kCounterLimit) std::abort();
    if (info.FileNames.size() != static_cast<std::size_t>(info.FileCount) + 1) std::abort();
    if (!info.FileNames[0].empty() || info.FolderPath.empty() || info.FolderPath.back() != '\\') {
        std::abort();
    }
    // Every byte of the selection after the folder part is in a name or is a separator.
    std::size_t total = 0;
    for (const std::string& name : info.FileNames) {
        if (info.FileCount > 1 && name.find('\0') != std::string::npos) std::abort();
        total += name.size();
    }
    if (total > selection.size()) std::abort();
    return 0;
}
