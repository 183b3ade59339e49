// "Поиск": reads the 100 entries of the list at ListAddressEdit into FileGrid.
#include <charconv>
#include <string>

#include "base/error.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/file_list.h"
#include "dump/layout.h"
#include "dump/list_scan.h"
#include "dump/messages.h"

namespace vesk {
namespace {

// The entry's row of FileGrid. Of an entry that a failed read cut, only the fields read before
// the failure, and a name cut by the end as far as it was read.
void ShowEntry(TextGrid& grid, const ListEntry& entry, std::optional<EntryField> cutAt = std::nullopt) {
    const int r = entry.index + 1;
    const auto read = [cutAt](EntryField field) {
        return !cutAt || field < *cutAt || (field == EntryField::Name && *cutAt == EntryField::Name);
    };
    if (read(EntryField::Size)) grid.SetCell(kFileSizeCol, r, std::to_string(entry.size));
    if (read(EntryField::Name)) grid.SetCell(kFileNameCol, r, entry.name);
    if (read(EntryField::FileNumber)) grid.SetCell(kFileNumberCol, r, std::to_string(entry.fileNumber));
    if (read(EntryField::Group)) grid.SetCell(kFileGroupCol, r, entry.groupName);
    if (read(EntryField::Address)) grid.SetCell(kFileAddressCol, r, entry.address);
}

}  // namespace

FileListRead ReadFileList(Form& form, Host& host, const ProgramFolder& folder) {
    DumpReader dump(form.OpenDumpPath, DumpReader::Loading::OnDemand);
    // Converting no text would read 100 "entries" from the dump's first bytes.
    if (form.ListAddressEdit.empty()) Refuse(messages::kNoListAddress);
    host.ShowPage(Page::List);
    host.SetProgressMax(layout::kEntriesPerList);
    // The values are converted once, quietly; a value without its "0x" is complained about at
    // every read that uses it, several times per record, as the user has always seen it.
    const Complain quiet = [](const std::string&) {};
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, quiet);
    const Settings settings(folder);
    const std::int64_t list = ListPositionValue(form.ListAddressEdit, quiet);
    EntryLayout layout = ReadEntryLayout(profile, list);
    layout.complaints = ComplaintsOfEachRead(profile, form.ListAddressEdit, messages::ToHost(host));
    FileListRead read = ReadEntries(dump, layout, NameDecoder(settings), GroupNames(settings));

    TextGrid& grid = form.FileGrid;
    for (const ListEntry& entry : read.entries) {
        ShowEntry(grid, entry);
        const int r = entry.index + 1;
        host.SetProgress(r);
        grid.SetCell(kFileRowCol, r, std::to_string(r));
    }
    if (read.cut) {
        // The rows read so far stay, and what the cut record gave before the failed read.
        ShowEntry(grid, *read.cut, read.cutAt);
        std::rethrow_exception(read.error);
    }
    host.SetStatus(2, std::string(messages::kFileCount) + std::to_string(read.InUse()));
    return read;
}

}  // namespace vesk
