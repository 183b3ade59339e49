#pragma once
// A firmware profile: program folder + firmware name + ".ini", read only. Numeric values are
// "0x" texts converted with HexAddrToDecStr; a value without the prefix complains once per
// command (each key is converted once, on first use) and its remainder still counts.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "config/ini_file.h"
#include "config/owner_tags.h"
#include "config/program_folder.h"
#include "hextext/hextext.h"

namespace vesk {

// The numeric keys, then the one word (AddrIs).
enum class ProfileKey { List, ToName, Name, Size, NameSize, FileNum, Group, Address, Fat, FatSize, ToData, Data, AddrIs, Count };

// The readers and the assembler read some keys with different defaults.
enum class ProfileUse { Reading, Building };

class FirmwareProfile {
public:
    FirmwareProfile(const ProgramFolder& folder, const std::string& firmware, ProfileUse use, Complain complain);

    // A numeric key's value as a signed 32-bit number (a huge "0x" value comes out negative).
    std::int32_t Value(ProfileKey key);
    // The key's text as the profile holds it (or the default), before conversion.
    std::string Text(ProfileKey key) const;
    // [FAT] AddrIs ("address" by default): what the readers take for a block's owner.
    OwnerTags Tags() const { return tags_; }

    // Section and key name, for messages that name a key.
    static std::string_view SectionName(ProfileKey key);
    static std::string_view KeyName(ProfileKey key);

private:
    IniFile ini_;
    ProfileUse use_;
    Complain complain_;
    OwnerTags tags_;
    std::array<std::optional<std::int32_t>, static_cast<std::size_t>(ProfileKey::AddrIs)> values_;
};

}  // namespace vesk
