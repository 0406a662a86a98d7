#include "builders/output_folder.h"

namespace builders {

void SelectOutputFolder(FolderBrowser& browser, OutputFolder& folder) {
    const FolderBrowseRequest request{kSelectOutputFolderPrompt,
                                      kBifReturnOnlyFsDirs | kBifDontGoBelowDomain};
    std::optional<std::string> chosen = browser.browseForFolder(request);
    if (!chosen) return;
    // The system's buffer ends at the first NUL; whatever follows it is not part of the path.
    const std::size_t nul = chosen->find('\0');
    if (nul != std::string::npos) chosen->resize(nul);
    folder.path = std::move(*chosen);
    folder.path += '\\';
}

}  // namespace builders
