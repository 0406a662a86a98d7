#include "ui/window_ui_win32.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "ui/text_win32.h"

namespace ui {
namespace {

UINT iconFlag(Icon icon) {
    switch (icon) {
        case Icon::Critical: return MB_ICONHAND;
        case Icon::Question: return MB_ICONQUESTION;
        case Icon::Exclamation: return MB_ICONEXCLAMATION;
        case Icon::Information: return MB_ICONASTERISK;
        case Icon::None: break;
    }
    return 0;
}

UINT buttonFlag(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok: return MB_OK;
        case Buttons::OkCancel: return MB_OKCANCEL;
        case Buttons::AbortRetryIgnore: return MB_ABORTRETRYIGNORE;
        case Buttons::YesNoCancel: return MB_YESNOCANCEL;
        case Buttons::YesNo: return MB_YESNO;
        case Buttons::RetryCancel: return MB_RETRYCANCEL;
    }
    return MB_OK;
}

Answer answerOf(int id) {
    switch (id) {
        case IDOK: return Answer::Ok;
        case IDABORT: return Answer::Abort;
        case IDRETRY: return Answer::Retry;
        case IDIGNORE: return Answer::Ignore;
        case IDYES: return Answer::Yes;
        case IDNO: return Answer::No;
        default: return Answer::Cancel;
    }
}

// "label|pattern|label|pattern" -> "label\0pattern\0label\0pattern\0\0".
std::wstring systemFilter(const std::string& filter) {
    std::wstring out = widen(filter);
    for (wchar_t& c : out) {
        if (c == L'|') c = L'\0';
    }
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

const wchar_t* orNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

}  // namespace

Answer showMessageBox(HWND owner, const MessageBoxRequest& request) {
    const std::wstring text = widen(request.text);
    const std::wstring caption = widen(request.caption);
    const int id = MessageBoxW(owner, text.c_str(), caption.c_str(),
                               iconFlag(request.icon) | buttonFlag(request.buttons));
    return answerOf(id);
}

DialogOutcome showFileDialog(HWND owner, FileDialogKind kind, FileDialogSettings& settings) {
    const std::size_t capacity = settings.maxFileLength < 2 ? 2 : settings.maxFileLength;
    const std::wstring seed = widen(settings.fileName);
    if (seed.size() >= capacity) return DialogOutcome::Failed;
    // Room for the result and the two NULs that close a multiple selection.
    std::vector<wchar_t> buffer(capacity + 2, L'\0');
    seed.copy(buffer.data(), seed.size());

    const std::wstring filter = settings.filter.empty() ? std::wstring() : systemFilter(settings.filter);
    const std::wstring title = widen(settings.dialogTitle);
    const std::wstring initialDirectory = widen(settings.initialDirectory);
    const std::wstring defaultExtension = widen(settings.defaultExtension);

    OPENFILENAMEW ofn {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(capacity);
    ofn.lpstrInitialDir = orNull(initialDirectory);
    ofn.lpstrTitle = orNull(title);
    ofn.Flags = settings.flags;
    ofn.lpstrDefExt = orNull(defaultExtension);

    const BOOL ok = kind == FileDialogKind::Open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!ok) return CommDlgExtendedError() == 0 ? DialogOutcome::Cancelled : DialogOutcome::Failed;

    const wchar_t* b = buffer.data();
    const std::size_t offset = ofn.nFileOffset;
    const bool multiple = (settings.flags & kOfnAllowMultiSelect) && (settings.flags & kOfnExplorer) &&
                          offset > 0 && offset < buffer.size() && b[offset - 1] == L'\0';
    std::wstring result;
    std::wstring folder;
    if (multiple) {
        // folder NUL name NUL name ... NUL NUL: keep everything before the closing pair.
        std::size_t end = offset;
        while (end + 1 < buffer.size() && !(b[end] == L'\0' && b[end + 1] == L'\0')) ++end;
        result.assign(b, end);
        folder.assign(b, offset - 1);
    } else {
        result.assign(b);
        if (offset > 0 && offset <= result.size()) {
            folder = result.substr(0, offset);
            // A drive root keeps its backslash (C:\); other folders lose it.
            if (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
        }
    }
    if (!(settings.flags & 0x00000008 /* OFN_NOCHANGEDIR */) && !folder.empty()) {
        SetCurrentDirectoryW(folder.c_str());
    }
    settings.fileName = narrow(result);
    return DialogOutcome::Confirmed;
}

Answer WindowUi::messageBox(const MessageBoxRequest& request) {
    return showMessageBox(m_owner, request);
}

DialogOutcome WindowUi::showOpen(FileDialogSettings& settings) {
    return showFileDialog(m_owner, FileDialogKind::Open, settings);
}

DialogOutcome WindowUi::showSave(FileDialogSettings& settings) {
    return showFileDialog(m_owner, FileDialogKind::Save, settings);
}

void WindowUi::setPointer(Pointer pointer) {
    m_pointer = pointer;
    // Takes effect at once; WM_SETCURSOR keeps it through applyPointer.
    SetCursor(LoadCursorW(nullptr, pointer == Pointer::Hourglass ? IDC_WAIT : IDC_ARROW));
}

bool WindowUi::applyPointer() const {
    if (m_pointer != Pointer::Hourglass) return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

void WindowUi::processPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the main message loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::string WindowUi::currentDirectory() const {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring dir(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, dir.data());
    dir.resize(got < n ? got : 0);
    return narrow(dir);
}

}  // namespace ui
