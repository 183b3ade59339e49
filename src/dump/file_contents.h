#pragma once
// How unpacking puts the blocks of a list's files together: which rows a block's owner selects,
// what each block contributes, and the files' contents in memory. "Распаковка" writes what this
// walk gives; the list comparison reads the same contents without writing anything.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dump/dump_reader.h"
#include "dump/fat_table.h"
#include "dump/file_list.h"

namespace vesk {

// A decoded name as a file name: path separators and control characters become "_", so that
// every output file stays directly inside its folder.
std::string SafeFileName(std::string name);

// The bytes that block b (counted from 1) of a file of the listed size contributes, each block
// holding `data` content bytes: the first min(size, data), then `data` while the size reaches
// past the block, the remainder in the last, nothing after it (nor after a first block of a
// file smaller than one block).
std::int64_t BytesOfBlock(std::int64_t size, std::int64_t data, std::int64_t b);

// Which rows an owner text selects, in row order: a row matches by its name, or by its address
// where that differs from the name. Rows without name and address match nothing.
class RowIndex {
public:
    void Add(int row, const std::string& name, const std::string& address);
    // The rows, or null when the owner selects none (an empty owner never selects a row).
    const std::vector<int>* Find(const std::string& owner) const;

private:
    std::unordered_map<std::string, std::vector<int>> rows_;
};

// The entries of a list by their names and addresses; rows are ListEntry::index.
RowIndex EntryIndex(const std::vector<ListEntry>& entries);

// One entry's file as unpacking writes it.
struct FileContent {
    bool written = false;                    // a block selected the entry: unpacking makes its file
    std::vector<std::uint8_t> bytes;         // the content, cut to the size
    std::array<std::uint8_t, 3> signature{}; // the first three content bytes of its first block ([EXT])
    int blocks = 0;                          // blocks the walk gave it
};

// The files of `entries` (by ListEntry::index) from the FAT walk and its owner texts, without
// writing: blocks taken in FAT order, block b of an entry at (b - 1) × [FAT] data, the whole
// cut to the entry's size. Read failures travel as vesk::Error, as unpacking's do; a name tag
// cut by the end of the dump fails before any content is read.
std::vector<FileContent> ReadFileContents(DumpReader& dump, FirmwareProfile& profile, const FatTable& fat,
                                          const OwnerTags& tags, const std::vector<ListEntry>& entries);

}  // namespace vesk
