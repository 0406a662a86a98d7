#include "filelist/movie_list.h"

#include <gtest/gtest.h>

#include "tests/ui/fake_ui.h"

namespace filelist {
namespace {

using Kind = ui::ListChange::Kind;

bool sameChange(const ui::ListChange& a, Kind kind, std::size_t first, std::size_t count) {
    return a.kind == kind && a.first == first && a.count == count;
}

TEST(MovieListTest, RowsAreNumberedFromOneAndDuplicatesStay) {
    MovieList list;
    ui::testing::RecordingListObserver view;
    list.setObserver(&view);
    EXPECT_EQ(list.append(Row("C:\\a.swf", "1", "07-03-2006")), 1u);
    EXPECT_EQ(list.append(Row("C:\\a.swf", "1", "07-03-2006")), 2u);
    EXPECT_EQ(list.append(std::vector<Row>{Row("C:\\b.swf"), Row("C:\\c.swf")}), 3u);
    ASSERT_EQ(list.count(), 4u);
    EXPECT_EQ(list.find(0), nullptr);
    EXPECT_EQ(list.find(5), nullptr);
    EXPECT_EQ(list.find(1)->path(), "C:\\a.swf");
    EXPECT_EQ(*list.find(1), *list.find(2));
    EXPECT_EQ(list.cell(4, Column::Path), "C:\\c.swf");
    EXPECT_EQ(list.cell(9, Column::Path), "");
    ASSERT_EQ(view.changes.size(), 3u);
    EXPECT_TRUE(sameChange(view.changes[0], Kind::Inserted, 1, 1));
    EXPECT_TRUE(sameChange(view.changes[1], Kind::Inserted, 2, 1));
    EXPECT_TRUE(sameChange(view.changes[2], Kind::Inserted, 3, 2));
}

TEST(MovieListTest, SetCellRemoveAndClearNotifyTheView) {
    MovieList list;
    list.append(std::vector<Row>{Row("a"), Row("b"), Row("c")});
    ui::testing::RecordingListObserver view;
    list.setObserver(&view);

    EXPECT_TRUE(list.setCell(2, Column::Status, kStatusOk));
    EXPECT_FALSE(list.setCell(4, Column::Status, kStatusOk));
    EXPECT_EQ(list.cell(2, Column::Status), "OK");

    EXPECT_TRUE(list.remove(1));
    EXPECT_FALSE(list.remove(0));
    EXPECT_FALSE(list.remove(3));
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.find(1)->path(), "b");
    EXPECT_EQ(list.find(1)->cell(Column::Status), "OK");

    list.clear();
    EXPECT_TRUE(list.empty());
    list.clear();  // an empty list: nothing to tell
    list.append(std::vector<Row>{});

    ASSERT_EQ(view.changes.size(), 3u);
    EXPECT_TRUE(sameChange(view.changes[0], Kind::Changed, 2, 1));
    EXPECT_TRUE(sameChange(view.changes[1], Kind::Removed, 1, 1));
    EXPECT_TRUE(sameChange(view.changes[2], Kind::Removed, 1, 2));
}

}  // namespace
}  // namespace filelist
