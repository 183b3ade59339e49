#pragma once
// Listings as aligned text: columns padded to the widest cell, counted in characters (names
// are UTF-8, mostly Cyrillic), two blanks between columns, no blanks at the line ends. Control
// characters are shown escaped: a name from a dump must not move the cursor or retitle the
// terminal.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::cli {

using TextRow = std::vector<std::string>;

void WriteTable(std::ostream& out, const std::vector<TextRow>& rows);

// The text with each control character (below 0x20, and 0x7F) written as \xHH.
std::string ShowControls(std::string_view text);

}  // namespace vesk::cli
