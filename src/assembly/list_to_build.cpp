// "В сборку" and "Заменить...": a dump's list becomes the build list, with every entry's address,
// group and number as the dump holds them, so that a rebuilt dump keeps them.
#include <filesystem>
#include <system_error>

#include "assembly/build_file.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/gather_files.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

// The file name of a path split before its extension; a leading dot starts no extension.
std::pair<std::string, std::string> SplitExtension(const std::string& path) {
    const std::string name = assembly::FileNamePart(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {name, ""};
    return {name.substr(0, dot), name.substr(dot)};
}

// The build list becomes the entries in use, one row each in list order; `path` gives each
// entry's file by its FileGrid row and the build row it goes into. Every row below them is
// cleared, as "Удалить" clears a row.
void FillBuildList(Form& form, Host& host, const std::vector<ListEntry>& entries,
                   const std::function<std::string(int fileRow, int buildRow)>& path) {
    TextGrid& grid = form.BuildGrid;
    for (int r = 1; r < std::max(grid.RowCount(), grid.StoredRows()); ++r) {
        for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) grid.SetCell(c, r, "");
    }
    int r = 0;
    std::string unfound;
    for (const ListEntry& e : entries) {
        if (!e.InUse()) continue;
        ++r;
        grid.SetCell(kBuildRowCol, r, std::to_string(r));
        grid.SetCell(kBuildNameCol, r, e.name);
        grid.SetCell(kBuildSizeCol, r, std::to_string(e.size));
        grid.SetCell(kBuildAddressCol, r, e.address);
        grid.SetCell(kBuildGroupCol, r, ByteToHex(e.groupCode));
        grid.SetCell(kBuildNumberCol, r, std::to_string(e.fileNumber));
        const std::string file = path(e.index + 1, r);
        grid.SetCell(kBuildPathCol, r, file);
        if (file.empty()) unfound += (unfound.empty() ? "«" : ", «") + e.name + "»";
    }
    form.BuildNameEdit = NewDumpName(form.OpenDumpPath);
    // "Собрать" advances the bar against the rows, as after "Добавить".
    host.SetProgressMax(r);
    if (!unfound.empty()) {
        host.ShowMessage("Ни один блок дампа не принадлежит файлам " + unfound +
                         ": их строки остались без пути. Замените их файлы или удалите строки.");
    }
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
    const FileListRead read = ReadFileList(form, host, folder);
    const std::string out = WorkFolderOf(folder, form.OpenDumpPath);
    std::error_code ec;
    if (!std::filesystem::is_directory(out, ec)) {
        std::filesystem::create_directories(out, ec);
        if (ec) ThrowUnableToWrite(out);
    }
    // "Распаковка" of the list just read, into the work folder; the window's own unpack folder stays.
    Form work = form;
    work.TempFolderEdit = out;
    const std::vector<std::string> paths = UnpackFiles(work, host, folder).paths;
    FillBuildList(form, host, read.entries, [&paths](int row, int) { return paths[static_cast<std::size_t>(row)]; });
    host.ShowPage(Page::NewVesk);
}

HeldFiles TakeListIntoBuildHeld(Form& form, Host& host, const ProgramFolder& folder) {
    const FileListRead read = ReadFileList(form, host, folder);
    DumpReader dump(form.OpenDumpPath);
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, [](const std::string&) {});
    auto files = GatherFiles(dump, profile, Settings(folder), read.entries);
    HeldFiles held;
    FillBuildList(form, host, read.entries, [&](int fileRow, int buildRow) -> std::string {
        auto& file = files[static_cast<std::size_t>(fileRow - 1)];
        if (!file) return {};
        held[buildRow] = std::move(*file);
        // Nothing reads this path: it tells where the content came from.
        return form.OpenDumpPath + ":" + read.entries[static_cast<std::size_t>(fileRow - 1)].name;
    });
    return held;
}

void ReplaceBuildRow(TextGrid& grid, int r, const std::string& path) {
    // Opened for reading, as "Собрать" will open it: a file that cannot be read says so now.
    const std::int64_t size = ByteFile::Open(path).Size();
    grid.SetCell(kBuildPathCol, r, path);
    grid.SetCell(kBuildSizeCol, r, std::to_string(size));
}

int CurrentBuildRow(const Form& form) {
    const TextGrid& grid = form.BuildGrid;
    const int r = grid.Row;
    bool taken = false;
    for (int c = kBuildNameCol; r >= 1 && c <= kBuildPathCol; ++c) taken = taken || !grid.Cell(c, r).empty();
    if (!taken) Refuse("Выберите строку списка сборки: заменить можно файл, который в нём есть.");
    return r;
}

void ReplaceBuildFile(Form& form, const std::string& path) { ReplaceBuildRow(form.BuildGrid, CurrentBuildRow(form), path); }

}  // namespace vesk
