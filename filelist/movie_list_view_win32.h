#pragma once
// The list view lvwAudioTracks as a virtual (owner-data) report list over the movie list: it
// keeps no copy of the rows, asks the model for each cell as it paints it, and follows the
// model's change notifications. The owner forwards WM_NOTIFY to handleNotify.

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <optional>

#include "filelist/movie_list.h"
#include "ui/list_observer.h"

namespace filelist {

// Column headers, alignments and widths in twips, in column order.
struct MovieListColumn {
    const wchar_t* header;
    int format;  // LVCFMT_LEFT or LVCFMT_CENTER
    int widthTwips;
};
inline constexpr MovieListColumn kMovieListColumns[kColumnCount] = {
    {L"File Name", LVCFMT_LEFT, 3200},
    {L"Byte", LVCFMT_CENTER, 1200},
    {L"Time", LVCFMT_CENTER, 1400},
    {L"Status", LVCFMT_LEFT, 1440},
};

class MovieListView final : public ui::ListObserver {
public:
    explicit MovieListView(MovieList& list) : m_list(list) {}
    ~MovieListView() override;
    MovieListView(const MovieListView&) = delete;
    MovieListView& operator=(const MovieListView&) = delete;

    // Creates the control as a child of parent at bounds (pixels), with the four columns and
    // Tahoma 9 pt, and registers itself as the list's view. False when the control could not be
    // made.
    bool create(HWND parent, int controlId, const RECT& bounds);

    HWND hwnd() const { return m_hwnd; }

    // For the owner's WM_NOTIFY: answers the control's requests for cell text. True when the
    // notification was this control's and was handled; result then holds the return value.
    bool handleNotify(const NMHDR* header, LRESULT& result);

    // The selected row, numbered from 1.
    std::optional<std::size_t> selectedRow() const;

    // Selects row index (from 1) alone and makes it visible; none for nullopt.
    void select(std::optional<std::size_t> index);

    void listChanged(const ui::ListChange& change) override;

private:
    void setCount();

    MovieList& m_list;
    HWND m_hwnd = nullptr;
    HFONT m_font = nullptr;
};

}  // namespace filelist
