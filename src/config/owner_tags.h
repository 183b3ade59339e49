#pragma once
// What marks a data block as a file's: [FAT] AddrIs, which the assembler reads from vesk.ini and
// the readers from the firmware profile. Each reads the word once and works with this value;
// the words match exactly, case included.
#include <string_view>

namespace vesk {

enum class OwnerTags {
    Address,  // "address": the file's 2-byte address (its list entry's)
    Name,     // "name": the file's name, 11 bytes
    None,     // any other word: no block is written, and no block has an owner
};

OwnerTags ParseOwnerTags(std::string_view word);

}  // namespace vesk
