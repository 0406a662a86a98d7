#pragma once
// The builders' output folder and its chooser (SelectOutputFolder). The folder string lives on
// the main window for the whole session and is shared by the screensaver and projector builders.

#include <cstdint>
#include <optional>
#include <string>

namespace builders {

// Folder browser flags (the values of the system's BIF_* constants).
inline constexpr std::uint32_t kBifReturnOnlyFsDirs = 0x0001;
inline constexpr std::uint32_t kBifDontGoBelowDomain = 0x0002;

inline constexpr const char* kSelectOutputFolderPrompt = "Select Output Folder";

struct FolderBrowseRequest {
    std::string prompt;  // shown above the folder tree
    std::uint32_t flags = 0;
};

// The system's folder browser, modal to the main window, starting at the desktop with nothing
// preselected. The main window implements it with SHBrowseForFolderW; tests script it.
class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // The chosen folder's file-system path as the system reports it (a drive root keeps its
    // "\", other folders have none); nullopt on Cancel or when the chosen item has no
    // file-system path.
    virtual std::optional<std::string> browseForFolder(const FolderBrowseRequest& request) = 0;
};

// OutputFolder: empty until the first choice, then the chosen path followed by "\".
struct OutputFolder {
    std::string path;
};

// SelectOutputFolder: shows the browser with the prompt "Select Output Folder" and flags 3. A
// chosen folder replaces the output folder with its path plus "\" (added also after a drive
// root, which then ends in two); Cancel keeps the folder as it was. Callers read the folder
// afterwards and cannot tell which happened.
void SelectOutputFolder(FolderBrowser& browser, OutputFolder& folder);

}  // namespace builders
