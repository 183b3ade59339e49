#pragma once
// A look inside a dump, beyond what the reading commands show: what every block place holds as
// the map shows it, with what the check and the recovery need besides. Read once per command
// through the typed readers of dump/ (ReadDumpOverview), never from grid text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/program_folder.h"
#include "config/settings.h"
#include "dump/block_map.h"
#include "dump/dump_reader.h"
#include "dump/firmware_profile.h"
#include "dump/list_scan.h"

namespace vesk {

// What a block place holds.
enum class BlockKind {
    Erased,   // all 4096 bytes 0xFF
    List,     // a sector's list address names it
    File,     // a block of an entry of the chosen list: a slot names it and its tag is the entry's
    Orphan,   // data that no entry of the chosen list owns, which a slot names or whose tag names an owner
    Data,     // other data: no slot names it and its tag names no owner, or it is a list's companion
    Missing,  // not wholly inside the file: a dump shorter than its 48 sectors
};
// "erased", "list", "file", "orphan", "data", "missing": the names of the JSON map.
std::string_view BlockKindName(BlockKind kind);

struct Inspection {
    DumpOverview overview;
    std::int64_t dumpSize = 0;
    OwnerTags tags = OwnerTags::Address;  // the profile's [FAT] AddrIs
    std::int64_t toData = 0;  // [FAT] todata and data, as unpacking reads them
    std::int64_t data = 0;
    std::vector<BlockKind> kinds;  // by BlockMap::Index
    // The block place that the two bytes before a list address name (the builder writes "C2E0"
    // there, for the block after the list): not a file's, so never an orphan. By BlockMap::Index.
    std::vector<bool> companions;
    // For each entry of the chosen list (by position in overview.entries), the name bytes that
    // [KOD] neither maps nor leaves readable, in the order they stand.
    std::vector<std::vector<std::uint8_t>> undecodable;

    const BlockMap& Map() const { return overview.map; }
    BlockKind KindAt(int sector, int place) const { return kinds[BlockMap::Index(sector, place)]; }
    // The row on "Список" (from 1) of the first entry that owns the place, for a file's block.
    std::optional<int> EntryRow(const MapPlace& place) const;
    // For a list place: whether its sector's list state byte marks the current list.
    bool CurrentList(const MapPlace& place) const;
    const ListEntry* Entry(int row) const;
};

// Reads everything on a dump already open. `list`: the chosen list's position, else the one
// "Открыть" selects (the scan goes on past unknown addresses). A chosen list cut by the end of the
// dump keeps the records before the cut (overview.entriesError).
Inspection Inspect(DumpReader& dump, FirmwareProfile& profile, const DumpTables& tables,
                   std::optional<std::int64_t> list = std::nullopt);
// The same on a dump file with the program folder's settings and the named firmware's profile.
Inspection InspectDumpFile(const std::string& path, const ProgramFolder& folder, const std::string& firmware,
                           const Complain& complain, std::optional<std::int64_t> list = std::nullopt);

}  // namespace vesk
