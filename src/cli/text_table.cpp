#include "cli/text_table.h"

#include <algorithm>

#include "platform/cp1251.h"

namespace vesk::cli {

std::string ShowControls(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 15];
        } else {
            shown += c;
        }
    }
    return shown;
}

void WriteTable(std::ostream& out, const std::vector<TextRow>& shownRows) {
    std::vector<TextRow> rows = shownRows;
    for (TextRow& row : rows) {
        for (std::string& cell : row) cell = ShowControls(cell);
    }
    std::vector<std::size_t> widths;
    for (const TextRow& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Utf8Length(row[c]));
    }
    for (const TextRow& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) line += "  ";
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - Utf8Length(row[c]), ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << '\n';
    }
}

}  // namespace vesk::cli
