#pragma once
// The files of a list as "Распаковка" would write them, gathered in memory instead: the read-back
// check of a build compares them with the files it was built from, and repacking takes a dump's
// files out without writing any. The rules are those of UnpackFiles' write pass: blocks in FAT
// order (slot number first, sector second), a block goes to every row whose name or address
// equals its owner text, block b of a row lands at (b − 1) × data of its file, cut to the row's
// size, and a row takes nothing more once its blocks cover its size.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/file_list.h"
#include "dump/firmware_profile.h"

namespace vesk {

// One row of the file table, as FileGrid holds it for UnpackFiles.
struct FileRow {
    std::string name;     // "" for an unused entry
    std::string address;
    std::int64_t size = 0;
};

// The rows of a list as "Поиск" shows them: every record, used or not, in record order.
std::vector<FileRow> FileRowsOf(const std::vector<ListEntry>& entries);

// For each row, its file's bytes, or nothing when no block belongs to it (no file is written).
// Failures of the walk (a FAT area or an owner name past the end of the dump) are thrown as
// UnpackFiles throws them.
std::vector<std::optional<std::vector<std::uint8_t>>> GatherFiles(DumpReader& dump, FirmwareProfile& profile,
                                                                   const Settings& settings,
                                                                   const std::vector<FileRow>& rows);

}  // namespace vesk
