#pragma once
// What the help and web commands start outside the program. Form1 uses the system's launcher;
// tests that host Form1 in their own process give it one that records instead.

#include <string>

namespace app {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts `program` with the full command line `commandLine` (which begins with the program
    // path), its window shown normally and given the focus, without waiting for it. False when
    // the process could not be created; the caller then has the system's error in GetLastError.
    virtual bool startProcess(const std::wstring& program, const std::wstring& commandLine) = 0;
    // Opens `url` in a new browser window. False when no browser could be asked to open it.
    virtual bool openWebPage(const std::wstring& url) = 0;
};

// The launcher of the running program: CreateProcess and General::OpenWebPage.
Launcher& systemLauncher();

}  // namespace app
