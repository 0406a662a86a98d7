// vfs_driver: drives the project's Windows programs from outside for end-to-end tests.
// A console program run under the same wine prefix and server as the program under test.
// Every wait polls a condition until a deadline; results go to stdout as UTF-8 lines,
// problems to stderr, exit code 0 on success, 1 when the condition was not met, 2 on bad usage.
//
// Window arguments are either a hex handle ("0x1234") or a query "title=T", "class=C",
// "title=T,class=C" naming a top-level window. Child arguments name a child of a window by
// "id=N", "text=T" or "class=C" (combinable with commas).

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string toUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

void out(const std::wstring& line) {
    std::string s = toUtf8(line);
    s += '\n';
    fwrite(s.data(), 1, s.size(), stdout);
    fflush(stdout);
}

void err(const std::wstring& line) {
    std::string s = toUtf8(line);
    s += '\n';
    fwrite(s.data(), 1, s.size(), stderr);
    fflush(stderr);
}

std::wstring className(HWND h) {
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 255);
    return buf;
}

// WM_GETTEXT works across processes for every window kind (GetWindowText does not for edits).
std::wstring windowText(HWND h) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
    std::wstring s(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, len + 1, (LPARAM)s.data(), SMTO_ABORTIFHUNG, 2000, &got);
    s.resize(got);
    return s;
}

std::wstring hex(HWND h) {
    wchar_t b[32];
    swprintf(b, 32, L"0x%lx", (unsigned long)(ULONG_PTR)h);
    return b;
}

// Escapes tabs and line breaks so one window is one line.
std::wstring flat(std::wstring s) {
    std::wstring r;
    for (wchar_t c : s) {
        if (c == L'\t') r += L"\\t";
        else if (c == L'\n') r += L"\\n";
        else if (c == L'\r') r += L"\\r";
        else r += c;
    }
    return r;
}

struct Query {
    std::wstring title, cls, text;
    int id = -1;
    bool hasTitle = false, hasClass = false, hasText = false;
    HWND handle = nullptr;
};

Query parseQuery(const std::wstring& q) {
    Query r;
    if (q.rfind(L"0x", 0) == 0) {
        r.handle = (HWND)(ULONG_PTR)wcstoul(q.c_str(), nullptr, 16);
        return r;
    }
    size_t pos = 0;
    while (pos <= q.size()) {
        size_t comma = q.find(L',', pos);
        std::wstring part = q.substr(pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos);
        size_t eq = part.find(L'=');
        if (eq != std::wstring::npos) {
            std::wstring k = part.substr(0, eq), v = part.substr(eq + 1);
            if (k == L"title") { r.title = v; r.hasTitle = true; }
            else if (k == L"class") { r.cls = v; r.hasClass = true; }
            else if (k == L"text") { r.text = v; r.hasText = true; }
            else if (k == L"id") r.id = int(wcstol(v.c_str(), nullptr, 0));
        }
        if (comma == std::wstring::npos) break;
        pos = comma + 1;
    }
    return r;
}

bool matches(HWND h, const Query& q, bool child) {
    if (q.hasClass && className(h) != q.cls) return false;
    if (q.hasTitle && windowText(h) != q.title) return false;
    if (q.hasText && windowText(h) != q.text) return false;
    if (child && q.id >= 0 && GetDlgCtrlID(h) != q.id) return false;
    return true;
}

struct FindCtx {
    const Query* q;
    bool child;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<FindCtx*>(lp);
    if (c->child || IsWindowVisible(h)) {
        if (matches(h, *c->q, c->child)) c->found.push_back(h);
    }
    return TRUE;
}

std::vector<HWND> findTop(const Query& q) {
    if (q.handle) return IsWindow(q.handle) ? std::vector<HWND>{q.handle} : std::vector<HWND>{};
    FindCtx c{&q, false, {}};
    EnumWindows(collect, (LPARAM)&c);
    return c.found;
}

