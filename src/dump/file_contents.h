#pragma once
// How unpacking puts the blocks of a list's files together: which rows a block's owner selects,
// what each block contributes, and the files' contents in memory. "Распаковка" writes what this
// walk gives; the list comparison reads the same contents without writing anything.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <span>
#include <utility>
#include <vector>

#include "dump/dump_reader.h"
#include "dump/fat_table.h"
#include "dump/file_list.h"
#include "dump/owner_tag.h"

namespace vesk {

// The bytes that block b (counted from 1) of a file of the listed size contributes, each block
// holding `data` content bytes: the first min(size, data), then `data` while the size reaches
// past the block, the remainder in the last, nothing after it (nor after a first block of a
// file smaller than one block).
std::int64_t BytesOfBlock(std::int64_t size, std::int64_t data, std::int64_t b);

// Which rows an owner text selects, in row order: a row matches by its name, or by its address
// where that differs from the name. Rows without name and address match nothing. Held as one
// array sorted by the keys' hashes, looked up by halving: a block's owner costs one hash and
// a comparison or two, and a hundred rows cost no allocation each. Keys are views: the names
// and addresses added must stay where they are while the index lives.
class RowIndex {
public:
    // `keys`: about how many names and addresses will be added.
    explicit RowIndex(std::size_t keys = 0) { items_.reserve(keys); }
    void Add(int row, std::string_view name, std::string_view address);
    // The rows, empty when the owner selects none (an empty owner never selects a row).
    std::span<const int> Find(const std::string& owner) const;

private:
    struct Item {
        std::uint64_t hash;
        std::string_view key;
        int row;
    };
    void Sort() const;

    mutable std::vector<Item> items_;  // sorted by hash, key, row at the first Find
    mutable std::vector<int> rows_;    // the rows in that order
    mutable bool sorted_ = false;
};

// The entries of a list by their names and addresses; rows are ListEntry::index.
RowIndex EntryIndex(const std::vector<ListEntry>& entries);
// The same with rows that are positions in `entries`.
RowIndex PositionIndex(const std::vector<ListEntry>& entries);

// A file's bytes as pieces of the dump, where they stand: unpacking's content without copying
// it (two lists of a full dump would be 3 MiB of copies to compare). Pieces point into the
// DumpReader's memory, valid while it lives, or into copies held here of what the reader had to
// read apart (bytes past the end of a short dump). Moved, never copied, so pieces stay valid.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(FileBytes&&) = default;
    FileBytes& operator=(FileBytes&&) = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // A piece that stays valid as long as this does.
    void Append(std::span<const std::uint8_t> piece);
    // A piece held here.
    void AppendCopy(std::vector<std::uint8_t> bytes);

    std::int64_t Size() const { return size_; }
    const std::vector<std::span<const std::uint8_t>>& Pieces() const { return pieces_; }
    std::vector<std::uint8_t> Flat() const;
    // The same bytes, however they are cut into pieces.
    bool operator==(const FileBytes& other) const;

private:
    std::vector<std::span<const std::uint8_t>> pieces_;
    std::vector<std::vector<std::uint8_t>> copies_;
    std::int64_t size_ = 0;
};

// One entry's file as unpacking writes it.
struct FileContent {
    bool written = false;                    // a block selected the entry: unpacking makes its file
    FileBytes bytes;                         // the content, cut to the size
    std::array<std::uint8_t, 3> signature{}; // the first three content bytes of its first block ([EXT])
    int blocks = 0;                          // blocks the walk gave it
    std::int64_t firstStep = 0;              // where in the walk its first block came: files begin in this order
};

// The files of `entries` (by position in `entries`) as unpacking writes them, without writing or
// copying (the pieces point into `dump`, which must outlive them): the FAT walk's blocks in
// order, each given to the entries its owner tag selects (a slot that is empty or names no place
// has its sector's first bytes as its tag, as unpacking reads it), block b of an entry at
// (b - 1) × [FAT] data, the whole cut to the entry's size. Read failures travel as vesk::Error,
// as unpacking's do: a name tag cut by the end of the dump fails before any content is read.
std::vector<FileContent> ReadFileContents(DumpReader& dump, FirmwareProfile& profile, const FatTable& fat,
                                          const TagReader& tags, const std::vector<ListEntry>& entries);

}  // namespace vesk
