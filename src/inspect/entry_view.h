#pragma once
// Beyond the window's own commands: one file of a dump's list seen without unpacking it. The entry
// viewer and the tooltips of "Список", `vesk cat` and `vesk info DUMP NAME` read files here alike
// and judge what they hold with picture/content_judge.h.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "dump/file_list.h"
#include "hextext/hextext.h"
#include "inspect/inspection.h"

namespace vesk {

// One file of a list, in memory, as unpacking would write it.
struct EntryFile {
    ListEntry entry;
    std::string fileName;   // the name unpacking gives its file, without extension ("Фон (2)")
    std::string extension;  // what [EXT] gives for its first bytes (".c10")
    bool written = false;   // a block belongs to it: unpacking writes its file
    std::vector<std::uint8_t> bytes;

    // The file's name as unpacking writes it (OutputFileName: "_.." for ".." without extension).
    std::string FullName() const;
};

struct ListFiles {
    std::string dump;
    std::int64_t list = 0;
    std::vector<EntryFile> files;  // the entries in use, in list order
};

// The files of the list at `list` (else the one "Открыть" selects) of the dump at `path`, with the
// program folder's settings and the named firmware's profile. Read failures travel as
// vesk::Error; a dump without lists is refused.
ListFiles ReadListFiles(const std::string& path, std::optional<std::int64_t> list, const ProgramFolder& folder,
                        const std::string& firmware, const Complain& complain);

// The file called `name`: the name unpacking gives it (with or without its extension), else the
// one entry of that name. Refused when there is none, or when the name is an entry's twice over
// and names no file ("Фон" and "Фон (2)" tell them apart).
const EntryFile& FindEntryFile(const ListFiles& files, const std::string& name);

// The bytes of one block place of a dump (4096; erased past the end of a short dump), with where
// its owner tag and its content lie, as the map reads them.
struct BlockBytes {
    int sector = 0;
    int place = 0;
    std::int64_t offset = 0;  // in the dump
    std::vector<std::uint8_t> bytes;
    std::int64_t tagLength = 0;  // the owner tag from the block's start: 2 (address) or 11 (name)
    std::int64_t contentStart = 0;
    std::int64_t contentLength = 0;
    std::string owner;  // the tag's owner text, "" for none
};
BlockBytes ReadBlockBytes(const std::string& dumpPath, const Inspection& inspection, int sector, int place);

}  // namespace vesk