std::vector<HWND> findChildren(HWND parent, const Query& q) {
    if (q.handle) return {q.handle};
    FindCtx c{&q, true, {}};
    EnumChildWindows(parent, collect, (LPARAM)&c);
    return c.found;
}

int g_timeoutMs = 10000;

HWND waitTop(const std::wstring& query) {
    Query q = parseQuery(query);
    DWORD end = GetTickCount() + DWORD(g_timeoutMs);
    for (;;) {
        auto f = findTop(q);
        if (!f.empty()) return f.front();
        if (int(end - GetTickCount()) <= 0) return nullptr;
        Sleep(50);
    }
}

HWND requireTop(const std::wstring& query) {
    HWND h = waitTop(query);
    if (!h) err(L"driver: no window " + query + L" within the timeout");
    return h;
}

HWND requireChild(HWND top, const std::wstring& query) {
    Query q = parseQuery(query);
    DWORD end = GetTickCount() + DWORD(g_timeoutMs);
    for (;;) {
        auto f = findChildren(top, q);
        if (!f.empty()) return f.front();
        if (int(end - GetTickCount()) <= 0) break;
        Sleep(50);
    }
    err(L"driver: no child " + query + L" within the timeout");
    return nullptr;
}

// A block of memory in another process, for list view and tree view messages.
class RemoteBuffer {
public:
    RemoteBuffer(HWND h, size_t size) : m_size(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                    PROCESS_QUERY_INFORMATION,
                                FALSE, pid);
        if (m_process)
            m_base = (char*)VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                           PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (m_base) VirtualFreeEx(m_process, m_base, 0, MEM_RELEASE);
        if (m_process) CloseHandle(m_process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool ok() const { return m_base != nullptr; }
    char* at(size_t off) const { return m_base + off; }
    bool write(size_t off, const void* p, size_t n) {
        return off + n <= m_size && WriteProcessMemory(m_process, m_base + off, p, n, nullptr);
    }
    bool read(size_t off, void* p, size_t n) {
        return off + n <= m_size && ReadProcessMemory(m_process, m_base + off, p, n, nullptr);
    }

private:
    HANDLE m_process = nullptr;
    char* m_base = nullptr;
    size_t m_size;
};

std::wstring listViewCell(HWND lv, RemoteBuffer& rb, int row, int sub) {
    LVITEMW it = {};
    it.iSubItem = sub;
    it.cchTextMax = 2000;
    it.pszText = (LPWSTR)rb.at(1024);
    rb.write(0, &it, sizeof it);
    SendMessageW(lv, LVM_GETITEMTEXTW, WPARAM(row), (LPARAM)rb.at(0));
    std::wstring txt(2001, L'\0');
    rb.read(1024, txt.data(), 2000 * sizeof(wchar_t));
    txt.resize(wcslen(txt.c_str()));
    return txt;
}

int headerCount(HWND lv) {
    HWND hdr = (HWND)SendMessageW(lv, LVM_GETHEADER, 0, 0);
    return hdr ? int(SendMessageW(hdr, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

// Prints every item of a tree view, depth first, two spaces of indent per level.
void printTree(HWND tree, RemoteBuffer& rb, HTREEITEM item, int depth) {
    for (; item; item = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
        TVITEMW it = {};
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.cchTextMax = 1000;
        it.pszText = (LPWSTR)rb.at(1024);
        rb.write(0, &it, sizeof it);
        SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)rb.at(0));
        std::wstring txt(1001, L'\0');
        rb.read(1024, txt.data(), 1000 * sizeof(wchar_t));
        txt.resize(wcslen(txt.c_str()));
        out(std::wstring(size_t(depth) * 2, L' ') + flat(txt));
        printTree(tree, rb, (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item), depth + 1);
    }
}

// Sends keys through SendInput after bringing the window to the foreground.
// Keys are written like "ctrl+n", "F1", "Return", "Escape", "Tab", "shift+Tab", "alt+f".
bool sendKeys(HWND top, const std::wstring& keys) {
    SetForegroundWindow(top);
    std::vector<WORD> mods;
    WORD key = 0;
    size_t pos = 0;
    while (pos <= keys.size()) {
        size_t plus = keys.find(L'+', pos);
        std::wstring part = keys.substr(pos, plus == std::wstring::npos ? std::wstring::npos : plus - pos);
        std::wstring lower;
        for (wchar_t c : part) lower += towlower(c);
        WORD vk = 0;
        if (lower == L"ctrl") mods.push_back(VK_CONTROL);
        else if (lower == L"shift") mods.push_back(VK_SHIFT);
        else if (lower == L"alt") mods.push_back(VK_MENU);
        else if (lower == L"return" || lower == L"enter") vk = VK_RETURN;
        else if (lower == L"escape") vk = VK_ESCAPE;
        else if (lower == L"tab") vk = VK_TAB;
        else if (lower == L"space") vk = VK_SPACE;
        else if (lower.size() >= 2 && lower[0] == L'f' && iswdigit(lower[1]))
            vk = WORD(VK_F1 + _wtoi(lower.c_str() + 1) - 1);
        else if (lower.size() == 1) vk = WORD(towupper(lower[0]));
        else return false;
        if (vk) key = vk;
        if (plus == std::wstring::npos) break;
        pos = plus + 1;
    }
    std::vector<INPUT> in;
    auto push = [&](WORD vk, bool up) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD m : mods) push(m, false);
    if (key) { push(key, false); push(key, true); }
    for (auto it = mods.rbegin(); it != mods.rend(); ++it) push(*it, true);
    return SendInput(UINT(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

void describe(HWND h, HWND relativeTo) {
    RECT r;
    GetWindowRect(h, &r);
    POINT tl{r.left, r.top};
    HWND parent = GetParent(h);
    ScreenToClient(relativeTo ? relativeTo : parent, &tl);
    LONG style = GetWindowLongW(h, GWL_STYLE), ex = GetWindowLongW(h, GWL_EXSTYLE);
    wchar_t b[256];
    swprintf(b, 256, L"%ls\t%ls\t%ls\t%d\t%ld\t%ld\t%ld\t%ld\t0x%08lx\t0x%08lx\t", hex(h).c_str(),
             hex(parent).c_str(), className(h).c_str(), GetDlgCtrlID(h), tl.x, tl.y,
             r.right - r.left, r.bottom - r.top, (unsigned long)style, (unsigned long)ex);
    out(std::wstring(b) + flat(windowText(h)));
}

struct DumpCtx {
    std::vector<HWND> all;
};

BOOL CALLBACK dumpOne(HWND h, LPARAM lp) {
    reinterpret_cast<DumpCtx*>(lp)->all.push_back(h);
    return TRUE;
}

// Answers a message box: prints its text, then presses the button with the given id.
int answerMessageBox(HWND box, int button) {
    HWND text = GetDlgItem(box, 0xFFFF);
    out(flat(text ? windowText(text) : L""));
    HWND b = GetDlgItem(box, button);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)b);
    return 0;
}

// Chooses a folder in a "Browse for Folder" dialog: select the path, check the tree caret
// shows its last component (the first selection right after the dialog opens may be lost),
// then press OK.
int chooseFolder(HWND dlg, const std::wstring& path) {
    std::wstring last = path;
    while (!last.empty() && (last.back() == L'\\')) last.pop_back();
    size_t slash = last.find_last_of(L'\\');
    if (slash != std::wstring::npos) last = last.substr(slash + 1);
    HWND tree = GetDlgItem(dlg, 0x3741);
    RemoteBuffer rb(dlg, 4096);
    if (!rb.ok() || !tree) { err(L"driver: cannot reach the folder dialog"); return 1; }
    std::string ansi(path.size() * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi.data(), int(ansi.size()), nullptr, nullptr);
    rb.write(2048, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    rb.write(3072, ansi.data(), size_t(n));
    DWORD end = GetTickCount() + DWORD(g_timeoutMs);
    for (;;) {
        SendMessageW(dlg, BFFM_SETSELECTIONW, TRUE, (LPARAM)rb.at(2048));
        HTREEITEM sel = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        if (sel) {
            TVITEMW it = {};
            it.mask = TVIF_TEXT;
            it.hItem = sel;
            it.cchTextMax = 400;
            it.pszText = (LPWSTR)rb.at(1024);
            rb.write(0, &it, sizeof it);
            SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)rb.at(0));
            wchar_t txt[401] = {};
            rb.read(1024, txt, 400 * sizeof(wchar_t));
            std::wstring t = txt;
            while (!t.empty() && t.front() == L' ') t.erase(t.begin());
            std::wstring want = last;
            if (want.size() == 2 && want[1] == L':') {
                // A drive shows as " (C:)".
                if (t.find(L"(" + want + L")") != std::wstring::npos) break;
            } else if (_wcsicmp(t.c_str(), want.c_str()) == 0) {
                break;
            }
        }
        if (int(end - GetTickCount()) <= 0) { err(L"driver: folder not selected: " + path); return 1; }
        Sleep(100);
    }
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
    return 0;
}

int usage() {
    err(L"usage: vfs_driver [--timeout MS] COMMAND ARGS\n"
        L"  wait WINDOW                    print the handle once the window exists\n"
        L"  gone WINDOW                    wait until no such window exists\n"
        L"  count WINDOW                   print how many visible top-level windows match\n"
        L"  info WINDOW                    one line: handle, parent, class, id, x, y, w, h, style, exstyle, text\n"
        L"  client WINDOW                  client area size: W H\n"
        L"  rect WINDOW                    window rectangle on screen: L T R B\n"
        L"  children WINDOW                every descendant, one info line each (x, y relative to its parent's client area)\n"
        L"  text WINDOW [CHILD]            the window text\n"
        L"  pid WINDOW                     the owning process id (Windows)\n"
        L"  click WINDOW CHILD             post BM_CLICK to a button\n"
        L"  command WINDOW ID              post WM_COMMAND with the id\n"
        L"  close WINDOW                   post WM_CLOSE\n"
        L"  syscommand WINDOW SC           post WM_SYSCOMMAND (SC as a number)\n"
        L"  keys WINDOW KEYS               foreground the window, then SendInput (ctrl+n, F1, Return, shift+Tab)\n"
        L"  focus WINDOW                   the focused control of the window's thread: one info line\n"
        L"  rows WINDOW CHILD              list view rows, cells separated by tabs\n"
        L"  columns WINDOW CHILD           list view columns: text, width, format\n"
        L"  select WINDOW CHILD ROW        select (and focus) one list view row, 0-based\n"
        L"  screenrect WINDOW CHILD [ROW]  a child's (or a list view row's) rectangle on screen: left top right bottom\n"
        L"  send WINDOW CHILD MSG [WP [LP]] send a message to a child, print its result as a signed number\n"
        L"  tree WINDOW CHILD              tree view items, depth first, indented two spaces per level\n"
        L"  msgbox WINDOW BUTTON           print a message box's text, then press BUTTON (1 OK, 2 Cancel, 6 Yes, 7 No)\n"
        L"  settext WINDOW CHILD TEXT      WM_SETTEXT on a child\n"
        L"  filedialog WINDOW TEXT         put TEXT into a file dialog's name box and press its default button\n"
        L"  folder WINDOW PATH             choose PATH in a Browse for Folder dialog and press OK\n");
    return 2;
}

}  // namespace

