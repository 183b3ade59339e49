#pragma once
// Test dumps built byte by byte where the layout puts things: sector headers, list entries,
// FAT slots, owner tags and content. The positions are spelt out here rather than taken from
// src/dump, so the readers are checked against the layout and not against themselves.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_folder.h"

namespace vesk::test {

inline constexpr std::int64_t kSector = 0x10000;
inline constexpr int kSectors = 48;

// Absolute position of block place k (0 to 14) of a sector.
constexpr std::int64_t BlockAt(int sector, int place) { return kSector * sector + 0x842 + 0x1000 * place; }

// The address text of a place with the middle pair "20": 4200, C200, 4201, ...
std::string PlaceAddress(int place, std::string_view middle = "20");

// Field offsets of a list record as the test profile states them.
struct Record {
    std::int64_t name = 0;
    std::int64_t nameLength = 11;
    std::int64_t size = 12;
    std::int64_t fileNumber = 15;
    std::int64_t group = 16;
    std::int64_t address = 17;
    std::int64_t stride = 24;
};

struct EntryBytes {
    std::vector<std::uint8_t> name;  // exactly as stored, no padding
    std::uint32_t size = 0;          // the low 3 bytes are stored
    std::uint8_t fileNumber = 0;
    std::uint8_t group = 0;
    std::string address;  // four hex digits
};

std::vector<std::uint8_t> Bytes(std::string_view text);
// "42E0" -> {0x42, 0xE0}
std::vector<std::uint8_t> HexBytes(std::string_view hex);

class DumpImage {
public:
    // All erased (0xFF), 48 sectors unless told.
    explicit DumpImage(int sectors = kSectors);

    std::vector<std::uint8_t>& Data() { return bytes_; }
    void Put(std::int64_t position, const std::vector<std::uint8_t>& bytes);
    void Fill(std::int64_t position, std::int64_t count, std::uint8_t value);
    void Truncate(std::int64_t size) { bytes_.resize(static_cast<std::size_t>(size)); }

    // Sector header.
    void SetListAddress(int sector, std::string_view hex, std::int64_t listOffset = 1);
    void SetListState(int sector, std::uint8_t state) { Put(kSector * sector + 11, {state}); }
    void SetFatSlot(int sector, int slot, std::string_view hex, std::int64_t fat = 0x50C);

    // A list block cleared to 0x00 as the assembler leaves it, and one record in it.
    void ClearList(std::int64_t list);
    void SetEntry(std::int64_t list, int i, const EntryBytes& entry, const Record& record = {});

    // Data blocks.
    void SetOwner(int sector, int place, const std::vector<std::uint8_t>& tag);
    void SetContent(int sector, int place, const std::vector<std::uint8_t>& content, std::int64_t todata = 2);

    std::string Save(const TempFolder& folder, const std::string& name) const;

private:
    std::vector<std::uint8_t> bytes_;
};

// A profile holding the record layout and the default FAT values, with some values changed
// (by key name as written in the profile); kMissing leaves a key out.
inline const std::string kMissing = "<missing>";
std::string ProfileText(const Record& record = {}, const std::map<std::string, std::string>& changes = {});

// n bytes whose values run with the position, offset by seed: blocks tell apart by content.
std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed);

}  // namespace vesk::test

#include "config/program_folder.h"
#include "form/form.h"
#include "support/error_text.h"
#include "support/recording_host.h"

namespace vesk::test {


// A program folder with a settings file, the profile "T" and a dump, and the window's state.
struct Workspace {
    TempFolder temp;
    ProgramFolder folder{temp.Path()};
    Form form;
    RecordingHost host;

    Workspace() {
        InitGrids(form);
        form.FirmwareCombo = "T";
        form.TempFolderEdit = temp.MakeDir("files");
        Profile(ProfileText());
    }
    void Settings(const std::string& text) const { temp.Write("vesk.ini", text); }
    void Profile(const std::string& text) const { temp.Write("T.ini", text); }
    void Dump(const DumpImage& image) { form.OpenDumpPath = image.Save(temp, "bins/d.bin"); }
};

}  // namespace vesk::test
