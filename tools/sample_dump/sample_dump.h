#pragma once
// A small installation to show the window on: vesk.ini, the firmware profile "Sample" and the
// dump bins/sample.bin, with the bytes placed where the dump layout puts them. Two lists: the
// current one in sector 0 with three files, an older one in sector 3.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::sample {

struct SampleFile {
    std::string name;       // as listed in the dump
    std::string extension;  // what [EXT] gives for its first bytes
    std::vector<std::uint8_t> content;
};

// The files of the current list, in list order.
std::vector<SampleFile> SampleFiles();

// folder ends with "/". Writes vesk.ini, Sample.ini and bins/sample.bin; returns the dump path.
std::string WriteSampleInstallation(const std::string& folder);

// The current list's position as the window shows it.
inline const char kCurrentList[] = "0x00000842";
inline const char kOlderList[] = "0x00031842";

}  // namespace vesk::sample
