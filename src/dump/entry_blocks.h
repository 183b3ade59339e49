#pragma once
// What the FAT walk gives each entry of a list, and which entries it cannot give whole: the one
// judgement that the dump check reports and that repacking and "В сборку" refuse to carry on.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dump/block_map.h"

namespace vesk {

// One block of the walk that entries of the chosen list own: slot numbers in order and, for
// each, the sectors in order, as unpacking takes them.
struct WalkBlock {
    int slot = 0;
    int sector = 0;
    int place = 0;
    std::span<const int> entries;  // ListEntry::index of its owners (a view into the map)
};
std::vector<WalkBlock> OwnedBlocks(const BlockMap& map, const FatTable& fat);

// Blocks an entry needs for its size, each holding `data` content bytes.
std::int64_t BlocksNeeded(std::int64_t size, std::int64_t data);

// What the walk gives one entry: how many blocks, and where in the walk the first and the last
// stand (indexes into OwnedBlocks).
struct GivenBlocks {
    std::int64_t blocks = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    // Each block lists an entry once, so the entry's blocks follow one another exactly when they
    // span as many walk steps as there are of them.
    bool Interleaved() const { return blocks > 0 && static_cast<std::int64_t>(last - first + 1) != blocks; }
};
// By position in `entries`.
std::vector<GivenBlocks> BlocksGiven(const std::vector<ListEntry>& entries, const std::vector<WalkBlock>& walk);

// An entry in use whose file the walk cannot give whole.
struct DamagedEntry {
    std::size_t entry = 0;     // position in `entries`
    std::int64_t blocks = 0;   // what the walk gives it
    std::int64_t needed = 0;   // what its size needs
    // Data places that carry its tag and that no slot names: where a lost block most likely lies.
    std::vector<const MapPlace*> unslotted;
    // The walk gives it fewer blocks than its size needs.
    bool Short() const { return blocks < needed; }
};
// Entries the walk gives fewer blocks than their size needs, and entries it gives exactly as
// many while a block with their tag lies where no slot names it: the builder ends every file with
// one block past its content, so there the surplus block stands in for a lost one and unpacking
// gives wrong bytes from the lost block on.
std::vector<DamagedEntry> DamagedEntries(const BlockMap& map, const std::vector<ListEntry>& entries,
                                         const std::vector<GivenBlocks>& given, std::int64_t data);

// The same for the chosen list of an overview, by position in its entries.
std::vector<DamagedEntry> DamagedEntries(const DumpOverview& overview, std::int64_t data);

}  // namespace vesk
