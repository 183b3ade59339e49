#include "dump/fat_table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "base/error.h"
#include "hextext/hextext.h"

namespace vesk {

int WalkedSlots(std::int32_t size) {
    const std::int64_t slots = (static_cast<std::int64_t>(size) + 1) / 2;
    return static_cast<int>(std::clamp<std::int64_t>(slots, 1, layout::kFatSlots));
}

namespace {

// Whether all `n` bytes at `bytes` are FF, eight at a time: the compiler makes one wide compare
// of the AND of the words, and most of a FAT area is empty.
bool AllFF(const std::uint8_t* bytes, std::size_t n) {
    std::uint64_t all = ~std::uint64_t{0};
    for (std::size_t at = 0; at < n; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + at, sizeof word);
        all &= word;
    }
    return all == ~std::uint64_t{0};
}

}  // namespace

FatTable ReadFatTable(DumpReader& dump, FirmwareProfile& profile, const AddressTables& tables) {
    const std::int64_t fatAt = profile.Value(ProfileKey::Fat);
    const std::int32_t size = profile.Value(ProfileKey::FatSize);
    FatTable fat(WalkedSlots(size), size);
    std::vector<std::uint8_t> scratch;
    // A dump's slots hold a few different addresses: each is placed through [FIX] once.
    std::vector<std::pair<std::uint16_t, std::int8_t>> placed;
    const auto placeOf = [&](std::uint16_t key) {
        for (const auto& [known, place] : placed) {
            if (known == key) return place;
        }
        // [FIX1] plays no part here: a slot names a block of its own sector or nothing.
        const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key)};
        const std::optional<int> place = BlockPlaceOf(BytesToHexText(bytes), tables);
        const auto number = static_cast<std::int8_t>(place ? *place : -1);
        if (placed.size() < 64) placed.emplace_back(key, number);
        return number;
    };
    // Slots in runs of 16 (32 bytes): a run that is all empty is passed over whole.
    constexpr int kRun = 16;
    for (int s = 0; s < layout::kSectorCount; ++s) {
        // The areas lie 64 KiB apart: the next one is fetched while this one is read.
        for (std::int64_t line = 0; line < 2 * static_cast<std::int64_t>(fat.Slots()); line += 64) {
            dump.Prefetch(layout::SectorStart(s + 1) + fatAt + line);
        }
        std::span<const std::uint8_t> area;
        try {
            area = dump.View(layout::SectorStart(s) + fatAt, 2 * static_cast<std::int64_t>(fat.Slots()), true, scratch);
        } catch (const Error&) {
            fat.cutSector = s;
            fat.error = std::current_exception();
            break;
        }
        for (int run = 0; run < fat.Slots(); run += kRun) {
            const int end = std::min(run + kRun, fat.Slots());
            if (end - run == kRun && AllFF(area.data() + 2 * static_cast<std::size_t>(run), 2 * kRun)) continue;
            for (int n = run; n < end; ++n) {
                const std::size_t at = 2 * static_cast<std::size_t>(n);
                const auto key = static_cast<std::uint16_t>(area[at] << 8 | area[at + 1]);
                if (key == 0xFFFF) continue;
                fat.Put(n, s, FatSlot{{area[at], area[at + 1]}, placeOf(key)});
            }
        }
    }
    std::sort(fat.used.begin(), fat.used.end());
    return fat;
}

SlotOwners ReadSlotOwners(DumpReader& dump, const FatTable& fat, const TagReader& tags) {
    static_assert(layout::kFatSlots * layout::kSectorCount < 0xFFFF, "every slot's owner may differ");
    SlotOwners owners;
    owners.ids.resize(FatTable::Index(fat.Slots(), 0));
    std::unordered_map<std::string, std::uint16_t> known{{"", 0}};
    // Empty and unknown slots all read their sector's start: read it once per sector.
    std::vector<std::optional<std::uint16_t>> sectorStart(layout::kSectorCount);

    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const std::int64_t offset = fat.At(n, s).Offset();
            std::uint16_t& id = owners.ids[FatTable::Index(n, s)];
            std::optional<std::uint16_t>& start = sectorStart[static_cast<std::size_t>(s)];
            if (offset == 0 && start) {
                id = *start;
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
            const auto [it, added] = known.try_emplace(tags.Owner(dump, tagAt), static_cast<std::uint16_t>(owners.texts.size()));
            if (added) owners.texts.push_back(it->first);
            id = it->second;
            if (offset == 0) start = id;
        }
    }
    return owners;
}

}  // namespace vesk
