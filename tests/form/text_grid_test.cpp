#include "form/text_grid.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

// The build list's shape: 7 columns, 101 visible rows, and a row 101 it keeps but does not show.
TextGrid BuildListGrid() { return TextGrid(7, 101); }

TEST(TextGrid, HiddenTailIsKeptAndReadBack) {
    TextGrid grid = BuildListGrid();
    grid.SetCell(6, 100, "last visible");
    grid.SetCell(2, 101, "tail");
    grid.SetCell(0, 150, "far");

    EXPECT_EQ(grid.RowCount(), 101);
    EXPECT_EQ(grid.StoredRows(), 151);
    EXPECT_EQ(grid.Cell(2, 101), "tail");
    EXPECT_EQ(grid.Cell(0, 150), "far");
    // Growing the grid keeps what was there before.
    EXPECT_EQ(grid.Cell(6, 100), "last visible");
    EXPECT_EQ(grid.Cell(3, 101), "");
    EXPECT_EQ(grid.Cell(0, 120), "");
}

TEST(TextGrid, UnwrittenAndOutOfRangeCellsReadEmpty) {
    TextGrid grid = BuildListGrid();
    grid.SetCell(0, 1, "row 1");
    EXPECT_EQ(grid.Cell(0, 0), "");
    EXPECT_EQ(grid.Cell(0, 100), "");
    EXPECT_EQ(grid.Cell(0, 1000), "");
    EXPECT_EQ(grid.Cell(-1, 1), "");
    EXPECT_EQ(grid.Cell(0, -1), "");
    // A column past the last must not run into the next row's first cell.
    EXPECT_EQ(grid.Cell(7, 0), "");
}

TEST(TextGrid, OutOfRangeWritesAreIgnored) {
    TextGrid grid = BuildListGrid();
    grid.SetCell(-1, 0, "a");
    grid.SetCell(0, -1, "b");
    grid.SetCell(7, 0, "c");    // would be cell (0, 1) if columns wrapped
    grid.SetCell(-1, 500, "d");

    EXPECT_EQ(grid.Cell(0, 1), "");
    EXPECT_EQ(grid.Cell(6, 0), "");
    EXPECT_EQ(grid.StoredRows(), 101);
}

TEST(TextGrid, EmptyWritePastTheEndDoesNotGrow) {
    TextGrid grid = BuildListGrid();
    EXPECT_EQ(grid.StoredRows(), 101);  // the visible rows count as stored
    grid.SetCell(0, 5000, "");
    EXPECT_EQ(grid.StoredRows(), 101);
    EXPECT_EQ(grid.Cell(0, 5000), "");
    // An empty write inside the grid still clears the cell.
    grid.SetCell(3, 4, "x");
    grid.SetCell(3, 4, "");
    EXPECT_EQ(grid.Cell(3, 4), "");
}

}  // namespace
}  // namespace vesk
