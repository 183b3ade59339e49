// The table model over a TextGrid: header row, fixed column, edits into the grid.
#include <gtest/gtest.h>

#include "gui/text_grid_model.h"

namespace vesk::test {
namespace {

// Columns of the grids below: the fixed one (where a grid has one) and those after it.
constexpr int kFixed = 0, kFirst = 1, kSecond = 2, kFifth = 5;

TEST(TextGridModel, FixedRowAndColumnBecomeHeaders) {
    TextGrid grid(3, 4);
    grid.SetCell(kFixed, 0, "№");
    grid.SetCell(kFirst, 0, "Файл");
    grid.SetCell(kFixed, 2, "2");
    grid.SetCell(kSecond, 3, "last");
    TextGridModel model(grid, true);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(), "Файл");
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::DisplayRole).toString().toStdString(), "2");
    EXPECT_EQ(model.CornerText().toStdString(), "№");
    EXPECT_EQ(model.index(2, 1).data().toString().toStdString(), "last");
    EXPECT_EQ(model.IndexOf(kSecond, 3), model.index(2, 1));
    EXPECT_EQ(model.GridCol(0), kFirst);
    EXPECT_EQ(model.GridRow(0), 1);
}

TEST(TextGridModel, WithoutFixedColumnEveryColumnIsACell) {
    TextGrid grid(1, 100);
    grid.SetCell(kFixed, 0, "Списки файлов");
    grid.SetCell(kFixed, 1, "0x00000842");
    TextGridModel model(grid, false);
    EXPECT_EQ(model.rowCount(), 99);
    EXPECT_EQ(model.columnCount(), 1);
    EXPECT_EQ(model.index(0, 0).data().toString().toStdString(), "0x00000842");
    EXPECT_FALSE(model.headerData(0, Qt::Vertical, Qt::DisplayRole).isValid());
    EXPECT_TRUE(model.CornerText().isEmpty());
}

TEST(TextGridModel, EditsGoIntoTheGridOnlyWhileAllowed) {
    TextGrid grid(7, 101);
    bool editing = false;
    TextGridModel model(grid, true, [&] { return editing; });
    const QModelIndex number = model.IndexOf(kFifth, 1);
    EXPECT_FALSE(model.flags(number) & Qt::ItemIsEditable);
    editing = true;
    EXPECT_TRUE(model.flags(number) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.setData(number, "7", Qt::EditRole));
    EXPECT_EQ(grid.Cell(kFifth, 1), "7");
    TextGridModel fixedOnly(grid, true);
    EXPECT_FALSE(fixedOnly.flags(number) & Qt::ItemIsEditable);
}

}  // namespace
}  // namespace vesk::test
