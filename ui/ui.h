#pragma once
// The small interface through which the commands (file list, preview, builders, extractor) talk
// to the user interface. The main window implements it with Win32; tests implement it with a
// fake that records what was shown and answers dialogs from a script. All text is UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ui {

// The application title: the caption of every message box that names no other.
inline constexpr const char* kApplicationTitle = "Vellory Flash Screensaver";

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBoxRequest {
    std::string text;
    std::string caption = kApplicationTitle;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

// Open-file dialog flags (the values of the system's OFN_* constants).
inline constexpr std::uint32_t kOfnHideReadOnly = 0x00000004;
inline constexpr std::uint32_t kOfnAllowMultiSelect = 0x00000200;
inline constexpr std::uint32_t kOfnExplorer = 0x00080000;
inline constexpr std::uint32_t kOfnNoDereferenceLinks = 0x00100000;

// The settings of a file dialog. One instance stands for a dialog that keeps what a command set
// on it for the next use (the main window's shared dialog); a dialog changes only fileName.
struct FileDialogSettings {
    // Seeds the name box; holds the dialog's result after it was confirmed. With
    // kOfnAllowMultiSelect and kOfnExplorer a multiple selection reads: the folder, then for
    // each name a NUL character and the name (no trailing NULs).
    std::string fileName;
    // "label|pattern" pairs joined by "|", for example "MP3 Files(*.SWF)|*.SWF".
    std::string filter;
    std::uint32_t flags = 0;
    // Longest result the dialog may return, in characters.
    std::size_t maxFileLength = 260;
    std::string dialogTitle;
    std::string initialDirectory;
    std::string defaultExtension;
};

enum class DialogOutcome {
    Confirmed,  // the user chose a file; settings.fileName holds it
    Cancelled,  // the user pressed Cancel or closed the dialog
    Failed,     // the dialog could not be shown or its result did not fit
};

enum class Pointer { Default, Hourglass };

class Ui {
public:
    virtual ~Ui() = default;

    // A modal message box; returns the button that closed it.
    virtual Answer messageBox(const MessageBoxRequest& request) = 0;

    // Modal Open and Save As dialogs. On Confirmed settings.fileName holds the result; on any
    // other outcome settings stay unchanged.
    virtual DialogOutcome showOpen(FileDialogSettings& settings) = 0;
    virtual DialogOutcome showSave(FileDialogSettings& settings) = 0;

    // The movie list view's selected row, numbered from 1; nullopt when no row is selected.
    virtual std::optional<std::size_t> selectedRow() const = 0;

    // The progress bar: its range and its position.
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgress(int value) = 0;

    // The mouse pointer over the application's windows.
    virtual void setPointer(Pointer pointer) = 0;

    // Lets the window repaint and handle input in the middle of a long command.
    virtual void processPendingMessages() = 0;

    // The process's current directory, without a trailing separator except at a drive root
    // (for example C:\Movies or C:\). The open dialog leaves it at the folder it showed.
    virtual std::string currentDirectory() const = 0;
};

// Sets the hourglass pointer for its lifetime and restores the default pointer afterwards.
class BusyPointer {
public:
    explicit BusyPointer(Ui& ui) : m_ui(ui) { m_ui.setPointer(Pointer::Hourglass); }
    ~BusyPointer() { m_ui.setPointer(Pointer::Default); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Ui& m_ui;
};

}  // namespace ui
