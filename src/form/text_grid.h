#pragma once
// A grid of text cells, the data behind one of the window's string grids.
// Cells past the visible rows can be written and read back (the build list keeps a row 101
// that it does not show); reading a cell never written gives "".
#include <string>
#include <vector>

namespace vesk {

class TextGrid {
public:
    TextGrid(int cols, int rows) : cols_(cols), rows_(rows), cells_(static_cast<std::size_t>(cols) * rows) {}

    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }

    const std::string& Cell(int col, int row) const;
    void SetCell(int col, int row, std::string text);
    // How many rows are stored, the visible ones included: RowCount() at first; text written
    // into a row past them (the hidden tail) stores every row up to that one. Never shrinks.
    int StoredRows() const { return cols_ > 0 ? static_cast<int>(cells_.size() / cols_) : rows_; }

    // The current (selected) cell.
    int Col = 0;
    int Row = 0;

    // The same cells (stored rows included) and the same current cell.
    bool operator==(const TextGrid&) const = default;

private:
    int cols_;
    int rows_;
    std::vector<std::string> cells_;  // row-major, grows past rows_ on demand
};

}  // namespace vesk
