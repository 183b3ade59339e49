#include "dump/fat_table.h"

#include <algorithm>

#include "base/error.h"
#include "hextext/hextext.h"

namespace vesk {

int WalkedSlots(std::int32_t size) {
    const std::int64_t slots = (static_cast<std::int64_t>(size) + 1) / 2;
    return static_cast<int>(std::clamp<std::int64_t>(slots, 1, layout::kFatSlots));
}

FatTable ReadFatTable(DumpReader& dump, FirmwareProfile& profile, const AddressTables& tables) {
    const std::int64_t fatAt = profile.Value(ProfileKey::Fat);
    const std::int32_t size = profile.Value(ProfileKey::FatSize);
    FatTable fat(WalkedSlots(size), size);
    std::vector<std::uint8_t> scratch;
    for (int s = 0; s < layout::kSectorCount; ++s) {
        std::span<const std::uint8_t> area;
        try {
            area = dump.View(layout::SectorStart(s) + fatAt, 2 * static_cast<std::int64_t>(fat.Slots()), true, scratch);
        } catch (const Error&) {
            fat.cutSector = s;
            fat.error = std::current_exception();
            break;
        }
        for (int n = 0; n < fat.Slots(); ++n) {
            FatSlot& slot = fat.At(n, s);
            slot.address = BytesToHexText(area.subspan(2 * static_cast<std::size_t>(n), 2));
            // [FIX1] plays no part here: a slot names a block of its own sector or nothing.
            if (!slot.Empty()) slot.place = BlockPlaceOf(slot.address, tables);
        }
    }
    return fat;
}

OwnerTags ReadOwnerTags(DumpReader& dump, const FatTable& fat, const std::string& addrIs, const NameDecoder* kod) {
    const bool byName = addrIs == "name" && kod;
    const bool byAddress = addrIs == "address";
    OwnerTags tags;
    tags.owners.resize(FatTable::Index(fat.Slots(), 0));
    std::vector<std::uint8_t> scratch;
    // Empty and unknown slots all read their sector's start: read it once per sector.
    std::vector<std::optional<std::string>> sectorStart(layout::kSectorCount);

    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const std::int64_t offset = fat.At(n, s).Offset();
            std::string& owner = tags.owners[FatTable::Index(n, s)];
            if (offset == 0 && sectorStart[static_cast<std::size_t>(s)]) {
                owner = *sectorStart[static_cast<std::size_t>(s)];
                continue;
            }
            const std::int64_t tagAt = layout::SectorStart(s) + offset;
            if (byName) {
                // The tag's bytes that lie in the dump are decoded; a byte past its end fails.
                const std::int64_t available = dump.Available(tagAt, layout::kOwnerNameLength);
                if (available > 0) owner = kod->Decode(dump.View(tagAt, available, false, scratch));
                if (available < layout::kOwnerNameLength) {
                    try {
                        dump.ByteAt(tagAt + available);
                    } catch (const Error&) {
                        tags.cut = OwnerTags::Cut{n, s, owner, std::current_exception()};
                        owner.clear();
                        return tags;
                    }
                }
            } else if (byAddress) {
                owner = BytesToHexText(dump.View(tagAt, 2, true, scratch));
                if (owner == layout::kOwnerless) owner.clear();
            }
            if (offset == 0) sectorStart[static_cast<std::size_t>(s)] = owner;
        }
    }
    return tags;
}

}  // namespace vesk
