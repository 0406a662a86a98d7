#pragma once
// Hosts Form1 in the test process: creates it with a chosen skin file, pumps its messages the
// way the program's message loop does, and reads the handler trace.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/form1.h"
#include "app/launcher.h"

namespace vfs_test {

// A path of the source tree as Wine sees it (Z: maps to /).
std::wstring sourcePath(const char* relative);

// A fresh folder under the temp directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::wstring& path() const { return m_path; }
    std::wstring write(const std::wstring& name, const std::string& bytes) const;

private:
    std::wstring m_path;
};

// VFS_TRACE pointed at a temp file for the lifetime of the object.
class Trace {
public:
    Trace();
    ~Trace();
    void clear();
    std::vector<std::string> lines() const;

private:
    std::wstring m_file;
};

// Dispatches pending messages through Form1's hook, for at most `ms` milliseconds.
void pump(app::Form1& form, DWORD ms = 50);

// Sends one key press through the hook like the message loop would, with the given
// modifiers held in the thread's key state.
enum Mods { kNoMods = 0, kCtrl = 1, kShift = 2 };
bool pressKey(app::Form1& form, HWND target, WORD vk, int mods = kNoMods);

// Cancels the dialogs that windows of this thread owned by `owner` open (file dialogs, the folder
// browser), from a timer that runs inside their modal loops, so that commands which ask the user
// can be run in a test.
class DialogCanceller {
public:
    explicit DialogCanceller(HWND owner);
    ~DialogCanceller();
    DialogCanceller(const DialogCanceller&) = delete;
    DialogCanceller& operator=(const DialogCanceller&) = delete;
    // Dialogs cancelled so far.
    static int cancelled();

private:
    UINT_PTR m_timer = 0;
};

std::wstring windowText(HWND hwnd);
std::wstring className(HWND hwnd);

// Stands in for the system launcher: records what Help and the web links would start, so that
// tests hosting Form1 open no viewer or browser. The results say whether starting "worked".
class RecordingLauncher final : public app::Launcher {
public:
    struct Start {
        std::wstring program;
        std::wstring commandLine;
    };
    bool startProcess(const std::wstring& program, const std::wstring& commandLine) override {
        starts.push_back(Start{program, commandLine});
        if (!startWorks) SetLastError(ERROR_FILE_NOT_FOUND);
        return startWorks;
    }
    bool openWebPage(const std::wstring& url) override {
        pages.push_back(url);
        return openWorks;
    }

    std::vector<Start> starts;
    std::vector<std::wstring> pages;
    bool startWorks = true;
    bool openWorks = true;
};

class Form1Test : public ::testing::Test {
protected:
    // Creates the form with this skin file (empty: no skin file at all).
    void open(const std::wstring& skinPath, app::ExitMode exit = app::ExitMode::DestroyOnly);
    void TearDown() override;

    HWND ctl(app::ControlId id) const { return m_form->control(id); }

    std::unique_ptr<app::Form1> m_form;
    TempDir m_dir;
    Trace m_trace;
    RecordingLauncher m_launcher;
};

}  // namespace vfs_test
