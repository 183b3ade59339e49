#pragma once
// A program folder with vesk.ini, the firmware profile "Test" (the one the window selects at
// start-up) and bins/, files/, and a way to run the command line on it and keep what it said.
// Every run checks that vesk.ini is left exactly as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "support/temp_folder.h"

namespace vesk::test {

using Bytes = std::vector<std::uint8_t>;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Distinct header bytes, [FIX] 2E=2E, [KOD] 00 and FF to nothing, a slot value for every block
// place, [GROUP] 01=Звуки, and [Firmwares] whose second name is Test.
std::string CliSettings(const std::string& extra = "");
// Record layout: name at 0 (11 bytes), size at 11, number at 14, group at 15, address at 16,
// records of 18 bytes; List at 2; FAT at 0x50C, 4090 content bytes after a 2-byte tag.
std::string CliProfile();

// n bytes that differ from file to file (seed).
Bytes Pattern(std::size_t n, unsigned seed);

class CliTest : public ::testing::Test {
protected:
    CliTest();

    // Runs vesk with args and --home of this folder.
    CliResult Run(std::vector<std::string> args, bool progress = false);
    // Runs vesk with exactly these args.
    CliResult RunBare(const std::vector<std::string>& args, bool progress = false);

    void WriteSettings(const std::string& text) const { temp_.Write("vesk.ini", text); }
    std::string Source(const std::string& name, const Bytes& content) const { return temp_.Write("src/" + name, content); }
    // bins/NAME built by the window's commands from the files, in order; returns its path.
    std::string BuildWithWindowCommands(const std::string& name, const std::vector<std::string>& files) const;
    // The files of a folder, by name, with their contents.
    static std::vector<std::pair<std::string, Bytes>> FolderContents(const std::string& folder);

    TempFolder temp_;
    ProgramFolder folder_;
};

}  // namespace vesk::test
