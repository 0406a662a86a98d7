#include "form1_fixture_win32.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vfs_test {

std::wstring sourcePath(const char* relative) {
    std::string p = std::string(VFS_SOURCE_DIR) + "/" + relative;
    std::wstring w = p.front() == '/' ? L"Z:" : L"";
    for (char c : p) w += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return w;
}

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    m_path = std::wstring(base) + L"vfs_form1_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
             std::to_wstring(++counter);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(m_path), ec);
}

std::wstring TempDir::write(const std::wstring& name, const std::string& bytes) const {
    const std::wstring file = m_path + L"\\" + name;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(std::filesystem::path(file), std::ios::binary) << bytes;
    return file;
}

Trace::Trace() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    m_file = std::wstring(base) + L"vfs_trace_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    clear();
    SetEnvironmentVariableW(L"VFS_TRACE", m_file.c_str());
}

Trace::~Trace() {
    SetEnvironmentVariableW(L"VFS_TRACE", nullptr);
    DeleteFileW(m_file.c_str());
}

void Trace::clear() { DeleteFileW(m_file.c_str()); }

std::vector<std::string> Trace::lines() const {
    std::vector<std::string> out;
    std::ifstream in{std::filesystem::path(m_file)};
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

void pump(app::Form1& form, DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the test to see
                return;
            }
            if (!form.preTranslateMessage(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

bool pressKey(app::Form1& form, HWND target, WORD vk, int mods) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE held[256];
    std::copy(std::begin(keys), std::end(keys), std::begin(held));
    held[VK_CONTROL] = (mods & kCtrl) ? 0x80 : 0;
    held[VK_LCONTROL] = held[VK_CONTROL];
    held[VK_SHIFT] = (mods & kShift) ? 0x80 : 0;
    held[VK_LSHIFT] = held[VK_SHIFT];
    held[VK_MENU] = 0;
    SetKeyboardState(held);
    MSG msg{};
    msg.hwnd = target;
    msg.message = WM_KEYDOWN;
    msg.wParam = vk;
    msg.lParam = 1;
    const bool consumed = form.preTranslateMessage(msg);
    if (!consumed) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    held[VK_CONTROL] = held[VK_LCONTROL] = held[VK_SHIFT] = held[VK_LSHIFT] = 0;
    SetKeyboardState(held);
    return consumed;
}

namespace {
HWND g_cancelOwner = nullptr;
int g_cancelled = 0;

BOOL CALLBACK cancelOne(HWND h, LPARAM) {
    if (className(h) == L"#32770" && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == g_cancelOwner &&
        !GetPropW(h, L"VfsCancelled")) {
        SetPropW(h, L"VfsCancelled", reinterpret_cast<HANDLE>(1));
        ++g_cancelled;
        PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, IDCANCEL)));
    }
    return TRUE;
}

void CALLBACK cancelTick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), cancelOne, 0); }
}  // namespace

DialogCanceller::DialogCanceller(HWND owner) {
    g_cancelOwner = owner;
    g_cancelled = 0;
    m_timer = SetTimer(nullptr, 0, 20, cancelTick);
}

DialogCanceller::~DialogCanceller() {
    KillTimer(nullptr, m_timer);
    g_cancelOwner = nullptr;
}

int DialogCanceller::cancelled() { return g_cancelled; }

std::wstring windowText(HWND hwnd) {
    wchar_t buf[512] = {};
    SendMessageW(hwnd, WM_GETTEXT, std::size(buf), reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::wstring className(HWND hwnd) {
    wchar_t buf[128] = {};
    GetClassNameW(hwnd, buf, static_cast<int>(std::size(buf)));
    return buf;
}

void Form1Test::open(const std::wstring& skinPath, app::ExitMode exit) {
    m_form = std::make_unique<app::Form1>(GetModuleHandleW(nullptr));
    app::Form1Options options;
    options.skinPath = skinPath.empty() ? m_dir.path() + L"\\skins\\frmmain.skn" : skinPath;
    options.exitMode = exit;
    options.launcher = &m_launcher;
    ASSERT_TRUE(m_form->create(options));
    ASSERT_TRUE(IsWindow(m_form->hwnd()));
    pump(*m_form);
    m_trace.clear();
}

void Form1Test::TearDown() {
    m_form.reset();
    // Leave no quit message or stray window behind for the next test.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
}

}  // namespace vfs_test
