#include "config/settings.h"

#include <array>
#include <string_view>
#include <unordered_map>

namespace vesk {
namespace {

struct KeyInfo {
    std::string_view section;
    std::string_view key;       // empty: the caller names the key (a table section)
    std::string_view fallback;
};

// Every key of vesk.ini with its default; nothing else spells them.
enum Key { kX, kY, kFiles, kFirmwares, kFix, kFix1, kKod, kGroup, kExt, kGroup1, kSystemFiles, kHex, kAddrIs, kAddress, kKeyCount };
constexpr std::array<KeyInfo, kKeyCount> kKeys = {{
    {"Temp", "X", "100"},
    {"Temp", "Y", "100"},
    {"Temp", "Files", ""},
    {"Firmwares", "", ""},
    {"FIX", "", "20"},
    {"FIX1", "", "FFFF"},
    {"KOD", "", ""},
    {"GROUP", "", ""},
    {"EXT", "", ".bin"},
    {"GROUP1", "", "01"},
    {"Files", "", ""},
    {"HEX", "", ""},
    {"FAT", "AddrIs", "address"},
    {"Address", "", ""},
}};
// A key added to the enumeration without its row, or a row without its key, does not compile.
static_assert(kKeys.back().section == "Address");

constexpr int kMaxFirmwares = 100;

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

Settings::Settings(const ProgramFolder& folder) : ini_(folder.SettingsFile()) {}

std::int32_t Settings::WindowX() const {
    return ini_.ReadInteger(kKeys[kX].section, kKeys[kX].key, 100);
}
std::int32_t Settings::WindowY() const {
    return ini_.ReadInteger(kKeys[kY].section, kKeys[kY].key, 100);
}
std::string Settings::UnpackFolder() const {
    return ini_.ReadString(kKeys[kFiles].section, kKeys[kFiles].key, kKeys[kFiles].fallback);
}
void Settings::WriteWindowPosition(std::int32_t x, std::int32_t y) {
    ini_.WriteInteger(kKeys[kX].section, kKeys[kX].key, x);
    ini_.WriteInteger(kKeys[kY].section, kKeys[kY].key, y);
}
void Settings::WriteUnpackFolder(const std::string& folder) {
    ini_.WriteString(kKeys[kFiles].section, kKeys[kFiles].key, folder);
}

std::string Settings::Fix(const std::string& pair) const {
    return ini_.ReadString(kKeys[kFix].section, pair, kKeys[kFix].fallback);
}
std::string Settings::Fix1(const std::string& address) const {
    return ini_.ReadString(kKeys[kFix1].section, address, kKeys[kFix1].fallback);
}
std::string Settings::Kod(const std::string& key) const {
    return ini_.ReadString(kKeys[kKod].section, key, kKeys[kKod].fallback);
}
std::string Settings::Group(const std::string& key) const {
    return ini_.ReadString(kKeys[kGroup].section, key, kKeys[kGroup].fallback);
}
std::string Settings::Ext(const std::string& key) const {
    return ini_.ReadString(kKeys[kExt].section, key, kKeys[kExt].fallback);
}
std::string Settings::Group1(const std::string& key) const {
    return ini_.ReadString(kKeys[kGroup1].section, key, kKeys[kGroup1].fallback);
}
std::string Settings::SystemFile(int n) const {
    return ini_.ReadString(kKeys[kSystemFiles].section, std::to_string(n), kKeys[kSystemFiles].fallback);
}
std::vector<std::string> Settings::SystemFiles() const {
    std::unordered_map<std::string, std::string> byKey;
    // emplace keeps the first value of a key, as a lookup in the file would.
    for (auto& [key, value] : ini_.ReadSection(kKeys[kSystemFiles].section)) byKey.emplace(key, std::move(value));
    std::vector<std::string> files;
    for (int n = 1;; ++n) {
        const auto it = byKey.find(std::to_string(n));
        std::string value = it == byKey.end() ? std::string(kKeys[kSystemFiles].fallback) : it->second;
        if (n > 1 && value.empty()) break;
        files.push_back(std::move(value));
    }
    return files;
}

std::string Settings::Hex(const std::string& key) const {
    return ini_.ReadString(kKeys[kHex].section, key, kKeys[kHex].fallback);
}
OwnerTags Settings::FatOwnerTags() const {
    return ParseOwnerTags(ini_.ReadString(kKeys[kAddrIs].section, kKeys[kAddrIs].key, kKeys[kAddrIs].fallback));
}
std::string Settings::Address(const std::string& offset, const std::string& fallback) const {
    return ini_.ReadString(kKeys[kAddress].section, offset, fallback);
}

std::map<std::string, std::string> Settings::Table(const std::string& section) const {
    std::map<std::string, std::string> table;
    // emplace keeps the first value of a key, as a lookup in the file would.
    for (auto& [key, value] : ini_.ReadSection(section)) table.emplace(Upper(key), std::move(value));
    return table;
}

std::string UnpackFolderWithDefault(Settings& settings, const ProgramFolder& folder) {
    std::string value = settings.UnpackFolder();
    if (!value.empty()) return value;
    settings.WriteUnpackFolder(folder.Files());
    return settings.UnpackFolder();
}

std::vector<std::string> FirmwareNames(const Settings& settings) {
    const std::string_view section = kKeys[kFirmwares].section;
    std::vector<std::string> names;
    // Key 1 is offered even when empty; after it the list ends at the first gap.
    names.push_back(settings.Ini().ReadString(section, "1", ""));
    for (int n = 2; n <= kMaxFirmwares; ++n) {
        std::string name = settings.Ini().ReadString(section, std::to_string(n), "");
        if (name.empty()) break;
        names.push_back(std::move(name));
    }
    return names;
}

std::string StartupFirmware(const std::vector<std::string>& names) { return names.size() >= 2 ? names[1] : std::string(); }

std::string StartupFirmware(const Settings& settings) { return StartupFirmware(FirmwareNames(settings)); }

}  // namespace vesk
