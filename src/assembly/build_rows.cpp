#include "assembly/build_rows.h"

#include <algorithm>

#include "assembly/build_file.h"
#include "form/form.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

bool Filled(const TextGrid& grid, int r) {
    for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) {
        if (!grid.Cell(c, r).empty()) return true;
    }
    return false;
}

int StoredRows(const TextGrid& grid) { return std::max(grid.RowCount(), grid.StoredRows()); }

}  // namespace

BuildRow BuildRowOf(const TextGrid& grid, int r) {
    BuildRow row;
    row.row = r;
    row.name = grid.Cell(kBuildNameCol, r);
    row.size = grid.Cell(kBuildSizeCol, r);
    row.address = grid.Cell(kBuildAddressCol, r);
    row.group = grid.Cell(kBuildGroupCol, r);
    row.number = grid.Cell(kBuildNumberCol, r);
    row.path = grid.Cell(kBuildPathCol, r);
    return row;
}

std::vector<BuildRow> AssembledRows(const TextGrid& grid) {
    std::vector<BuildRow> rows;
    for (int r = 1; r <= assembly::kMaxBuildRows; ++r) {
        if (r > 1 && grid.Cell(kBuildNameCol, r).empty()) break;
        rows.push_back(BuildRowOf(grid, r));
    }
    return rows;
}

std::vector<BuildRow> FilledRows(const TextGrid& grid) {
    std::vector<BuildRow> rows;
    for (int r = 1; r < StoredRows(grid); ++r) {
        if (Filled(grid, r)) rows.push_back(BuildRowOf(grid, r));
    }
    return rows;
}

int LastTakenRow(const TextGrid& grid) {
    int last = 0;
    for (int r = 1; r < StoredRows(grid); ++r) {
        if (!grid.Cell(kBuildPathCol, r).empty()) last = r;
    }
    return last;
}

BuildRow BuildRowOfEntry(const ListEntry& entry, int r) {
    BuildRow row;
    row.row = r;
    row.name = entry.name;
    row.size = std::to_string(entry.size);
    row.address = entry.address;
    row.group = ByteToHex(entry.groupCode);
    row.number = std::to_string(entry.fileNumber);
    return row;
}

BuildRow BuildRowOfFile(const std::string& path, int r, const std::string& group) {
    BuildRow row;
    row.row = r;
    row.path = path;
    row.name = assembly::FileNamePart(path);
    row.size = std::to_string(FileSizeOrMinusOne(path));
    row.address = assembly::RowAddress(r);
    row.group = group;
    row.number = std::to_string(r);
    return row;
}

void ShowBuildRows(TextGrid& grid, const std::vector<BuildRow>& rows) {
    for (int r = 1; r < StoredRows(grid); ++r) {
        for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) grid.SetCell(c, r, "");
    }
    int r = 0;
    for (const BuildRow& row : rows) {
        ++r;
        grid.SetCell(kBuildRowCol, r, std::to_string(r));
        grid.SetCell(kBuildNameCol, r, row.name);
        grid.SetCell(kBuildSizeCol, r, row.size);
        grid.SetCell(kBuildAddressCol, r, row.address);
        grid.SetCell(kBuildGroupCol, r, row.group);
        grid.SetCell(kBuildNumberCol, r, row.number);
        grid.SetCell(kBuildPathCol, r, row.path);
    }
}

}  // namespace vesk
