#include "dump/firmware_profile.h"

#include <array>
#include <charconv>

namespace vesk {
namespace {

struct KeyInfo {
    std::string_view section;
    std::string_view key;
    std::string_view readingDefault;
    std::string_view buildingDefault;  // empty: the assembler never reads it
};

// The profile's keys, with the defaults of the readers and of the assembler.
constexpr std::array<KeyInfo, static_cast<std::size_t>(ProfileKey::Count)> kKeys = {{
    {"Offsets", "List", "0x00000001", "0"},
    {"Offsets", "ToName", "0", "0"},
    {"Offsets", "Name", "11", ""},
    {"Offsets", "Size", "0", "0"},
    {"Offsets", "NameSize", "0", "0"},
    {"Offsets", "FileNum", "0", "0"},
    {"Offsets", "group", "0", "0"},
    {"Offsets", "address", "0", "0"},
    {"FAT", "FAT", "0x0000050C", "0x0000050C"},
    {"FAT", "SIZE", "0x00000331", ""},
    {"FAT", "todata", "0x00000002", "0x00000002"},
    {"FAT", "data", "0x00000FFA", "0x00000FFA"},
    {"FAT", "AddrIs", "address", ""},  // the assembler reads it from vesk.ini
}};
// A key added to the enumeration without its row leaves the last row empty.
static_assert(kKeys.back().key == "AddrIs");

const KeyInfo& Info(ProfileKey key) { return kKeys[static_cast<std::size_t>(key)]; }

}  // namespace

FirmwareProfile::FirmwareProfile(const ProgramFolder& folder, const std::string& firmware, ProfileUse use,
                                 Complain complain)
    : ini_(folder.ProfileFile(firmware)), use_(use), complain_(std::move(complain)),
      tags_(ParseOwnerTags(Text(ProfileKey::AddrIs))) {}

std::string FirmwareProfile::Text(ProfileKey key) const {
    const KeyInfo& info = Info(key);
    // A key the assembler never reads keeps the reader's default there too.
    const std::string_view fallback =
        use_ == ProfileUse::Building && !info.buildingDefault.empty() ? info.buildingDefault : info.readingDefault;
    return ini_.ReadString(info.section, info.key, fallback);
}

std::int32_t FirmwareProfile::Value(ProfileKey key) {
    // The word is no number: converting "address" would complain about a value nobody wrote.
    if (key >= ProfileKey::AddrIs) return 0;
    auto& cached = values_[static_cast<std::size_t>(key)];
    if (!cached) {
        const std::string decimal = HexAddrToDecStr(Text(key), complain_);
        std::int32_t value = 0;
        std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
        cached = value;
    }
    return *cached;
}

std::string_view FirmwareProfile::SectionName(ProfileKey key) { return Info(key).section; }
std::string_view FirmwareProfile::KeyName(ProfileKey key) { return Info(key).key; }

}  // namespace vesk
