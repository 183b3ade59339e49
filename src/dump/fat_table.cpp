#include "dump/fat_table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

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
    // A dump's slots hold a few different addresses: each is placed through [FIX] once.
    std::vector<std::pair<std::array<std::uint8_t, 2>, std::optional<int>>> placed;
    const auto placeOf = [&](const std::array<std::uint8_t, 2>& bytes) {
        for (const auto& [known, place] : placed) {
            if (known == bytes) return place;
        }
        // [FIX1] plays no part here: a slot names a block of its own sector or nothing.
        const std::optional<int> place = BlockPlaceOf(BytesToHexText(bytes), tables);
        if (placed.size() < 64) placed.emplace_back(bytes, place);
        return place;
    };
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
            const std::size_t at = 2 * static_cast<std::size_t>(n);
            // Most of the 409 × 48 slots are empty, as every slot starts: four at a time.
            if (n + 4 <= fat.Slots()) {
                std::uint64_t four = 0;
                std::memcpy(&four, area.data() + at, sizeof four);
                if (four == ~std::uint64_t{0}) {
                    n += 3;
                    continue;
                }
            }
            const std::array<std::uint8_t, 2> bytes{area[at], area[at + 1]};
            if (bytes[0] == 0xFF && bytes[1] == 0xFF) continue;
            FatSlot& slot = fat.At(n, s);
            slot.bytes = bytes;
            if (const auto place = placeOf(bytes)) slot.place = static_cast<std::int8_t>(*place);
            fat.used.push_back(FatTable::Index(n, s));
        }
    }
    std::sort(fat.used.begin(), fat.used.end());
    return fat;
}

SlotOwners ReadSlotOwners(DumpReader& dump, const FatTable& fat, const TagReader& tags) {
    SlotOwners owners;
    owners.owners.resize(FatTable::Index(fat.Slots(), 0));
    // Empty and unknown slots all read their sector's start: read it once per sector.
    std::vector<std::optional<std::string>> sectorStart(layout::kSectorCount);

    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const std::int64_t offset = fat.At(n, s).Offset();
            std::string& owner = owners.owners[FatTable::Index(n, s)];
            if (offset == 0 && sectorStart[static_cast<std::size_t>(s)]) {
                owner = *sectorStart[static_cast<std::size_t>(s)];
                continue;
            }
            const std::int64_t tagAt = layout::SectorStart(s) + offset;
            if (std::optional<std::string> partial = tags.CutName(dump, tagAt)) {
                try {
                    tags.StrictOwner(dump, tagAt);
                } catch (const Error&) {
                    owners.cut = SlotOwners::Cut{n, s, std::move(*partial), std::current_exception()};
                    return owners;
                }
            }
            owner = tags.Owner(dump, tagAt);
            if (offset == 0) sectorStart[static_cast<std::size_t>(s)] = owner;
        }
    }
    return owners;
}

}  // namespace vesk
