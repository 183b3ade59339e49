#include "dump/block_map.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "config/settings.h"
#include "dump/file_contents.h"
#include "dump/layout.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

// A place at a time against a page of erased flash: the C library's memcmp uses the widest
// vectors the processor has, and a place of data usually differs in its first bytes (its owner
// tag). A byte loop over the 3 MiB of a mostly erased dump would cost more than reading it.
bool AllErased(std::span<const std::uint8_t> bytes) {
    static const std::array<std::uint8_t, 4096> kErased = [] {
        std::array<std::uint8_t, 4096> erased;
        erased.fill(0xFF);
        return erased;
    }();
    for (std::size_t at = 0; at < bytes.size(); at += kErased.size()) {
        const std::size_t n = std::min(kErased.size(), bytes.size() - at);
        if (std::memcmp(bytes.data() + at, kErased.data(), n) != 0) return false;
    }
    return true;
}

}  // namespace

BlockMap MapBlocks(DumpReader& dump, const ListScan& scan, const FatTable& fat, const std::vector<ListEntry>& chosen,
                   const TagReader& tags) {
    BlockMap map;
    map.slots = fat.Slots();
    map.places.resize(BlockMap::Index(layout::kSectorCount, 0));
    std::vector<std::uint8_t> scratch;
    for (int s = 0; s < layout::kSectorCount; ++s) {
        for (int k = 0; k < layout::kBlockPlaces; ++k) {
            MapPlace& place = map.At(s, k);
            place.sector = s;
            place.place = k;
            place.offset = layout::SectorStart(s) + layout::BlockPlaceOffset(k);
            if (dump.Available(place.offset, layout::kBlockPitch) < layout::kBlockPitch) {
                place.kind = PlaceKind::Missing;
            } else if (AllErased(dump.View(place.offset, layout::kBlockPitch, false, scratch))) {
                place.kind = PlaceKind::Erased;
            } else {
                place.kind = PlaceKind::Data;
            }
        }
    }
    for (std::size_t i = 0; i < scan.lists.size(); ++i) {
        MapPlace& place = map.At(scan.lists[i].sector, scan.lists[i].place);
        place.kind = PlaceKind::List;
        place.list = i;
    }
    // Slots a sector's FAT walk reads, in slot order; only a sector the map pass read whole.
    for (const std::size_t cell : fat.used) {
        const int n = static_cast<int>(cell / layout::kSectorCount);
        const int s = static_cast<int>(cell % layout::kSectorCount);
        const FatSlot& slot = fat.At(n, s);
        if (!slot.place) {
            map.unnamed.push_back({n, s, slot.Address()});
            continue;
        }
        map.At(s, *slot.place).slots.push_back(n);
    }
    const RowIndex index = EntryIndex(chosen);
    for (MapPlace& place : map.places) {
        if (place.kind != PlaceKind::Data) continue;
        place.owner = tags.Owner(dump, place.offset);
        if (place.slots.empty()) continue;
        const std::span<const int> rows = index.Find(place.owner);
        place.entries.assign(rows.begin(), rows.end());
    }
    return map;
}

DumpOverview ReadDumpOverview(DumpReader& dump, FirmwareProfile& profile, const DumpTables& tables,
                              std::optional<std::int64_t> list) {
    DumpOverview overview;
    overview.scan = ScanLists(dump, profile, tables.address, ScanEnd::WholeDump);
    overview.chosenList = list;
    if (!list && overview.scan.Selected()) overview.chosenList = overview.scan.Selected()->position;
    if (overview.chosenList) {
        FileListRead read = ReadEntries(dump, ReadEntryLayout(profile, *overview.chosenList), tables.kod, tables.groups);
        overview.entries = std::move(read.entries);
        overview.entriesError = read.error;
    }
    overview.fat = ReadFatTable(dump, profile, tables.address);
    if (overview.fat.error) std::rethrow_exception(overview.fat.error);
    overview.map = MapBlocks(dump, overview.scan, overview.fat, overview.entries, TagReader(profile.Tags(), tables.kod));
    return overview;
}

DumpOverview ReadDumpOverview(const std::string& path, const ProgramFolder& folder, const std::string& firmware,
                              const Complain& complain, std::optional<std::int64_t> list) {
    FirmwareProfile profile(folder, firmware, ProfileUse::Reading, complain);
    DumpReader dump(path);
    DumpOverview overview = ReadDumpOverview(dump, profile, DumpTables(Settings(folder)), list);
    if (overview.entriesError) std::rethrow_exception(overview.entriesError);
    return overview;
}

}  // namespace vesk
