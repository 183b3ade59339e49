#include "dump/entry_blocks.h"

#include <optional>

#include "dump/file_contents.h"
#include "dump/layout.h"

namespace vesk {

std::vector<WalkBlock> OwnedBlocks(const BlockMap& map, const FatTable& fat) {
    std::vector<WalkBlock> walk;
    walk.reserve(fat.used.size());
    for (const std::size_t cell : fat.used) {
        const int n = static_cast<int>(cell / layout::kSectorCount);
        const int s = static_cast<int>(cell % layout::kSectorCount);
        const FatSlot& slot = fat.At(n, s);
        if (!slot.Place()) continue;
        const MapPlace& place = map.At(s, *slot.Place());
        if (place.kind != PlaceKind::Data || place.entries.empty()) continue;
        walk.push_back({n, s, *slot.Place(), place.entries});
    }
    return walk;
}

std::int64_t BlocksNeeded(std::int64_t size, std::int64_t data) { return data > 0 ? (size + data - 1) / data : 0; }

std::vector<GivenBlocks> BlocksGiven(const std::vector<ListEntry>& entries, const std::vector<WalkBlock>& walk) {
    // Owners are ListEntry::index values; entries may be any of a list's, in list order.
    std::vector<int> position(layout::kEntriesPerList, -1);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int index = entries[i].index;
        if (index >= 0 && index < layout::kEntriesPerList) position[static_cast<std::size_t>(index)] = static_cast<int>(i);
    }
    std::vector<GivenBlocks> given(entries.size());
    for (std::size_t k = 0; k < walk.size(); ++k) {
        for (const int e : walk[k].entries) {
            if (e < 0 || e >= layout::kEntriesPerList || position[static_cast<std::size_t>(e)] < 0) continue;
            GivenBlocks& g = given[static_cast<std::size_t>(position[static_cast<std::size_t>(e)])];
            if (g.blocks++ == 0) g.first = k;
            g.last = k;
        }
    }
    return given;
}

std::vector<DamagedEntry> DamagedEntries(const BlockMap& map, const std::vector<ListEntry>& entries,
                                         const std::vector<GivenBlocks>& given, std::int64_t data) {
    // Blocks that no slot names are rare: the index is made only when there is one.
    std::optional<RowIndex> index;
    std::vector<std::vector<const MapPlace*>> unslotted(entries.size());
    for (const MapPlace& place : map.places) {
        if (place.kind != PlaceKind::Data || !place.slots.empty() || place.owner.empty()) continue;
        if (!index) index = PositionIndex(entries);
        for (const int i : index->Find(place.owner)) unslotted[static_cast<std::size_t>(i)].push_back(&place);
    }
    std::vector<DamagedEntry> damaged;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].InUse()) continue;
        const std::int64_t needed = BlocksNeeded(entries[i].size, data);
        const std::int64_t blocks = given[i].blocks;
        if (blocks < needed || (blocks == needed && needed > 0 && !unslotted[i].empty())) {
            damaged.push_back({i, blocks, needed, std::move(unslotted[i])});
        }
    }
    return damaged;
}

std::vector<DamagedEntry> DamagedEntries(const DumpOverview& overview, std::int64_t data) {
    const std::vector<GivenBlocks> given = BlocksGiven(overview.entries, OwnedBlocks(overview.map, overview.fat));
    return DamagedEntries(overview.map, overview.entries, given, data);
}

}  // namespace vesk
