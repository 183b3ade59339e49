#include "dump/gather_files.h"

#include <string>

#include "dump/fat_table.h"
#include "dump/file_contents.h"
#include "dump/list_address.h"
#include "dump/owner_tag.h"

namespace vesk {

std::vector<std::optional<std::vector<std::uint8_t>>> GatherFiles(DumpReader& dump, FirmwareProfile& profile,
                                                                   const Settings& settings,
                                                                   const std::vector<ListEntry>& entries) {
    const FatTable fat = ReadFatTable(dump, profile, AddressTables(settings));
    const std::vector<FileContent> contents = ReadFileContents(dump, profile, fat, TagReader(profile.Tags(), settings), entries);
    std::vector<std::optional<std::vector<std::uint8_t>>> out;
    out.reserve(contents.size());
    for (const FileContent& file : contents) {
        out.push_back(file.written ? std::optional(file.bytes.Flat()) : std::nullopt);
    }
    return out;
}

}  // namespace vesk
