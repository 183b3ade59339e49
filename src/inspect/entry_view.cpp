#include "inspect/entry_view.h"

#include <algorithm>

#include "base/error.h"
#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/dump_tables.h"
#include "dump/fat_table.h"
#include "dump/file_contents.h"
#include "dump/file_names.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "dump/owner_tag.h"

namespace vesk {

ListFiles ReadListFiles(const std::string& path, std::optional<std::int64_t> list, const ProgramFolder& folder,
                        const std::string& firmware, const Complain& complain) {
    FirmwareProfile profile(folder, firmware, ProfileUse::Reading, complain);
    DumpReader dump(path);
    const Settings settings(folder);
    const DumpTables tables(settings);
    if (!list) {
        // As "Открыть" selects it, as `vesk unpack` without --list reads it.
        const ListScan scan = ScanLists(dump, profile, tables.address);
        if (!scan.Selected()) Refuse(std::string(messages::kListCount) + "0");
        list = scan.Selected()->position;
    }
    FileListRead read = ReadEntries(dump, ReadEntryLayout(profile, *list), tables.kod, tables.groups);
    if (read.error) std::rethrow_exception(read.error);
    const FatTable fat = ReadFatTable(dump, profile, tables.address);
    if (fat.error) std::rethrow_exception(fat.error);
    std::vector<FileContent> contents =
        ReadFileContents(dump, profile, fat, TagReader(profile.Tags(), settings), read.entries);

    // Named as unpacking names the files it writes; an entry that gets no file after those.
    std::vector<bool> written(contents.size());
    for (std::size_t i = 0; i < contents.size(); ++i) written[i] = contents[i].written;
    FileNamer namer;
    const std::vector<std::string> names = OutputNames(read.entries, written, namer);
    const Extensions extensions(settings);

    ListFiles files{path, *list, {}};
    for (std::size_t i = 0; i < read.entries.size(); ++i) {
        if (!read.entries[i].InUse()) continue;
        EntryFile file;
        file.entry = read.entries[i];
        file.written = written[i];
        file.fileName = written[i] ? names[i] : namer.Take(read.entries[i].name);
        if (written[i]) {
            file.extension = SafeFileName(extensions.Of(contents[i].signature));
            file.bytes = contents[i].bytes.Flat();
        }
        files.files.push_back(std::move(file));
    }
    return files;
}

std::string EntryFile::FullName() const { return OutputFileName(fileName, extension); }

const EntryFile& FindEntryFile(const ListFiles& files, const std::string& name) {
    const std::string where = " в списке " + ListPositionText(files.list) + ".";
    for (const EntryFile& f : files.files) {
        if (!name.empty() && (f.fileName == name || (f.written && f.FullName() == name))) return f;
    }
    const EntryFile* found = nullptr;
    std::string candidates;
    for (const EntryFile& f : files.files) {
        if (f.entry.name != name) continue;
        candidates += std::string(found ? ", " : "") + "«" + f.fileName + "»";
        found = &f;
    }
    if (!found || name.empty()) Refuse("Нет файла «" + name + "»" + where);
    if (candidates.find(", ") != std::string::npos) {
        Refuse("Файлов «" + name + "» несколько" + where + " Назовите один так, как его называет распаковка: " +
               candidates + ".");
    }
    return *found;
}

// ---- A block place ----

BlockBytes ReadBlockBytes(const std::string& dumpPath, const Inspection& inspection, int sector, int place) {
    DumpReader dump(dumpPath);
    const MapPlace& at = inspection.Map().At(sector, place);
    BlockBytes block;
    block.sector = sector;
    block.place = place;
    block.offset = at.offset;
    block.bytes.assign(static_cast<std::size_t>(layout::kBlockPitch), 0xFF);
    dump.ReadErased(at.offset, block.bytes);
    const std::int64_t pitch = layout::kBlockPitch;
    block.tagLength = inspection.tags == OwnerTags::Name ? layout::kOwnerNameLength : 2;
    block.contentStart = std::clamp<std::int64_t>(inspection.toData, 0, pitch);
    block.contentLength = std::clamp<std::int64_t>(inspection.data, 0, pitch - block.contentStart);
    block.owner = at.owner;
    return block;
}

}  // namespace vesk
