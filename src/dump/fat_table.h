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

// Four bytes a slot: the table holds 409 × 48 of them, and walking or freeing a table of texts
// cost more than reading the dump.
struct FatSlot {
    std::array<std::uint8_t, 2> bytes{0xFF, 0xFF};  // as the dump holds them; FF FF is empty
    std::optional<std::int8_t> place;                // the block place of its sector that they name
    bool Empty() const { return bytes[0] == 0xFF && bytes[1] == 0xFF; }
    // The slot's BlockAddress text ("FFFF" for an empty one).
    std::string Address() const { return BytesToHexText(bytes); }
    // The block the slot names, as an offset in its sector: 0 for an empty or unknown address,
    // whose owner is then read at the sector's start.
    std::int64_t Offset() const { return place ? layout::BlockPlaceOffset(*place) : 0; }
};

// Slot n of sector s for n below `slots`, the walk's extent by [FAT] SIZE.
class FatTable {
public:
    FatTable(int slots, std::int64_t size) : slots_(slots), size_(size), cells_(Index(slots, 0)) {}

    int Slots() const { return slots_; }
    // [FAT] SIZE as the profile gives it (the progress of the owner pass runs to it).
    std::int64_t SizeValue() const { return size_; }
    FatSlot& At(int slot, int sector) { return cells_[Index(slot, sector)]; }
    const FatSlot& At(int slot, int sector) const { return cells_[Index(slot, sector)]; }

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
    int slots_;
    std::int64_t size_;
    std::vector<FatSlot> cells_;
};

// The number of slots the walk takes for [FAT] SIZE: columns 2, 4, 6, … until the first one not
// below SIZE, never more than 409 (the FAT area's slots, and FatGrid's columns for them).
int WalkedSlots(std::int32_t size);

// The map pass: every slot of every sector. Bytes past the end of a short dump read as erased.
FatTable ReadFatTable(DumpReader& dump, FirmwareProfile& profile, const AddressTables& tables);

// The owner pass: for each slot (slot number first, sector second) the owner text of the block
// it names, "" for none, as the tag reader reads it (owner_tag.h).
struct SlotOwners {
    std::vector<std::string> owners;  // by FatTable::Index
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
