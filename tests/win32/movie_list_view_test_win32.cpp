// The virtual list view over the movie list: columns, cell text asked from the model, the
// selection following removals, and painting cost at 10,000 rows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "filelist/movie_list_view_win32.h"
#include "ui/text_win32.h"

namespace {

filelist::MovieListView* g_view = nullptr;
int g_cellRequests = 0;

LRESULT CALLBACK ownerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && g_view) {
        LRESULT result = 0;
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (header->code == LVN_GETDISPINFOW) ++g_cellRequests;
        if (g_view->handleNotify(header, result)) return result;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

class MovieListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc {};
        wc.lpfnWndProc = ownerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VfsListViewTestOwner";
        RegisterClassW(&wc);
        m_owner = CreateWindowExW(0, wc.lpszClassName, L"list view test", WS_OVERLAPPEDWINDOW,
                                  0, 0, 640, 400, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(m_owner, nullptr);
        ShowWindow(m_owner, SW_SHOW);
        const RECT bounds {8, 8, 8 + 425, 8 + 222};
        ASSERT_TRUE(m_view.create(m_owner, 100, bounds));
        g_view = &m_view;
    }
    void TearDown() override {
        g_view = nullptr;
        DestroyWindow(m_owner);
    }

    std::string text(int row, int column) {
        wchar_t buf[512] = {};
        ListView_GetItemText(m_view.hwnd(), row, column, buf, 512);
        return ui::narrow(buf);
    }

    void pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }

    filelist::MovieList m_list;
    filelist::MovieListView m_view{m_list};
    HWND m_owner = nullptr;
};

TEST_F(MovieListViewTest, FourColumnsWithTheirHeadersAlignmentAndWidths) {
    HWND header = ListView_GetHeader(m_view.hwnd());
    ASSERT_EQ(Header_GetItemCount(header), 4);
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    const char* headers[] = {"File Name", "Byte", "Time", "Status"};
    const int formats[] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_CENTER, LVCFMT_LEFT};
    const int twips[] = {3200, 1200, 1400, 1440};
    for (int i = 0; i < 4; ++i) {
        wchar_t buf[64] = {};
        LVCOLUMNW col {};
        col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        col.pszText = buf;
        col.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(m_view.hwnd(), i, &col));
        EXPECT_EQ(ui::narrow(buf), headers[i]);
        EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, formats[i]);
        EXPECT_EQ(col.cx, MulDiv(twips[i], dpi, 1440));
    }
    if (dpi == 96) {
        EXPECT_EQ(ListView_GetColumnWidth(m_view.hwnd(), 0), 213);
    }
}

TEST_F(MovieListViewTest, CellsComeFromTheModel) {
    m_list.append(filelist::Row("C:\\Movies\\intro.swf", "905", "07-03-2006", "OK"));
    m_list.append(filelist::Row("C:\\Фильмы\\日本.swf", "1", "12-25-2010", ""));
    EXPECT_EQ(ListView_GetItemCount(m_view.hwnd()), 2);
    EXPECT_EQ(text(0, 0), "C:\\Movies\\intro.swf");
    EXPECT_EQ(text(0, 3), "OK");
    EXPECT_EQ(text(1, 0), "C:\\Фильмы\\日本.swf");
    EXPECT_EQ(text(1, 2), "12-25-2010");
    m_list.setCell(2, filelist::Column::Status, "Processing");
    EXPECT_EQ(text(1, 3), "Processing");
}

TEST_F(MovieListViewTest, TheSelectionFollowsItsRow) {
    for (int i = 1; i <= 5; ++i) m_list.append(filelist::Row(std::to_string(i)));
    m_view.select(4);
    EXPECT_EQ(m_view.selectedRow(), std::optional<std::size_t>(4));
    m_list.remove(2);  // a row above: the selection moves up with its row
    EXPECT_EQ(m_view.selectedRow(), std::optional<std::size_t>(3));
    EXPECT_EQ(text(2, 0), "4");
    m_list.append(filelist::Row("6"));
    EXPECT_EQ(m_view.selectedRow(), std::optional<std::size_t>(3));
    m_list.remove(3);  // the selected row itself
    EXPECT_EQ(m_view.selectedRow(), std::nullopt);
    m_view.select(1);
    m_list.clear();
    EXPECT_EQ(ListView_GetItemCount(m_view.hwnd()), 0);
    EXPECT_EQ(m_view.selectedRow(), std::nullopt);
}

TEST_F(MovieListViewTest, PaintingTenThousandRowsAsksOnlyForTheVisibleCells) {
    std::vector<filelist::Row> rows;
    for (int i = 0; i < 10000; ++i) {
        rows.emplace_back("C:\\Movies\\movie " + std::to_string(i) + ".swf", std::to_string(i),
                          "07-03-2006", i % 2 ? "OK" : "");
    }
    m_list.append(std::move(rows));
    ASSERT_EQ(ListView_GetItemCount(m_view.hwnd()), 10000);
    const int perPage = ListView_GetCountPerPage(m_view.hwnd());
    ASSERT_GT(perPage, 0);

    pump();
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    const int pages = 40;
    g_cellRequests = 0;
    QueryPerformanceCounter(&t0);
    for (int p = 0; p < pages; ++p) {
        ListView_EnsureVisible(m_view.hwnd(), (p * 9973) % 10000, FALSE);
        RedrawWindow(m_view.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    QueryPerformanceCounter(&t1);
    const double ms = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
                      static_cast<double>(freq.QuadPart) / pages;
    std::printf("list view: %.2f ms per full repaint at 10,000 rows, %d cell requests per page\n",
                ms, g_cellRequests / pages);
    // A repaint asks for the cells on screen, not for the whole list.
    EXPECT_LE(g_cellRequests / pages, (perPage + 2) * 4 * 3);
}

}  // namespace
