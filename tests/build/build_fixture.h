#pragma once
// A program folder with bins/, a settings file and a firmware profile, a Form and a recording
// Host, for the building commands; and an independent model of the expected dump bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk::test {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::int64_t kSector = 0x10000;
inline constexpr std::int64_t kDump = 48 * kSector;

// Settings used by most tests: distinct header bytes so every write can be told apart.
// [HEX] 01 = F0 F1 (formatted sector), 11 = E0 E1 (sector with data), 21+22+23 = A1 A2 B1 C1 C2,
// 31 = D1 D2 D3; [Address] gives each block place its own slot value.
std::string StandardSettings(const std::string& addrIs = "address", const std::string& extra = "");
// The [Address] value that StandardSettings stores for block place k: "4" or "C", "20", k div 2.
std::string SlotText(int place);
// Profile: List 2, name at 0 (11 bytes), size at 11, number at 14, group at 15, address at 16,
// records of 18 bytes, FAT at 0x50C; todata and data as given.
std::string StandardProfile(const std::string& toData = "0x00000002", const std::string& data = "0x00000FFA",
                            const std::string& extra = "");

class BuildTest : public ::testing::Test {
protected:
    BuildTest();

    void WriteSettings(const std::string& text) const;
    void WriteProfile(const std::string& text) const;
    std::string BuildPath() const { return folder_.Bins() + form_.BuildNameEdit; }
    Bytes BuildBytes() const { return ReadBytes(BuildPath()); }
    // "Пустой "FF" файл" then "Форматировать".
    void MakeFormatted();
    // A source file in files/ with the given content.
    std::string Source(const std::string& name, const Bytes& content) const;
    // Puts a file onto the build list the way "Добавить" does.
    void Add(const std::string& path);
    // Sets the cells of row r directly (files shorter than three bytes cannot go through "Добавить").
    void SetRow(int r, const std::string& path, const std::string& name, int size);

    TempFolder temp_;
    ProgramFolder folder_;
    Form form_;
    RecordingHost host_;
};

// Deterministic content: byte i of file `seed`.
Bytes Pattern(std::size_t size, unsigned seed);

// The expected dump, written into by hand from the layout.
struct Image {
    Bytes bytes;
    explicit Image(std::int64_t size = kDump, std::uint8_t fill = 0xFF);
    void Put(std::int64_t position, const Bytes& data);
    void Fill(std::int64_t position, std::int64_t count, std::uint8_t value);
    // A blank dump formatted with StandardSettings.
    static Image Formatted();
};

// First differing position, for readable failures.
::testing::AssertionResult SameBytes(const Bytes& expected, const Bytes& actual);

}  // namespace vesk::test
