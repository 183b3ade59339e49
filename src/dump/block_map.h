#pragma once
// What every block place of a dump holds: erased flash, a file list, or data, with the FAT slots
// that name it, its owner tag and the entries of a chosen list that the tag belongs to (matched
// as unpacking matches them: by name or by address).
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/dump_tables.h"
#include "dump/fat_table.h"
#include "dump/file_list.h"
#include "dump/list_scan.h"
#include "dump/owner_tag.h"

namespace vesk {

enum class PlaceKind {
    Erased,   // all 4096 bytes 0xFF
    List,     // a sector's list address names it
    Data,     // anything else
    Missing,  // not wholly inside the file: a dump shorter than its 48 sectors
};

// One place of the map. Its slot numbers and owners are views into the map's own two arrays,
// so a map of 720 places makes two allocations, not two per place.
struct MapPlace {
    int sector = 0;
    int place = 0;                    // 0 to 14
    std::int64_t offset = 0;          // absolute position in the dump
    PlaceKind kind = PlaceKind::Erased;
    std::optional<std::size_t> list;  // the list it holds: an index into ListScan::lists
    std::span<const int> slots;       // slot numbers of its own sector's FAT that name it
    std::string owner;                // owner text of a data place's tag, "" for none
    std::span<const int> entries;     // ListEntry::index of each chosen entry that owns it
};

// A slot that is not empty and whose address names no block place.
struct UnnamedSlot {
    int slot = 0;
    int sector = 0;
    std::string address;
};

// Moved, never copied: the places' views point into slotNumbers_ and owners_.
struct BlockMap {
    BlockMap() = default;
    BlockMap(BlockMap&&) = default;
    BlockMap& operator=(BlockMap&&) = default;
    BlockMap(const BlockMap&) = delete;
    BlockMap& operator=(const BlockMap&) = delete;

    std::vector<MapPlace> places;  // sector by sector, 15 places each
    std::vector<UnnamedSlot> unnamed;
    int slots = 0;                 // slot numbers walked ([FAT] SIZE)

    const MapPlace& At(int sector, int place) const { return places[Index(sector, place)]; }
    MapPlace& At(int sector, int place) { return places[Index(sector, place)]; }
    static std::size_t Index(int sector, int place) {
        return static_cast<std::size_t>(sector) * layout::kBlockPlaces + static_cast<std::size_t>(place);
    }

private:
    friend BlockMap MapBlocks(DumpReader&, const ListScan&, const FatTable&, const std::vector<ListEntry>&,
                              const TagReader&);
    std::vector<int> slotNumbers_;  // every place's slots, place after place
    std::vector<int> owners_;       // every place's entries, place after place
};

BlockMap MapBlocks(DumpReader& dump, const ListScan& scan, const FatTable& fat, const std::vector<ListEntry>& chosen,
                   const TagReader& tags);

// Everything of one dump file that the map needs, read with the program folder's settings and
// the named firmware's profile: the whole scan (it goes on past unknown addresses), the chosen
// list (the given position, else the one "Открыть" selects; none when there is no list) and its
// entries, the FAT table and the map.
struct DumpOverview {
    ListScan scan;
    std::optional<std::int64_t> chosenList;
    std::vector<ListEntry> entries;
    // A chosen list that the end of the dump cuts: `entries` holds the whole records before the
    // cut, and this what the failed read threw.
    std::exception_ptr entriesError;
    FatTable fat{0, 0};
    BlockMap map;
};
// On a dump already open, with the command's profile and tables; a cut list stays in
// entriesError. A FAT area outside any dump throws.
DumpOverview ReadDumpOverview(DumpReader& dump, FirmwareProfile& profile, const DumpTables& tables,
                              std::optional<std::int64_t> list = std::nullopt);
// The same on a dump file; a cut list throws its read error.
DumpOverview ReadDumpOverview(const std::string& path, const ProgramFolder& folder, const std::string& firmware,
                            const Complain& complain, std::optional<std::int64_t> list = std::nullopt);

}  // namespace vesk
