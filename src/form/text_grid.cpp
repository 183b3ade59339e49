#include "form/text_grid.h"

namespace vesk {

const std::string& TextGrid::Cell(int col, int row) const {
    static const std::string empty;
    if (col < 0 || row < 0 || col >= cols_) return empty;
    const std::size_t index = static_cast<std::size_t>(row) * cols_ + col;
    return index < cells_.size() ? cells_[index] : empty;
}

void TextGrid::SetCell(int col, int row, std::string text) {
    if (col < 0 || row < 0 || col >= cols_) return;
    const std::size_t index = static_cast<std::size_t>(row) * cols_ + col;
    if (index >= cells_.size()) {
        if (text.empty()) return;
        cells_.resize((static_cast<std::size_t>(row) + 1) * cols_);
    }
    cells_[index] = std::move(text);
}

}  // namespace vesk
