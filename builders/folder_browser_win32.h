#pragma once
// The system's folder browser (SHBrowseForFolderW) for builders::SelectOutputFolder.

#include <windows.h>

#include "builders/output_folder.h"

namespace builders {

class Win32FolderBrowser final : public FolderBrowser {
public:
    explicit Win32FolderBrowser(HWND owner) : m_owner(owner) {}
    std::optional<std::string> browseForFolder(const FolderBrowseRequest& request) override;

private:
    HWND m_owner;
};

}  // namespace builders
