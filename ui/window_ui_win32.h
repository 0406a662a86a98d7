#pragma once
// The Win32 side of ui::Ui that needs no particular window: message boxes through the Unicode
// API, the Open and Save As dialogs, the mouse pointer, the message pump and the current
// directory. The main window derives from WindowUi and adds what only it knows: the list view's
// selected row and the progress bar.

#include <windows.h>

#include "ui/ui.h"

namespace ui {

// MessageBoxW with the request's text, caption, icon and buttons.
Answer showMessageBox(HWND owner, const MessageBoxRequest& request);

enum class FileDialogKind { Open, Save };

// GetOpenFileNameW or GetSaveFileNameW with exactly the given settings. The filter's "|" become
// the NUL separators of the system's filter list. On Confirmed settings.fileName holds the single
// path, or for a multiple selection the folder followed by each name introduced by a NUL. Unless
// the flags ask to keep it, the process's current directory is then the folder of the result (the
// system dialog leaves it at the folder it showed, which differs when a full path to another
// folder was typed). Failed: the system reported an error (for example a result longer than
// settings.maxFileLength), or the name to seed the dialog with is already longer than that.
DialogOutcome showFileDialog(HWND owner, FileDialogKind kind, FileDialogSettings& settings);

class WindowUi : public Ui {
public:
    explicit WindowUi(HWND owner = nullptr) : m_owner(owner) {}

    void setOwner(HWND owner) { m_owner = owner; }
    HWND owner() const { return m_owner; }

    Answer messageBox(const MessageBoxRequest& request) override;
    DialogOutcome showOpen(FileDialogSettings& settings) override;
    DialogOutcome showSave(FileDialogSettings& settings) override;
    void setPointer(Pointer pointer) override;
    void processPendingMessages() override;
    std::string currentDirectory() const override;

    // For the owner's WM_SETCURSOR: true when the hourglass is on and was set, so the window
    // procedure returns TRUE instead of letting the default pointer come back.
    bool applyPointer() const;

private:
    HWND m_owner;
    Pointer m_pointer = Pointer::Default;
};

}  // namespace ui
