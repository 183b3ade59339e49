#include "inspect/inspection.h"

#include <array>
#include <charconv>

#include "base/error.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "dump/name_decoding.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

// The places that the two bytes before each found list's address name.
std::vector<bool> Companions(DumpReader& dump, FirmwareProfile& profile, const AddressTables& tables, const ListScan& scan) {
    std::vector<bool> companions(BlockMap::Index(layout::kSectorCount, 0), false);
    // In 64 bits: the lowest List value a profile can give has no two bytes before it in 32.
    const std::int64_t at = std::int64_t{profile.Value(ProfileKey::List)} - 2;
    if (at < 0) return companions;
    std::vector<std::uint8_t> scratch;
    for (const FoundList& list : scan.lists) {
        const std::int64_t position = layout::SectorStart(list.sector) + at;
        if (dump.Available(position, 2) < 2) continue;
        const auto bytes = dump.View(position, 2, false, scratch);
        if (const auto place = BlockPlaceOf(BytesToHexText(bytes), tables)) {
            companions[BlockMap::Index(list.sector, *place)] = true;
        }
    }
    return companions;
}

BlockKind KindOf(const MapPlace& place, bool companion) {
    switch (place.kind) {
    case PlaceKind::Erased: return BlockKind::Erased;
    case PlaceKind::List: return BlockKind::List;
    case PlaceKind::Missing: return BlockKind::Missing;
    case PlaceKind::Data: break;
    }
    if (!place.entries.empty()) return BlockKind::File;
    // A slot that names it makes it a file's block in the FAT; a tag that names an owner makes
    // it one by its own account. Either way no file of the chosen list has it.
    if (!place.slots.empty()) return BlockKind::Orphan;
    if (!place.owner.empty() && !companion) return BlockKind::Orphan;
    return BlockKind::Data;
}

}  // namespace

std::string_view BlockKindName(BlockKind kind) {
    switch (kind) {
    case BlockKind::Erased: return "erased";
    case BlockKind::List: return "list";
    case BlockKind::File: return "file";
    case BlockKind::Orphan: return "orphan";
    case BlockKind::Data: return "data";
    case BlockKind::Missing: return "missing";
    }
    return "data";
}

std::optional<int> Inspection::EntryRow(const MapPlace& place) const {
    if (place.entries.empty()) return std::nullopt;
    return place.entries.front() + 1;
}

bool Inspection::CurrentList(const MapPlace& place) const {
    return place.list && overview.scan.lists[*place.list].Current();
}

const ListEntry* Inspection::Entry(int row) const {
    const auto i = static_cast<std::size_t>(row - 1);
    return row >= 1 && i < overview.entries.size() ? &overview.entries[i] : nullptr;
}

Inspection Inspect(DumpReader& dump, FirmwareProfile& profile, const DumpTables& tables, std::optional<std::int64_t> list) {
    Inspection in;
    in.overview = ReadDumpOverview(dump, profile, tables, list);
    in.dumpSize = dump.Size();
    in.tags = profile.Tags();
    in.toData = profile.Value(ProfileKey::ToData);
    in.data = profile.Value(ProfileKey::Data);
    in.companions = Companions(dump, profile, tables.address, in.overview.scan);
    const BlockMap& map = in.overview.map;
    in.kinds.reserve(map.places.size());
    for (std::size_t i = 0; i < map.places.size(); ++i) in.kinds.push_back(KindOf(map.places[i], in.companions[i]));

    const NameDecoder& kod = tables.kod;
    in.undecodable.resize(in.overview.entries.size());
    for (std::size_t i = 0; i < in.overview.entries.size(); ++i) {
        const ListEntry& entry = in.overview.entries[i];
        if (!entry.InUse()) continue;
        for (const char c : entry.nameBytes) {
            const auto byte = static_cast<std::uint8_t>(c);
            if (kod.Undecodable(byte)) in.undecodable[i].push_back(byte);
        }
    }
    return in;
}

Inspection InspectDumpFile(const std::string& path, const ProgramFolder& folder, const std::string& firmware,
                           const Complain& complain, std::optional<std::int64_t> list) {
    FirmwareProfile profile(folder, firmware, ProfileUse::Reading, complain);
    DumpReader dump(path);
    return Inspect(dump, profile, DumpTables(Settings(folder)), list);
}

}  // namespace vesk
