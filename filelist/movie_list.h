#pragma once
// The movie list: the work list of the builders and the preview, and the only copy of the movie
// paths. Each row holds four strings (the full path, "Byte", "Time" and "Status"); rows are
// numbered from 1 in list order and the same path may stand in several rows. The list view shows
// the rows as a virtual list: it is told about every change and reads the cells from here.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "ui/list_observer.h"

namespace filelist {

enum class Column { Path = 0, Byte = 1, Time = 2, Status = 3 };
inline constexpr std::size_t kColumnCount = 4;

// Status texts the builders write.
inline constexpr const char* kStatusProcessing = "Processing";
inline constexpr const char* kStatusOk = "OK";

struct Row {
    std::array<std::string, kColumnCount> cells;

    Row() = default;
    Row(std::string path, std::string byteText = {}, std::string timeText = {},
        std::string status = {})
        : cells{std::move(path), std::move(byteText), std::move(timeText), std::move(status)} {}

    const std::string& cell(Column c) const { return cells[static_cast<std::size_t>(c)]; }
    std::string& cell(Column c) { return cells[static_cast<std::size_t>(c)]; }
    const std::string& path() const { return cell(Column::Path); }

    bool operator==(const Row&) const = default;
};

class MovieList {
public:
    MovieList() = default;
    MovieList(const MovieList&) = delete;
    MovieList& operator=(const MovieList&) = delete;

    // The view to notify; nullptr for none. The observer must outlive the list or be replaced.
    void setObserver(ui::ListObserver* observer) { m_observer = observer; }

    std::size_t count() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }

    // Row number index, from 1; nullptr when there is no such row.
    const Row* find(std::size_t index) const;
    // The cell of row index, or an empty string when there is no such row (what a view asks
    // for while it is still catching up with a change).
    const std::string& cell(std::size_t index, Column column) const;
    const std::vector<Row>& rows() const { return m_rows; }

    // Appends rows at the end; returns the number of the first new row.
    std::size_t append(Row row);
    std::size_t append(std::vector<Row> rows);

    // Sets one cell; false when there is no such row.
    bool setCell(std::size_t index, Column column, std::string text);

    // Removes row index; false when there is no such row.
    bool remove(std::size_t index);

    // Removes every row.
    void clear();

private:
    void notify(ui::ListChange::Kind kind, std::size_t first, std::size_t count);

    std::vector<Row> m_rows;
    ui::ListObserver* m_observer = nullptr;
};

}  // namespace filelist
