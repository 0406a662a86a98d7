#include "filelist/movie_list.h"

#include <iterator>
#include <utility>

namespace filelist {

const Row* MovieList::find(std::size_t index) const {
    if (index < 1 || index > m_rows.size()) return nullptr;
    return &m_rows[index - 1];
}

const std::string& MovieList::cell(std::size_t index, Column column) const {
    static const std::string kEmpty;
    const Row* row = find(index);
    return row ? row->cell(column) : kEmpty;
}

std::size_t MovieList::append(Row row) {
    m_rows.push_back(std::move(row));
    notify(ui::ListChange::Kind::Inserted, m_rows.size(), 1);
    return m_rows.size();
}

std::size_t MovieList::append(std::vector<Row> rows) {
    const std::size_t first = m_rows.size() + 1;
    if (rows.empty()) return first;
    const std::size_t added = rows.size();
    if (m_rows.empty()) {
        m_rows = std::move(rows);
    } else {
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
    }
    notify(ui::ListChange::Kind::Inserted, first, added);
    return first;
}

bool MovieList::setCell(std::size_t index, Column column, std::string text) {
    if (index < 1 || index > m_rows.size()) return false;
    m_rows[index - 1].cell(column) = std::move(text);
    notify(ui::ListChange::Kind::Changed, index, 1);
    return true;
}

bool MovieList::remove(std::size_t index) {
    if (index < 1 || index > m_rows.size()) return false;
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index - 1));
    notify(ui::ListChange::Kind::Removed, index, 1);
    return true;
}

void MovieList::clear() {
    const std::size_t n = m_rows.size();
    m_rows.clear();
    if (n > 0) notify(ui::ListChange::Kind::Removed, 1, n);
}

void MovieList::notify(ui::ListChange::Kind kind, std::size_t first, std::size_t count) {
    if (m_observer) m_observer->listChanged(ui::ListChange{kind, first, count});
}

}  // namespace filelist
