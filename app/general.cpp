// The standard module General, and the system launcher built on it.

#include "app/general.h"

#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/help_links.h"
#include "app/launcher.h"

namespace app::General {

const CLSID kBrowserClass = {0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

// IWebBrowserApp {0002DF05-0000-0000-C000-000000000046}: Visible, and Navigate inherited from
// IWebBrowser {EAB22AC1-30C1-11CF-A7EB-0000C05BAE0B}.
const IID kIidWebBrowserApp = {0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// COM for the calling thread for as long as the object lives. A thread that already runs COM
// in another model keeps it; it is then not ours to uninitialize.
class ComScope {
public:
    ComScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_hr;
};

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : m_bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(m_bstr); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return m_bstr; }

private:
    BSTR m_bstr;
};

// Steps 1 to 4 of the automation route, on the calling thread. False only when the object cannot
// be created; once it exists the window is the user's, whatever Visible or Navigate answer.
// `stillWanted` is asked once the object exists: when the caller has given up waiting, the
// object is released unseen.
template <class StillWanted>
bool openInAutomationBrowser(const std::wstring& url, const CLSID& browserClass, StillWanted stillWanted) {
    ComScope com;
    IWebBrowserApp* browser = nullptr;
    const HRESULT hr =
        CoCreateInstance(browserClass, nullptr, CLSCTX_SERVER, kIidWebBrowserApp, reinterpret_cast<void**>(&browser));
    if (FAILED(hr) || !browser) return false;
    if (!stillWanted()) {
        browser->Release();
        return false;
    }
    browser->put_Visible(VARIANT_TRUE);
    Bstr address(url);
    if (address.get()) {
        // The address alone: flags, target frame, post data and headers are left out.
        VARIANT none;
        VariantInit(&none);
        browser->Navigate(address.get(), &none, &none, &none, &none);
    }
    browser->Release();
    return true;
}

// One attempt of the automation route, shared by the waiting caller and the thread that makes it.
struct AutomationAttempt {
    enum class State { Pending, Opening, Opened, Failed, Abandoned };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Pending;
};

// Runs the automation route on a thread of its own and waits for it at most `timeout`. A
// registered browser whose server never answers would otherwise hold the window for minutes.
// After the timeout the attempt is abandoned: should the object still come, it is released
// unseen, so that the page never opens twice.
bool openInAutomationBrowserWithin(const std::wstring& url, const CLSID& browserClass,
                                   std::chrono::milliseconds timeout) {
    auto attempt = std::make_shared<AutomationAttempt>();
    using State = AutomationAttempt::State;
    try {
        std::thread([attempt, url, browserClass] {
            const bool opened = openInAutomationBrowser(url, browserClass, [&] {
                std::lock_guard<std::mutex> lock(attempt->mutex);
                if (attempt->state == State::Abandoned) return false;
                attempt->state = State::Opening;
                return true;
            });
            std::lock_guard<std::mutex> lock(attempt->mutex);
            if (attempt->state != State::Abandoned) attempt->state = opened ? State::Opened : State::Failed;
            attempt->changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return openInAutomationBrowser(url, browserClass, [] { return true; });
    }
    std::unique_lock<std::mutex> lock(attempt->mutex);
    // Once the object exists (Opening) the window is coming: wait for it whatever the time.
    attempt->changed.wait_for(lock, timeout, [&] { return attempt->state != State::Pending; });
    if (attempt->state == State::Pending) {
        attempt->state = State::Abandoned;
        return false;
    }
    attempt->changed.wait(lock, [&] { return attempt->state != State::Opening; });
    return attempt->state == State::Opened;
}

bool openInDefaultBrowser(const std::wstring& url) {
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace

BrowserRoute openWebPageWith(const std::wstring& url, const CLSID& browserClass, std::chrono::milliseconds timeout) {
    if (openInAutomationBrowserWithin(url, browserClass, timeout)) return BrowserRoute::Automation;
    ComScope com;
    if (openInDefaultBrowser(url)) return BrowserRoute::Shell;
    return BrowserRoute::None;
}

BrowserRoute OpenWebPage(const std::wstring& url) { return openWebPageWith(url, kBrowserClass, kBrowserStartTimeout); }

std::wstring windowsDirectory() {
    // 255 characters hold any usual Windows folder; a longer one reports the size it needs.
    std::vector<wchar_t> buffer(255);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const UINT n = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n + 1);
    }
    return {};
}

std::wstring programPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

std::wstring webSite() {
    wchar_t value[512];
    const DWORD n = GetEnvironmentVariableW(L"VFS_WEB_SITE", value, static_cast<DWORD>(std::size(value)));
    return makerSite(n > 0 && n < std::size(value) ? value : nullptr);
}

}  // namespace app::General

namespace app {
namespace {

class SystemLauncher final : public Launcher {
public:
    bool startProcess(const std::wstring& program, const std::wstring& commandLine) override {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION pi{};
        // CreateProcess may write into the command line, so it gets a copy. The program is named
        // on its own as well, so that a folder name with spaces is never split into a shorter
        // program path.
        std::wstring line = commandLine;
        if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            return false;
        }
        // The viewer may take the foreground from us; it is not waited for.
        AllowSetForegroundWindow(pi.dwProcessId);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return true;
    }

    bool openWebPage(const std::wstring& url) override {
        return General::OpenWebPage(url) != General::BrowserRoute::None;
    }
};

}  // namespace

Launcher& systemLauncher() {
    static SystemLauncher launcher;
    return launcher;
}

}  // namespace app
