#pragma once
// A program folder with bins/, a settings file and a firmware profile, a Form and a recording
// Host, for the building commands; and an independent model of the expected dump bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"
#include "support/program_files.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk::test {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::int64_t kSector = 0x10000;
inline constexpr std::int64_t kDump = 48 * kSector;

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
