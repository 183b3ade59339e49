#pragma once
// The files of a build as typed rows: what each list entry will hold and where its content comes
// from. "Собрать" and "Собрать всё" take them from the build list's cells (the user may have
// typed any text there, which the assembler converts and refuses in words); repacking makes them
// from a dump's list and changes them as rows, never as cell text.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dump/file_list.h"
#include "form/text_grid.h"

namespace vesk {

struct BuildRow {
    int row = 0;          // the build list's row, as messages name it
    std::string name;     // "Файл"
    std::string size;     // "Размер (байт)"
    std::string address;  // "Адрес"
    std::string group;    // "Группа"
    std::string number;   // "Номер"
    std::string path;     // "Путь": the file whose content is copied
    // The content in memory instead of the file at `path` (a file taken out of a dump).
    std::optional<std::vector<std::uint8_t>> content;

    // A row the build can take a content from.
    bool HasSource() const { return content || !path.empty(); }
};

// Row r of the build list, as its cells stand.
BuildRow BuildRowOf(const TextGrid& grid, int r);
// The rows "Собрать" takes: from row 1 to the first row after it whose "Файл" is empty, 101 at
// most (assembly::kMaxBuildRows).
std::vector<BuildRow> AssembledRows(const TextGrid& grid);
// Every filled row, in order ("Собрать всё"): a row cleared by "Удалить" is skipped.
std::vector<BuildRow> FilledRows(const TextGrid& grid);
// How many rows of the build list are taken up to the last one whose "Путь" is filled.
int LastTakenRow(const TextGrid& grid);

// An entry of a dump's list as a build row numbered r: its name, size, address, group code and
// number as the dump holds them, so that a rebuilt dump keeps them.
BuildRow BuildRowOfEntry(const ListEntry& entry, int r);
// A file as "Добавить" puts it into row r: named after the file, its size, the row's address
// and number, and `group`.
BuildRow BuildRowOfFile(const std::string& path, int r, const std::string& group);

// The rows into the build list from row 1 (each in the row of its position), every row below
// them cleared as "Удалить" clears a row.
void ShowBuildRows(TextGrid& grid, const std::vector<BuildRow>& rows);

}  // namespace vesk
