#pragma once
// Change notifications from a list model to the view that displays it. A virtual list view keeps
// no copy of the rows: on each notification it updates its item count and repaints the rows
// named, asking the model for the text when it draws them.

#include <cstddef>

namespace ui {

struct ListChange {
    enum class Kind {
        Inserted,  // rows first .. first + count - 1 are new; rows after them moved down
        Removed,   // rows first .. first + count - 1 are gone; rows after them moved up
        Changed,   // cells of rows first .. first + count - 1 changed
        Reset,     // everything may have changed (first and count are 0)
    };
    Kind kind = Kind::Reset;
    std::size_t first = 0;  // numbered from 1, like the rows
    std::size_t count = 0;
};

class ListObserver {
public:
    virtual ~ListObserver() = default;
    // Called after the model changed; the model already holds the new rows.
    virtual void listChanged(const ListChange& change) = 0;
};

}  // namespace ui
