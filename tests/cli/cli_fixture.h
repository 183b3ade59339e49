#pragma once
// A program folder with vesk.ini, the firmware profile "Test" (the one the window selects at
// start-up) and bins/, files/, and a way to run the command line on it and keep what it said.
// Every run checks that vesk.ini is left exactly as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "platform/picture.h"
#include "support/program_files.h"
#include "support/temp_folder.h"

namespace vesk::test {

using Bytes = std::vector<std::uint8_t>;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// StandardSettings with [GROUP] 01=Звуки, 02=Картинки and [Firmwares] whose second name is
// Test, the profile that the window selects at start-up; `extra` is appended.
std::string CliSettings(const std::string& extra = "");

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

// A C10 file of two frames of one size: the encoder's one frame, its data size filled in, then a
// second frame header and the second picture's pixels.
Bytes TwoFrameC10(const Picture& first, const Picture& second);

}  // namespace vesk::test
