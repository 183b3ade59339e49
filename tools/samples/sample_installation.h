#pragma once
// Fills a program folder with sample content: the source files in samples/ and the dump
// bins/sample.bin, made by the program's own building commands from the folder's vesk.ini and
// its start-up firmware profile. The dump holds two lists: the current one in sector 0 and an
// older one, of the first files only, in sector 47 (its list state byte is not 0xFF).
#include <string>
#include <vector>

#include "config/program_folder.h"

namespace vesk::samples {

inline constexpr char kSamplesFolder[] = "samples/";
inline constexpr char kSampleDump[] = "sample.bin";
inline constexpr char kCurrentList[] = "0x00000842";
inline constexpr char kOlderList[] = "0x002F0842";
inline constexpr int kOlderListSector = 47;

struct SampleReport {
    std::string firmware;  // the profile the dump was built with
    int files = 0;         // entries of the current list
    int olderFiles = 0;    // entries of the older list
};

// Writes samples/ and bins/sample.bin (replacing them). Throws std::runtime_error with the
// command's message when a building command refuses.
SampleReport MakeSampleInstallation(const ProgramFolder& folder);

}  // namespace vesk::samples
