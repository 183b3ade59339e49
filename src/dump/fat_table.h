#pragma once
// The FAT areas of the 48 sectors and the owner tags of the blocks their slots name: the map
// and owner passes of "Распаковка", which keeps them in FatGrid, and the ground of the block map.
#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "dump/dump_reader.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "dump/owner_tag.h"
#include "hextext/hextext.h"

namespace vesk {

// Four bytes a slot: walking or freeing a table of texts cost more than reading the dump.
struct FatSlot {
    std::array<std::uint8_t, 2> bytes{0xFF, 0xFF};  // as the dump holds them; FF FF is empty
    std::int8_t placeNumber = -1;                    // the block place of its sector they name, -1 none
    bool Empty() const { return bytes[0] == 0xFF && bytes[1] == 0xFF; }
    // The block place of its sector that the slot names, if any.
    std::optional<int> Place() const { return placeNumber < 0 ? std::nullopt : std::optional<int>(placeNumber); }
    // The slot's BlockAddress text ("FFFF" for an empty one).
    std::string Address() const { return BytesToHexText(bytes); }
    // The block the slot names, as an offset in its sector: 0 for an empty or unknown address,
    // whose owner is then read at the sector's start.
    std::int64_t Offset() const { return placeNumber < 0 ? 0 : layout::BlockPlaceOffset(placeNumber); }
};

// Slot n of sector s for n below `slots`, the walk's extent by [FAT] SIZE.
class FatTable {
public:
    FatTable(int slots, std::int64_t size) : slots_(slots), size_(size), where_(Index(slots, 0)) {}

    int Slots() const { return slots_; }
    // [FAT] SIZE as the profile gives it (the progress of the owner pass runs to it).
    std::int64_t SizeValue() const { return size_; }
    const FatSlot& At(int slot, int sector) const {
        const std::uint16_t k = where_[Index(slot, sector)];
        return k == 0 ? kEmpty : named_[k - 1];
    }
    // Records the slot that is not empty at a cell not recorded before (the map pass).
    void Put(int slot, int sector, const FatSlot& value) {
        named_.push_back(value);
        where_[Index(slot, sector)] = static_cast<std::uint16_t>(named_.size());
        used.push_back(Index(slot, sector));
    }

    // A FAT area that lies outside any dump (a profile's [FAT] FAT far too large): the sector
    // whose area could not be read, and what was thrown. Its slots and those after stay empty.
    std::optional<int> cutSector;
    std::exception_ptr error;

    // The cells whose slot is not empty, by Index: in the walk's order, slot first, then sector.
    // A dump uses a few hundred of the 19,632; walks that skip empty slots go through these.
    std::vector<std::size_t> used;

    static std::size_t Index(int slot, int sector) {
        return static_cast<std::size_t>(slot) * layout::kSectorCount + static_cast<std::size_t>(sector);
    }

private:
    static constexpr FatSlot kEmpty{};
    static_assert(layout::kFatSlots * layout::kSectorCount < 0xFFFF, "a cell's position fits where_");

    int slots_;
    std::int64_t size_;
    // Only the slots that are not empty are held: each cell says where its slot is in named_,
    // from 1, or 0 for an empty one. A table starts as one cleared array, not 19,632 slots.
    std::vector<std::uint16_t> where_;
    std::vector<FatSlot> named_;
};

// The number of slots the walk takes for [FAT] SIZE: columns 2, 4, 6, … until the first one not
// below SIZE, never more than 409 (the FAT area's slots, and FatGrid's columns for them).
int WalkedSlots(std::int32_t size);

// The map pass: every slot of every sector. Bytes past the end of a short dump read as erased.
FatTable ReadFatTable(DumpReader& dump, FirmwareProfile& profile, const AddressTables& tables);

// The owner pass: for each slot (slot number first, sector second) the owner text of the block
// it names, "" for none, as the tag reader reads it (owner_tag.h). The texts repeat (a file's
// blocks, and every empty slot of a sector names its start), so each is held once.
struct SlotOwners {
    std::vector<std::uint16_t> ids;      // by FatTable::Index, into texts
    std::vector<std::string> texts{""};  // each owner text once, "" first
    const std::string& Owner(int slot, int sector) const { return texts[ids[FatTable::Index(slot, sector)]]; }
    // A name tag that runs past the end of the dump: the slot and sector it stopped at, with the
    // name as far as it was read, and what was thrown. Owners after it are not read.
    struct Cut {
        int slot = 0;
        int sector = 0;
        std::string partial;
        std::exception_ptr error;
    };
    std::optional<Cut> cut;
};
SlotOwners ReadSlotOwners(DumpReader& dump, const FatTable& fat, const TagReader& tags);

}  // namespace vesk
