#include "filelist/movie_list_view_win32.h"

#include "ui/text_win32.h"

namespace filelist {
namespace {

int dotsPerInch(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(hwnd, dc);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

MovieListView::~MovieListView() {
    if (m_hwnd) m_list.setObserver(nullptr);
    if (m_hwnd) DestroyWindow(m_hwnd);
    if (m_font) DeleteObject(m_font);
}

bool MovieListView::create(HWND parent, int controlId, const RECT& bounds) {
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    m_hwnd = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
            LVS_SHOWSELALWAYS,
        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), GetModuleHandleW(nullptr), nullptr);
    if (!m_hwnd) return false;
    ListView_SetExtendedListViewStyle(m_hwnd, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);

    const int dpi = dotsPerInch(m_hwnd);
    m_font = CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    if (m_font) SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);

    for (std::size_t i = 0; i < kColumnCount; ++i) {
        LVCOLUMNW col {};
        col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.fmt = kMovieListColumns[i].format;
        col.cx = MulDiv(kMovieListColumns[i].widthTwips, dpi, 1440);
        col.pszText = const_cast<wchar_t*>(kMovieListColumns[i].header);
        col.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(m_hwnd, static_cast<int>(i), &col);
    }
    m_list.setObserver(this);
    setCount();
    return true;
}

bool MovieListView::handleNotify(const NMHDR* header, LRESULT& result) {
    if (!m_hwnd || !header || header->hwndFrom != m_hwnd) return false;
    if (header->code != LVN_GETDISPINFOW) return false;
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
    LVITEMW& item = info->item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        item.pszText[0] = L'\0';
        if (item.iItem >= 0 && item.iSubItem >= 0 &&
            item.iSubItem < static_cast<int>(kColumnCount)) {
            const std::string& text = m_list.cell(static_cast<std::size_t>(item.iItem) + 1,
                                                  static_cast<Column>(item.iSubItem));
            if (!text.empty()) {
                const std::wstring wide = ui::widen(text);
                lstrcpynW(item.pszText, wide.c_str(), item.cchTextMax);
            }
        }
    }
    result = 0;
    return true;
}

std::optional<std::size_t> MovieListView::selectedRow() const {
    if (!m_hwnd) return std::nullopt;
    const int i = ListView_GetNextItem(m_hwnd, -1, LVNI_SELECTED);
    if (i < 0 || static_cast<std::size_t>(i) >= m_list.count()) return std::nullopt;
    return static_cast<std::size_t>(i) + 1;
}

void MovieListView::select(std::optional<std::size_t> index) {
    if (!m_hwnd) return;
    ListView_SetItemState(m_hwnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (!index || *index < 1 || *index > m_list.count()) return;
    const int i = static_cast<int>(*index - 1);
    ListView_SetItemState(m_hwnd, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(m_hwnd, i, FALSE);
}

void MovieListView::setCount() {
    ListView_SetItemCountEx(m_hwnd, static_cast<int>(m_list.count()), LVSICF_NOSCROLL);
}

void MovieListView::listChanged(const ui::ListChange& change) {
    if (!m_hwnd) return;
    switch (change.kind) {
        case ui::ListChange::Kind::Changed:
            ListView_RedrawItems(m_hwnd, static_cast<int>(change.first) - 1,
                                 static_cast<int>(change.first + change.count) - 2);
            return;
        case ui::ListChange::Kind::Inserted:
        case ui::ListChange::Kind::Removed:
        case ui::ListChange::Kind::Reset: {
            // An owner-data list keeps its selection by position: move it with the rows.
            std::optional<std::size_t> selected;
            const int i = ListView_GetNextItem(m_hwnd, -1, LVNI_SELECTED);
            if (i >= 0) selected = static_cast<std::size_t>(i) + 1;
            if (selected && change.kind == ui::ListChange::Kind::Removed) {
                if (*selected >= change.first + change.count) {
                    *selected -= change.count;
                } else if (*selected >= change.first) {
                    selected.reset();
                }
            } else if (selected && change.kind == ui::ListChange::Kind::Inserted &&
                       *selected >= change.first) {
                *selected += change.count;
            } else if (change.kind == ui::ListChange::Kind::Reset) {
                selected.reset();
            }
            ListView_SetItemState(m_hwnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
            setCount();
            if (selected && *selected <= m_list.count()) {
                const int row = static_cast<int>(*selected - 1);
                ListView_SetItemState(m_hwnd, row, LVIS_SELECTED | LVIS_FOCUSED,
                                      LVIS_SELECTED | LVIS_FOCUSED);
            }
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return;
        }
    }
}

}  // namespace filelist
