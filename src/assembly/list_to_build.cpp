// "В сборку" and "Заменить...": a dump's list becomes the build list, with every entry's address,
// group and number as the dump holds them, so that a rebuilt dump keeps them.
#include <functional>

#include "assembly/build_file.h"
#include "assembly/build_rows.h"
#include "assembly/picture_replace.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "config/settings.h"
#include "dump/block_map.h"
#include "dump/commands.h"
#include "dump/entry_blocks.h"
#include "dump/file_list.h"
#include "dump/gather_files.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "dump/unpack.h"
#include "platform/byte_file.h"
#include "platform/folders.h"

namespace vesk {
namespace {

// The file name of a path split before its extension; a leading dot starts no extension.
std::pair<std::string, std::string> SplitExtension(const std::string& path) {
    const std::string name = assembly::FileNamePart(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {name, ""};
    return {name.substr(0, dot), name.substr(dot)};
}

// The entries of the list at `list` that the FAT walk cannot give whole (dump/entry_blocks.h), by
// position in the list's entries.
std::vector<bool> DamagedOf(DumpReader& dump, FirmwareProfile& profile, const Settings& settings, std::int64_t list) {
    const DumpOverview overview = ReadDumpOverview(dump, profile, DumpTables(settings), list);
    std::vector<bool> damaged(overview.entries.size(), false);
    for (const DamagedEntry& d : DamagedEntries(overview, profile.Value(ProfileKey::Data))) damaged[d.entry] = true;
    return damaged;
}

// The entries in use, one row each in list order; `source` gives each its path or content by
// the entry's position in `entries`, and says whether it found one. An entry in `damaged` gets
// no source: its file would carry wrong bytes into the new dump. `shown` runs before the host
// names the rows left without a source.
std::vector<BuildRow> RowsOfEntries(const std::vector<ListEntry>& entries, const std::vector<bool>& damaged, Host& host,
                                    const std::function<bool(std::size_t entry, BuildRow& row)>& source,
                                    const std::function<void(const std::vector<BuildRow>&)>& shown = {}) {
    std::vector<BuildRow> rows;
    std::string unfound;
    std::string broken;
    const auto name = [](std::string& list, const std::string& name) { list += (list.empty() ? "«" : ", «") + name + "»"; };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].InUse()) continue;
        BuildRow row = BuildRowOfEntry(entries[i], static_cast<int>(rows.size()) + 1);
        if (i < damaged.size() && damaged[i]) {
            name(broken, entries[i].name);
        } else if (!source(i, row)) {
            name(unfound, entries[i].name);
        }
        rows.push_back(std::move(row));
    }
    if (shown) shown(rows);
    // "Собрать" advances the bar against the rows, as after "Добавить".
    host.SetProgressMax(static_cast<int>(rows.size()));
    if (!unfound.empty()) {
        host.ShowMessage("Ни один блок дампа не принадлежит файлам " + unfound +
                         ": их строки остались без пути. Замените их файлы или удалите строки.");
    }
    if (!broken.empty()) {
        host.ShowMessage("Файлы " + broken + " в дампе повреждены (FAT не даёт их блоков целиком, «Проверить» скажет "
                         "подробнее): их строки остались без пути. Замените их файлы или удалите строки.");
    }
    return rows;
}

}  // namespace

std::string WorkFolderOf(const ProgramFolder& folder, const std::string& dumpPath) {
    const auto [stem, extension] = SplitExtension(dumpPath);
    return folder.Files() + stem + "/";
}

std::string NewDumpName(const std::string& dumpPath) {
    const auto [stem, extension] = SplitExtension(dumpPath);
    return stem + "-new" + extension;
}

void TakeListIntoBuild(Form& form, Host& host, const ProgramFolder& folder) {
    // As the dump stands before anything of it is read.
    const Form::TakenFile taken{form.OpenDumpPath, IdentityOf(form.OpenDumpPath)};
    const FileListRead read = ReadFileList(form, host, folder);
    const std::string out = WorkFolderOf(folder, form.OpenDumpPath);
    MakeFolders(out, true);
    // "Распаковка" of the list just read, into the work folder; the window's own unpack folder stays.
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, messages::ToHost(host));
    DumpReader dump(form.OpenDumpPath);
    const Settings settings(folder);
    const Unpacked unpacked = Unpack(dump, profile, settings, read.entries, out);
    std::vector<std::string> paths(read.entries.size());
    for (const UnpackedFile& f : unpacked.files) paths[f.entry] = f.path;
    RowsOfEntries(
        read.entries, DamagedOf(dump, profile, settings, ListPositionValue(form.ListAddressEdit, [](const std::string&) {})),
        host,
        [&](std::size_t i, BuildRow& row) {
            row.path = paths[i];
            return !row.path.empty();
        },
        [&](const std::vector<BuildRow>& rows) {
            ShowBuildRows(form.BuildGrid, rows);
            form.BuildNameEdit = NewDumpName(form.OpenDumpPath);
            form.TakenDump = taken;
            form.ReplacedPictures.clear();
        });
    host.ShowPage(Page::NewVesk);
}

std::vector<BuildRow> ListBuildRows(const std::string& dumpPath, std::int64_t list, const std::string& firmware,
                                    Host& host, const ProgramFolder& folder) {
    FirmwareProfile profile(folder, firmware, ProfileUse::Reading, messages::ToHost(host));
    DumpReader dump(dumpPath);
    const Settings settings(folder);
    FileListRead read = ReadEntries(dump, ReadEntryLayout(profile, list), NameDecoder(settings), GroupNames(settings));
    if (read.error) std::rethrow_exception(read.error);
    auto files = GatherFiles(dump, profile, settings, read.entries);
    return RowsOfEntries(read.entries, DamagedOf(dump, profile, settings, list), host, [&](std::size_t i, BuildRow& row) {
        if (!files[i]) return false;
        row.content = std::move(*files[i]);
        return true;
    });
}

void ReplaceRowFile(BuildRow& row, const std::string& path) {
    assembly::CheckSourceFile(path);
    // Opened for reading, as "Собрать" will open it: a file that cannot be read says so now.
    const std::int64_t size = ByteFile::Open(path).Size();
    row.path = path;
    row.size = std::to_string(size);
    row.content.reset();
}

int CurrentBuildRow(const Form& form) {
    const TextGrid& grid = form.BuildGrid;
    const int r = grid.Row;
    bool taken = false;
    for (int c = kBuildNameCol; r >= 1 && c <= kBuildPathCol; ++c) taken = taken || !grid.Cell(c, r).empty();
    if (!taken) Refuse("Выберите строку списка сборки: заменить можно файл, который в нём есть.");
    return r;
}

void ReplaceBuildFile(Form& form, const std::string& path) {
    const int r = CurrentBuildRow(form);
    BuildRow row = BuildRowOf(form.BuildGrid, r);
    ReplaceRowFile(row, path);
    RememberReplacedPicture(form, r);
    form.BuildGrid.SetCell(kBuildPathCol, r, row.path);
    form.BuildGrid.SetCell(kBuildSizeCol, r, row.size);
}

}  // namespace vesk