int wmain_impl(int argc, wchar_t** argv) {
    int i = 1;
    if (i + 1 < argc && wcscmp(argv[i], L"--timeout") == 0) {
        g_timeoutMs = _wtoi(argv[i + 1]);
        i += 2;
    }
    if (i >= argc) return usage();
    std::wstring cmd = argv[i++];
    auto arg = [&](int k) -> std::wstring { return i + k < argc ? argv[i + k] : L""; };
    int nargs = argc - i;

    if (cmd == L"wait") {
        if (nargs < 1) return usage();
        HWND h = requireTop(arg(0));
        if (!h) return 1;
        out(hex(h));
        return 0;
    }
    if (cmd == L"gone") {
        if (nargs < 1) return usage();
        Query q = parseQuery(arg(0));
        DWORD end = GetTickCount() + DWORD(g_timeoutMs);
        while (!findTop(q).empty()) {
            if (int(end - GetTickCount()) <= 0) { err(L"driver: still there: " + arg(0)); return 1; }
            Sleep(20);
        }
        return 0;
    }
    if (cmd == L"count") {
        if (nargs < 1) return usage();
        out(std::to_wstring(findTop(parseQuery(arg(0))).size()));
        return 0;
    }
    if (nargs < 1) return usage();
    HWND top = requireTop(arg(0));
    if (!top) return 1;

    if (cmd == L"info") { describe(top, nullptr); return 0; }
    if (cmd == L"client") {
        RECT r;
        GetClientRect(top, &r);
        out(std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
        return 0;
    }
    if (cmd == L"rect") {
        RECT r;
        GetWindowRect(top, &r);
        out(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) +
            L" " + std::to_wstring(r.bottom));
        return 0;
    }
    if (cmd == L"children") {
        DumpCtx c;
        EnumChildWindows(top, dumpOne, (LPARAM)&c);
        for (HWND h : c.all) describe(h, nullptr);
        return 0;
    }
    if (cmd == L"text") {
        HWND h = nargs >= 2 ? requireChild(top, arg(1)) : top;
        if (!h) return 1;
        out(flat(windowText(h)));
        return 0;
    }
    if (cmd == L"pid") {
        DWORD pid = 0;
        GetWindowThreadProcessId(top, &pid);
        out(std::to_wstring(pid));
        return 0;
    }
    if (cmd == L"click") {
        if (nargs < 2) return usage();
        HWND b = requireChild(top, arg(1));
        if (!b) return 1;
        PostMessageW(b, BM_CLICK, 0, 0);
        return 0;
    }
    if (cmd == L"command") {
        if (nargs < 2) return usage();
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(wcstol(arg(1).c_str(), nullptr, 0), 0), 0);
        return 0;
    }
    if (cmd == L"close") { PostMessageW(top, WM_CLOSE, 0, 0); return 0; }
    if (cmd == L"syscommand") {
        if (nargs < 2) return usage();
        PostMessageW(top, WM_SYSCOMMAND, WPARAM(wcstol(arg(1).c_str(), nullptr, 0)), 0);
        return 0;
    }
    if (cmd == L"keys") {
        if (nargs < 2) return usage();
        return sendKeys(top, arg(1)) ? 0 : 1;
    }
    if (cmd == L"focus") {
        DWORD tid = GetWindowThreadProcessId(top, nullptr);
        GUITHREADINFO gi = {};
        gi.cbSize = sizeof gi;
        if (!GetGUIThreadInfo(tid, &gi) || !gi.hwndFocus) { err(L"driver: no focus"); return 1; }
        describe(gi.hwndFocus, nullptr);
        return 0;
    }
    if (cmd == L"tree") {
        if (nargs < 2) return usage();
        HWND tree = requireChild(top, arg(1));
        if (!tree) return 1;
        RemoteBuffer rb(tree, 8192);
        if (!rb.ok()) { err(L"driver: cannot open the tree view's process"); return 1; }
        printTree(tree, rb, (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0), 0);
        return 0;
    }
    if (cmd == L"rows" || cmd == L"columns" || cmd == L"select") {
        if (nargs < 2) return usage();
        HWND lv = requireChild(top, arg(1));
        if (!lv) return 1;
        RemoteBuffer rb(lv, 8192);
        if (!rb.ok()) { err(L"driver: cannot open the list view's process"); return 1; }
        if (cmd == L"rows") {
            int n = int(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0));
            int cols = headerCount(lv);
            for (int r = 0; r < n; ++r) {
                std::wstring line;
                for (int c = 0; c < cols; ++c) {
                    if (c) line += L'\t';
                    line += flat(listViewCell(lv, rb, r, c));
                }
                out(line);
            }
            return 0;
        }
        if (cmd == L"columns") {
            int cols = headerCount(lv);
            for (int c = 0; c < cols; ++c) {
                LVCOLUMNW col = {};
                col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
                col.cchTextMax = 200;
                col.pszText = (LPWSTR)rb.at(1024);
                rb.write(0, &col, sizeof col);
                SendMessageW(lv, LVM_GETCOLUMNW, WPARAM(c), (LPARAM)rb.at(0));
                rb.read(0, &col, sizeof col);
                wchar_t txt[201] = {};
                rb.read(1024, txt, 200 * sizeof(wchar_t));
                const wchar_t* fmt = (col.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? L"center"
                                     : (col.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT ? L"right"
                                                                                      : L"left";
                out(std::wstring(txt) + L"\t" + std::to_wstring(col.cx) + L"\t" + fmt);
            }
            return 0;
        }
        if (nargs < 3) return usage();
        LVITEMW it = {};
        it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        it.state = LVIS_SELECTED | LVIS_FOCUSED;
        rb.write(0, &it, sizeof it);
        return SendMessageW(lv, LVM_SETITEMSTATE, WPARAM(_wtoi(arg(2).c_str())), (LPARAM)rb.at(0)) ? 0 : 1;
    }
    if (cmd == L"screenrect") {
        if (nargs < 2) return usage();
        HWND h = requireChild(top, arg(1));
        if (!h) return 1;
        RECT r{};
        if (nargs >= 3) {
            RemoteBuffer rb(h, sizeof(RECT));
            if (!rb.ok()) { err(L"driver: cannot open the list view's process"); return 1; }
            RECT want{LVIR_BOUNDS, 0, 0, 0};
            rb.write(0, &want, sizeof want);
            if (!SendMessageW(h, LVM_GETITEMRECT, WPARAM(_wtoi(arg(2).c_str())), (LPARAM)rb.at(0))) return 1;
            rb.read(0, &r, sizeof r);
            MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
        } else {
            GetWindowRect(h, &r);
        }
        out(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
            std::to_wstring(r.bottom));
        return 0;
    }
    if (cmd == L"send") {
        if (nargs < 3) return usage();
        HWND h = requireChild(top, arg(1));
        if (!h) return 1;
        const UINT msg = UINT(wcstoul(arg(2).c_str(), nullptr, 0));
        const WPARAM wp = nargs >= 4 ? WPARAM(wcstoul(arg(3).c_str(), nullptr, 0)) : 0;
        const LPARAM lp = nargs >= 5 ? LPARAM(wcstol(arg(4).c_str(), nullptr, 0)) : 0;
        DWORD_PTR res = 0;
        if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &res)) { err(L"driver: no answer"); return 1; }
        out(std::to_wstring(static_cast<long>(static_cast<LONG_PTR>(res))));
        return 0;
    }
    if (cmd == L"msgbox") {
        if (nargs < 2) return usage();
        return answerMessageBox(top, _wtoi(arg(1).c_str()));
    }
    if (cmd == L"settext") {
        if (nargs < 3) return usage();
        HWND h = requireChild(top, arg(1));
        if (!h) return 1;
        std::wstring t = arg(2);
        DWORD_PTR res = 0;
        SendMessageTimeoutW(h, WM_SETTEXT, 0, (LPARAM)t.c_str(), SMTO_ABORTIFHUNG, 2000, &res);
        return 0;
    }
    if (cmd == L"filedialog") {
        if (nargs < 2) return usage();
        HWND edit = requireChild(top, L"id=1148,class=Edit");
        if (!edit) return 1;
        std::wstring t = arg(1);
        DWORD_PTR res = 0;
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, (LPARAM)t.c_str(), SMTO_ABORTIFHUNG, 2000, &res);
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(top, IDOK));
        return 0;
    }
    if (cmd == L"folder") {
        if (nargs < 2) return usage();
        return chooseFolder(top, arg(1));
    }
    return usage();
}

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    int rc = wmain_impl(argc, argv);
    LocalFree(argv);
    return rc;
}
