#pragma once
// cFileDialog: the Open and Save As dialogs through the system's dialog functions, driven by one
// dialog record that the instance keeps for its whole life. Properties go into the record at
// once or when a dialog is shown; ShowOpen and ShowSave fill the file buffers, call the system
// and read the result back. The record is a portable mirror of the system's OPENFILENAMEW: the
// Windows side (winui/) copies it into the real record for GetOpenFileNameW/GetSaveFileNameW
// and back; tests answer it from a script.
//
// Strings are UTF-8 at the properties and UTF-16 in the record, whose buffer sizes count UTF-16
// units as the system does. Errors are values: a call that "raises" returns the error.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace builders {

// Dialog flags (the values of the system's OFN_* constants).
inline constexpr std::int32_t kOfnOverwritePrompt = 0x00000002;
inline constexpr std::int32_t kOfnAllowMultiSelect = 0x00000200;
inline constexpr std::int32_t kOfnFileMustExist = 0x00001000;
inline constexpr std::int32_t kOfnExplorer = 0x00080000;

// Buffer sizes in characters.
inline constexpr std::size_t kFileBufferSize = 1024;
inline constexpr std::size_t kMultiSelectBufferSize = 8192;

// The record's size as the system expects it (OPENFILENAME without the members added after
// Windows 2000, 76 bytes on 32-bit Windows).
inline constexpr std::uint32_t kDialogRecordSize = 76;

// The error numbers the class raises.
inline constexpr std::int32_t kErrCancel = 32755;
inline constexpr std::int32_t kErrInvalidArgument = 5;
inline constexpr const char* kCancelDescription = "User selected cancel.";
inline constexpr const char* kInvalidArgumentDescription = "Invalid procedure call or argument";

struct RaisedError {
    std::int32_t number = 0;
    std::string source;
    std::string description;
};

struct DialogRecord {
    std::uint32_t lStructSize = kDialogRecordSize;
    std::uintptr_t hwndOwner = 0;
    std::u16string lpstrFilter;      // pairs of NUL-ended strings, closed by further NULs
    std::uint32_t nFilterIndex = 1;
    std::u16string lpstrFile;        // the file-name buffer, nMaxFile units
    std::uint32_t nMaxFile = 0;
    std::u16string lpstrFileTitle;   // the file-title buffer, nMaxFileTitle units
    std::uint32_t nMaxFileTitle = 0;
    std::u16string lpstrInitialDir;  // empty: none
    std::u16string lpstrTitle;       // empty: the system's caption
    std::uint32_t Flags = 0;
    std::u16string lpstrDefExt;      // empty: none
};

// The system's dialog functions. A true result means the user confirmed a file and the record's
// buffers and members hold what the system returned; false means cancel or failure.
class FileDialogSystem {
public:
    virtual ~FileDialogSystem() = default;
    virtual bool getOpenFileName(DialogRecord& record) = 0;
    virtual bool getSaveFileName(DialogRecord& record) = 0;
    // The running program's file name without folder and extension (the errors' source).
    virtual std::string programName() const = 0;
};

// UTF-8 <-> UTF-16 for the record; ill-formed UTF-8 becomes U+FFFD. NULs are kept.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// The filter as the record holds it: every ":" and "|" becomes NUL, then two NULs follow.
std::u16string convertFilter(std::string_view filter);

// The part of s before its first NUL, or all of s.
std::string TextBeforeNull(std::string_view s);

class cFileDialog {
public:
    explicit cFileDialog(FileDialogSystem& system) : m_system(system) {}

    bool CancelError() const { return m_cancelError; }
    void setCancelError(bool bCancelError) { m_cancelError = bCancelError; }

    const std::string& Filename() const { return m_filename; }
    // Fails with the invalid-argument error (Filename unchanged) past kFileBufferSize characters.
    std::optional<RaisedError> setFilename(std::string_view sFilename);

    const std::string& FileTitle() const { return m_fileTitle; }
    void setFileTitle(std::string_view vNewValue) { m_fileTitle = vNewValue; }

    const std::string& Filter() const { return m_filter; }
    void setFilter(std::string_view sFilter);

    std::int32_t FilterIndex() const { return static_cast<std::int32_t>(m_record.nFilterIndex); }
    void setFilterIndex(std::int32_t lFilterIndex) { m_record.nFilterIndex = static_cast<std::uint32_t>(lFilterIndex); }

    const std::string& DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(std::string_view sDefaultExt);

    std::string DialogTitle() const { return toUtf8(m_record.lpstrTitle); }
    void setDialogTitle(std::string_view vNewValue) { m_record.lpstrTitle = toUtf16(vNewValue); }

    std::int32_t flags() const { return m_flags; }
    void setflags(std::int32_t vNewValue) { m_flags = vNewValue; }

    std::uintptr_t hwnd() const { return m_record.hwndOwner; }
    void sethwnd(std::uintptr_t vNewValue) { m_record.hwndOwner = vNewValue; }

    const std::string& InitDir() const { return m_initDir; }
    void setInitDir(std::string_view vNewValue);

    // The Open dialog. Confirmed: Filename is the chosen path, or with OFN_ALLOWMULTISELECT the
    // whole returned buffer (folder, NUL, names each followed by NUL, NULs to the end). Cancel
    // changes nothing and raises nothing. A Filename or FileTitle that leaves no room for the
    // closing NUL in the buffer fails with the invalid-argument error before any dialog.
    std::optional<RaisedError> ShowOpen();
    // The Save As dialog; on cancel raises the cancel error when CancelError is set.
    std::optional<RaisedError> ShowSave();

    // Splits a multiple-selection Filename into the folder and the names. lFileCount is expected
    // to be 0 on entry. Fails with the invalid-argument error when Filename holds no two NULs
    // in a row.
    std::optional<RaisedError> ParseMultiFileName(std::string& sDir, std::vector<std::string>& sFiles,
                                                  std::int32_t& lFileCount) const;

    // The record as the next dialog call gets it (for tests and the Windows glue).
    const DialogRecord& record() const { return m_record; }

private:
    RaisedError error(std::int32_t number, const char* description) const;
    std::optional<RaisedError> prepareBuffers(std::size_t size);

    FileDialogSystem& m_system;
    DialogRecord m_record;
    bool m_cancelError = false;
    std::string m_filename;
    std::string m_fileTitle;
    std::string m_filter;
    std::string m_defaultExt;
    std::string m_initDir;
    std::int32_t m_flags = 0;
};

}  // namespace builders
