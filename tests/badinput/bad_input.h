#pragma once
// What the bad-input tests share: the sample installation (settings, profile "Sample", a dump
// with a current list of three files and an older list) in a temporary program folder, and a
// snapshot of the folder to show that a command wrote nothing but its target.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"
#include "support/error_text.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk::test {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::int64_t kSector = 0x10000;
inline constexpr std::int64_t kListBlock = 0x842;  // the sample's current list, in sector 0
inline constexpr std::int64_t kRecord = 24;        // the sample profile's record stride


// Every file under a folder with its content, relative paths as keys.
using Snapshot = std::map<std::string, Bytes>;
Snapshot Take(const std::string& folder);
// The paths that differ between two snapshots (added, removed or changed).
std::vector<std::string> Changed(const Snapshot& before, const Snapshot& after);

class BadInputTest : public ::testing::Test {
protected:
    BadInputTest();

    // The sample dump, cut to `size` bytes when size is not negative.
    void CutDump(std::int64_t size);
    void WriteDump(const Bytes& bytes) const;
    void WriteSettings(const std::string& text) const { temp_.Write("vesk.ini", text); }
    void WriteProfile(const std::string& text) const { temp_.Write("Sample.ini", text); }

    // The three reading commands; each returns the error text it ended with.
    std::string Open();
    std::string Read();
    std::string Unpack();
    // Files in the unpack folder, by name.
    std::map<std::string, Bytes> Unpacked() const;
    // Whether the unpack folder holds exactly these files; on a mismatch, names and sizes.
    ::testing::AssertionResult UnpackedAre(const std::map<std::string, Bytes>& expected) const;

    TempFolder temp_;
    ProgramFolder folder_;
    Form form_;
    RecordingHost host_;
    std::string dump_;
    std::string settings_;  // the sample's vesk.ini
    std::string profile_;   // the sample's Sample.ini
};

// "Неверный адрес " + text, the complaint of an address text without "0x".
std::string BadAddress(const std::string& text);

}  // namespace vesk::test
