#pragma once
// Listings as aligned text: columns padded to the widest cell, counted in characters (names
// are UTF-8, mostly Cyrillic), two blanks between columns, no blanks at the line ends.
#include <ostream>
#include <string>
#include <vector>

namespace vesk::cli {

using TextRow = std::vector<std::string>;

void WriteTable(std::ostream& out, const std::vector<TextRow>& rows);

}  // namespace vesk::cli
