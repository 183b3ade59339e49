#pragma once
// The settings file vesk.ini: the one place that spells its sections and keys.
// Nothing is cached: a command constructs Settings when it starts, which reads the file once.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "config/owner_tags.h"
#include "config/program_folder.h"

namespace vesk {

class Settings {
public:
    explicit Settings(const ProgramFolder& folder);

    // [Temp]
    std::int32_t WindowX() const;  // X, default 100
    std::int32_t WindowY() const;  // Y, default 100
    std::string UnpackFolder() const;  // Files, default empty
    void WriteWindowPosition(std::int32_t x, std::int32_t y);
    void WriteUnpackFolder(const std::string& folder);

    // [FIX] NN -> two hex digits, default "20"
    std::string Fix(const std::string& pair) const;
    // [FIX1] XNNA -> XNNA, default "FFFF"
    std::string Fix1(const std::string& address) const;
    // [KOD]/[kod] byte key -> text (empty when missing)
    std::string Kod(const std::string& key) const;
    // [GROUP] code key -> name (empty when missing)
    std::string Group(const std::string& key) const;
    // [EXT] six-digit key -> extension, default ".bin"
    std::string Ext(const std::string& key) const;
    // [GROUP1] signature or system file name -> group code, default "01"
    std::string Group1(const std::string& key) const;
    // [Files] n -> path relative to the program folder (empty when missing)
    std::string SystemFile(int n) const;
    // [Files] "1", "2", …: key 1 always (empty when missing), then on until the first empty or
    // missing key. The section is read once, so thousands of keys cost one pass.
    std::vector<std::string> SystemFiles() const;
    // [HEX] key ("01", "11", "21", "22", "23", "31") -> hex text (empty when missing)
    std::string Hex(const std::string& key) const;
    // [FAT] AddrIs, default "address": the owner tags the assembler writes
    OwnerTags FatOwnerTags() const;
    // [Address] block offset in decimal -> XNNA, with the caller's default
    std::string Address(const std::string& offset, const std::string& fallback) const;

    // A whole table read once, keys upper-cased for lookup by the dump readers.
    // Later keys of the same name never replace the first one.
    std::map<std::string, std::string> Table(const std::string& section) const;

    const IniFile& Ini() const { return ini_; }

private:
    IniFile ini_;
};

// Start-up reads of the window.
// [Temp] Files; when empty, writes folder.Files() there and returns what reads back.
std::string UnpackFolderWithDefault(Settings& settings, const ProgramFolder& folder);
// [Firmwares] "1".."100": key 1 always, then on until the first empty or missing key.
std::vector<std::string> FirmwareNames(const Settings& settings);
// The firmware selected at start-up: the second name, none ("") when there are fewer than two.
std::string StartupFirmware(const std::vector<std::string>& names);
std::string StartupFirmware(const Settings& settings);

}  // namespace vesk
