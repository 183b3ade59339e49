#pragma once
// The files of a list as "Распаковка" would write them, gathered in memory instead: the read-back
// check of a build compares them with the files it was built from, and repacking takes a dump's
// files out without writing any. The walk is ReadFileContents' (file_contents.h), the one the
// list comparison reads; this flattens its pieces into each file's bytes.
#include <cstdint>
#include <optional>
#include <vector>

#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/file_list.h"
#include "dump/firmware_profile.h"

namespace vesk {

// For each entry (by position in `entries`), its file's bytes, or nothing when no block belongs
// to it (no file is written). Failures of the walk (a FAT area or an owner name past the end of
// the dump) are thrown as UnpackFiles throws them.
std::vector<std::optional<std::vector<std::uint8_t>>> GatherFiles(DumpReader& dump, FirmwareProfile& profile,
                                                                   const Settings& settings,
                                                                   const std::vector<ListEntry>& entries);

}  // namespace vesk
