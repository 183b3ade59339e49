// "Распаковка": the files of the list in FileGrid, gathered block by block through the FAT areas
// of all sectors, into the unpack folder. The map and owner passes fill FatGrid, the window's
// work table; the files are written by the typed unpacking (unpack.h) from FileGrid's cells, as
// the user may have edited them.
//
// Two mends of the plain walk, where it would lose data: blocks are counted per entry, so the
// blocks of one file that interleave with another's still land at their places; and entries that
// share a name get files of their own instead of writing into one another.
#include <string>
#include <vector>

#include "base/error.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/dump_reader.h"
#include "dump/fat_table.h"
#include "dump/file_contents.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "dump/messages.h"
#include "dump/unpack.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

constexpr int kSectors = layout::kSectorCount;

// The map pass into FatGrid: each slot's block offset in its sector; an empty slot is "0", an
// unknown address "00000", and both send the owner read to the sector's start.
void ShowFatTable(TextGrid& grid, Host& host, const FatTable& fat) {
    host.SetProgressMax(kSectors);
    for (int s = 0; s < kSectors; ++s) {
        grid.SetCell(kFatStartCol, s + 1, std::to_string(layout::SectorStart(s)));
        if (fat.cutSector == s) std::rethrow_exception(fat.error);
        for (int n = 0; n < fat.Slots(); ++n) {
            const FatSlot& slot = fat.At(n, s);
            grid.SetCell(FatSlotCol(n), s + 1,
                         slot.Empty() ? "0" : slot.Place() ? BlockOffsetText(slot.Offset()) : std::string(layout::kUnknownOffset));
        }
        host.SetProgress(s + 1);
    }
}

// The owner pass into FatGrid: the tag at the start of each block names the file it belongs to.
void ShowSlotOwners(TextGrid& grid, Host& host, const FatTable& fat, const SlotOwners& owners) {
    host.SetProgressMax(static_cast<int>(fat.SizeValue()));
    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < kSectors; ++s) {
            if (owners.cut && owners.cut->slot == n && owners.cut->sector == s) {
                // What the dump held of the tag stays in its cell; the byte past the end fails.
                grid.SetCell(FatOwnerCol(n), s + 1, owners.cut->partial);
                std::rethrow_exception(owners.cut->error);
            }
            grid.SetCell(FatOwnerCol(n), s + 1, owners.Owner(n, s));
        }
        host.SetProgress(FatSlotCol(n));
    }
}

// FileGrid's rows (all, or the given ones) as entries, as "Распаковка" takes them.
std::vector<ListEntry> FileGridEntries(const TextGrid& grid, const std::vector<int>& rows, const SlotOwners& owners) {
    std::vector<int> chosen = rows;
    if (chosen.empty()) {
        for (int r = 1; r <= layout::kEntriesPerList; ++r) chosen.push_back(r);
    }
    std::vector<ListEntry> entries;
    for (const int r : chosen) {
        if (r < 1 || r > layout::kEntriesPerList) continue;
        ListEntry e;
        e.index = r - 1;
        e.name = grid.Cell(kFileNameCol, r);
        e.address = grid.Cell(kFileAddressCol, r);
        entries.push_back(std::move(e));
    }
    const RowIndex index = PositionIndex(entries);
    // A size is converted only for an entry that a block selects, as the walk reaches it: the
    // cell of a row that gets no file is never read. A size cell that is no number ends the
    // command before any file is written.
    std::vector<bool> receives(entries.size(), false);
    // Each owner text is looked up once, however many blocks name it.
    for (std::size_t id = 1; id < owners.texts.size(); ++id) {
        for (const int i : index.Find(owners.texts[id])) receives[static_cast<std::size_t>(i)] = true;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!receives[i]) continue;
        // A negative size gives an empty file, as a size of 0 does.
        const std::int32_t size = StrToInt(grid.Cell(kFileSizeCol, entries[i].index + 1));
        entries[i].size = static_cast<std::uint32_t>(std::max<std::int32_t>(size, 0));
    }
    return entries;
}

// The map, owner and file passes over a dump already open, with the profile already read.
UnpackSummary UnpackFrom(DumpReader& dump, FirmwareProfile& profile, Form& form, Host& host, const ProgramFolder& folder,
                         const std::vector<int>& rows, const std::string& outFolder) {
    const Settings settings(folder);

    const FatTable fat = ReadFatTable(dump, profile, AddressTables(settings));
    ShowFatTable(form.FatGrid, host, fat);
    const TagReader tags(profile.Tags(), settings);
    const SlotOwners owners = ReadSlotOwners(dump, fat, tags);
    ShowSlotOwners(form.FatGrid, host, fat, owners);

    const std::vector<ListEntry> entries = FileGridEntries(form.FileGrid, rows, owners);
    const Unpacked unpacked = WriteEntryFiles(dump, profile, settings, fat, tags, entries, outFolder, BarProgress(host));

    UnpackSummary summary;
    summary.files = static_cast<int>(unpacked.files.size());
    summary.bytes = unpacked.Bytes();
    summary.paths.assign(layout::kEntriesPerList + 1, "");
    for (const UnpackedFile& f : unpacked.files) {
        summary.paths[static_cast<std::size_t>(entries[f.entry].index + 1)] = f.path;
        // The save dialog opens with the last file begun.
        form.SaveDialogPath = f.path;
    }
    return summary;
}

}  // namespace

UnpackSummary UnpackGridRows(Form& form, Host& host, const ProgramFolder& folder, const std::vector<int>& rows,
                             const std::string& outFolder) {
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, messages::ToHost(host));
    DumpReader dump(form.OpenDumpPath);
    return UnpackFrom(dump, profile, form, host, folder, rows, outFolder);
}

std::string UnpackFolderPath(const std::string& text, const ProgramFolder& folder) {
    if (text.empty()) return folder.Path();
    std::string out = text.front() == '/' ? text : folder.Path() + text;
    if (out.back() != '/') out += '/';
    return out;
}

UnpackSummary UnpackFiles(Form& form, Host& host, const ProgramFolder& folder) {
    return UnpackGridRows(form, host, folder, {}, UnpackFolderPath(form.TempFolderEdit, folder));
}

UnpackSummary UnpackFiles(Form& form, Host& host, const ProgramFolder& folder, DumpReader& dump) {
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, messages::ToHost(host));
    return UnpackFrom(dump, profile, form, host, folder, {}, UnpackFolderPath(form.TempFolderEdit, folder));
}

}  // namespace vesk
