#pragma once
// Unpacking over typed entries: the files of a list written into a folder, each named by the one
// naming rule (file_names.h) and given its extension by [EXT]. "Распаковка" renders the window's
// grids around it; the command line, extracting, "В сборку" and recovery call it directly.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/fat_table.h"
#include "dump/file_list.h"
#include "dump/firmware_profile.h"
#include "dump/owner_tag.h"
#include "form/host.h"

namespace vesk {

// One file written.
struct UnpackedFile {
    std::size_t entry = 0;  // its entry's position in the entries given
    std::string path;
    std::int64_t size = 0;  // bytes written
    int blocks = 0;         // blocks the FAT walk gave it until its size was covered
};

struct Unpacked {
    std::vector<UnpackedFile> files;  // in the order the walk begins them
    std::int64_t Bytes() const;
};

// Files done so far out of all that will be written.
using UnpackProgress = std::function<void(int done, int total)>;
// The progress on the host's bar, from an empty bar to a full one (none when there is no file).
UnpackProgress BarProgress(Host& host);

// Writes the files of `entries` (any entries of one list, in list order) into `folder` (a path
// ending in "/"), each whole or not at all: every file is gathered from the dump first, then
// written to a temporary and put in place. A failure leaves the files already in place; files
// that would not fit in the folder's free space are refused before the first is written.
Unpacked WriteEntryFiles(DumpReader& dump, FirmwareProfile& profile, const Settings& settings, const FatTable& fat,
                         const TagReader& tags, const std::vector<ListEntry>& entries, const std::string& folder,
                         const UnpackProgress& progress = {});

// The sizes of the files WriteEntryFiles would write for `entries`, nothing written: the plan
// that a command checks against the free space before it writes anything.
std::vector<std::int64_t> PlannedFileSizes(DumpReader& dump, FirmwareProfile& profile, const FatTable& fat,
                                           const TagReader& tags, const std::vector<ListEntry>& entries);

// The same, reading the FAT areas first.
Unpacked Unpack(DumpReader& dump, FirmwareProfile& profile, const Settings& settings, const std::vector<ListEntry>& entries,
                const std::string& folder, const UnpackProgress& progress = {});

}  // namespace vesk
