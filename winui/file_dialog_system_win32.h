#pragma once
// The system's Open and Save As dialogs for cFileDialog: the portable dialog record is copied
// into an OPENFILENAMEW of the size the record names, the Unicode dialog function is called,
// and the buffers and members the system changes are copied back.

#include <windows.h>

#include "builders/c_file_dialog.h"

namespace winui {

class Win32FileDialogSystem final : public builders::FileDialogSystem {
public:
    bool getOpenFileName(builders::DialogRecord& record) override;
    bool getSaveFileName(builders::DialogRecord& record) override;
    // The running program's file name without folder and extension.
    std::string programName() const override;
};

}  // namespace winui
