#include "dump/block_map.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

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

// How many places ahead the scan asks for a place's first bytes.
constexpr int kPrefetchAhead = 4;

}  // namespace

BlockMap MapBlocks(DumpReader& dump, const ListScan& scan, const FatTable& fat, const std::vector<ListEntry>& chosen,
                   const TagReader& tags) {
    BlockMap map;
    map.slots = fat.Slots();
    map.places.reserve(BlockMap::Index(layout::kSectorCount, 0));
    std::vector<std::uint8_t> scratch;
    for (int s = 0; s < layout::kSectorCount; ++s) {
        for (int k = 0; k < layout::kBlockPlaces; ++k) {
            const std::int64_t offset = layout::SectorStart(s) + layout::BlockPlaceOffset(k);
            dump.Prefetch(offset + kPrefetchAhead * layout::kBlockPitch);
            PlaceKind kind = PlaceKind::Data;
            if (dump.Available(offset, layout::kBlockPitch) < layout::kBlockPitch) {
                kind = PlaceKind::Missing;
            } else if (AllErased(dump.View(offset, layout::kBlockPitch, false, scratch))) {
                kind = PlaceKind::Erased;
            }
            MapPlace& place = map.places.emplace_back();
            place.sector = s;
            place.place = k;
            place.offset = offset;
            place.kind = kind;
            // The tag is read while the compare has just brought the place's first bytes in: a
            // pass of its own over 400 places afterwards waited on memory for each.
            if (kind == PlaceKind::Data) place.owner = tags.Owner(dump, offset);
        }
    }
    for (std::size_t i = 0; i < scan.lists.size(); ++i) {
        MapPlace& place = map.At(scan.lists[i].sector, scan.lists[i].place);
        place.kind = PlaceKind::List;
        place.list = i;
        place.owner.clear();
    }
    // Slots a sector's FAT walk reads, in slot order; only a sector the map pass read whole.
    // Counted per place first, so that each place's slot numbers lie together in one array.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> slotRange(map.places.size());  // start, count
    for (const std::size_t cell : fat.used) {
        const int n = static_cast<int>(cell / layout::kSectorCount);
        const int s = static_cast<int>(cell % layout::kSectorCount);
        const FatSlot& slot = fat.At(n, s);
        if (!slot.Place()) {
            map.unnamed.push_back({n, s, slot.Address()});
            continue;
        }
        ++slotRange[BlockMap::Index(s, *slot.Place())].second;
    }
    std::uint32_t next = 0;
    for (auto& [start, count] : slotRange) start = std::exchange(next, next + count);
    map.slotNumbers_.resize(next);
    std::vector<std::uint32_t> filled(map.places.size(), 0);
    for (const std::size_t cell : fat.used) {
        const int n = static_cast<int>(cell / layout::kSectorCount);
        const int s = static_cast<int>(cell % layout::kSectorCount);
        if (const std::optional<int> place = fat.At(n, s).Place()) {
            const std::size_t i = BlockMap::Index(s, *place);
            map.slotNumbers_[slotRange[i].first + filled[i]++] = n;
        }
    }
    const RowIndex index = EntryIndex(chosen);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ownerRange(map.places.size());
    // A file's blocks mostly stand one after another: a run of one owner is looked up once.
    const std::string* lastOwner = nullptr;
    std::span<const int> lastRows;
    for (std::size_t i = 0; i < map.places.size(); ++i) {
        MapPlace& place = map.places[i];
        place.slots = std::span<const int>(map.slotNumbers_).subspan(slotRange[i].first, slotRange[i].second);
        if (place.kind != PlaceKind::Data || place.slots.empty()) continue;
        if (!lastOwner || *lastOwner != place.owner) lastRows = index.Find(place.owner);
        lastOwner = &place.owner;
        const std::span<const int> rows = lastRows;
        ownerRange[i] = {static_cast<std::uint32_t>(map.owners_.size()), static_cast<std::uint32_t>(rows.size())};
        map.owners_.insert(map.owners_.end(), rows.begin(), rows.end());
    }
    // Views into owners_ only once it has stopped growing.
    for (std::size_t i = 0; i < map.places.size(); ++i) {
        map.places[i].entries = std::span<const int>(map.owners_).subspan(ownerRange[i].first, ownerRange[i].second);
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
