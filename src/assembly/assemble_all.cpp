// "Собрать всё": the whole build list into a new dump, kept only when it reads back; and the same
// check after the window's own "Собрать", reported rather than enforced.
#include <filesystem>
#include <map>
#include <system_error>

#include "assembly/build_file.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "dump/layout.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

constexpr std::string_view kRefused = "Сборка отменена, файл сборки не изменён.\n";

std::string CheckedText(int files) { return "Проверено: " + std::to_string(files) + " файлов"; }

bool Filled(const TextGrid& grid, int r) {
    for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) {
        if (!grid.Cell(c, r).empty()) return true;
    }
    return false;
}

BuiltFile FileOfRow(const TextGrid& grid, int r) {
    BuiltFile f;
    f.row = r;
    f.name = grid.Cell(kBuildNameCol, r);
    f.size = grid.Cell(kBuildSizeCol, r);
    f.address = grid.Cell(kBuildAddressCol, r);
    f.group = grid.Cell(kBuildGroupCol, r);
    f.number = grid.Cell(kBuildNumberCol, r);
    return f;
}

// The rows "Собрать всё" takes: every filled one, in order. "Собрать" would end the list at the
// first emptied row and silently leave out every file after it.
std::vector<BuiltFile> FilledRows(const TextGrid& grid) {
    std::vector<BuiltFile> files;
    std::map<std::string, int> addresses;
    for (int r = 1; r < std::max(grid.RowCount(), grid.StoredRows()); ++r) {
        if (!Filled(grid, r)) continue;
        BuiltFile f = FileOfRow(grid, r);
        const std::string head = "Строка " + std::to_string(r) + " («" + f.name + "»): ";
        if (f.name.empty()) Refuse(std::string(kRefused) + head + "нет имени файла.");
        if (grid.Cell(kBuildPathCol, r).empty()) {
            Refuse(std::string(kRefused) + head + "нет файла; замените его («Заменить...») или удалите строку.");
        }
        // Unpacking gives a block to every file whose address is the block's tag.
        const auto [it, fresh] = addresses.emplace(f.address, r);
        if (!fresh) {
            Refuse(std::string(kRefused) + head + "адрес " + f.address + " уже у строки " + std::to_string(it->second) +
                   ", а по адресу распаковка отличает блоки одного файла от другого.");
        }
        files.push_back(std::move(f));
    }
    if (files.empty()) Refuse(std::string(kRefused) + "Список сборки пуст.");
    if (files.size() > static_cast<std::size_t>(layout::kEntriesPerList)) {
        Refuse(std::string(kRefused) + "В списке сборки " + std::to_string(files.size()) + " файлов, а список дампа читается до " +
               std::to_string(layout::kEntriesPerList) + ".");
    }
    return files;
}

// Each file once, as "Собрать" would read it: what is built and what the read-back is compared
// with are the same bytes.
std::vector<std::uint8_t> ReadSource(const TextGrid& grid, int r) {
    const std::string& path = grid.Cell(kBuildPathCol, r);
    try {
        return ReadWholeFile(path);
    } catch (const Error& e) {
        Refuse(std::string(kRefused) + "Строка " + std::to_string(r) + ", «Путь» («" + path + "»): " + e.what());
    }
}

// The previous file of the target's name, kept once beside it. One that cannot be read is not
// replaced either: its error ends the command.
void KeepPrevious(const std::string& target) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(target, ec))) return;
    WriteWholeFile(target + ".bak", ReadWholeFile(target), Durability::Durable);
}

}  // namespace

int AssembleChecked(Form& form, Host& host, const ProgramFolder& folder, const std::string& target, HeldFiles held,
                    const ImageFault& fault) {
    std::vector<BuiltFile> files = FilledRows(form.BuildGrid);

    // The filled rows, closed up, on a build list of their own: "Собрать" takes them all.
    Form work;
    work.FirmwareCombo = form.FirmwareCombo;
    HeldContents contents;
    for (std::size_t i = 0; i < files.size(); ++i) {
        BuiltFile& f = files[i];
        const int r = static_cast<int>(i) + 1;
        for (int c = kBuildRowCol; c <= kBuildPathCol; ++c) work.BuildGrid.SetCell(c, r, form.BuildGrid.Cell(c, f.row));
        const auto it = held.find(f.row);
        f.content = it != held.end() ? std::move(it->second) : ReadSource(form.BuildGrid, f.row);
        contents[r] = f.content;
    }

    std::vector<std::uint8_t> image = BlankImage();
    FormatImage(image, FormatHeader(folder), host);
    host.SetProgressMax(static_cast<int>(files.size()));
    AssembleImage(work, host, folder, image, &contents);
    if (fault) fault(image);

    DumpReader back(image, target);
    if (const auto difference = ReadBackDifference(back, files, form.FirmwareCombo, folder)) {
        Refuse(std::string(kRefused) + "Новый дамп не прочитался так, как собран: " + *difference);
    }
    KeepPrevious(target);
    WriteWholeFile(target, image, Durability::Durable);
    form.SaveDialogPath = target;
    const int count = static_cast<int>(files.size());
    host.SetStatus(0, CheckedText(count));
    return count;
}

void AssembleAll(Form& form, Host& host, const ProgramFolder& folder) {
    AssembleChecked(form, host, folder, assembly::BuildFilePath(form, folder));
}

void AssembleDumpAndCheck(Form& form, Host& host, const ProgramFolder& folder) {
    AssembleDump(form, host, folder);
    // The rows "Собрать" took: from row 1 to the first empty name after it, 101 at most.
    const TextGrid& grid = form.BuildGrid;
    std::vector<BuiltFile> files;
    for (int r = 1; r <= assembly::kMaxBuildRows; ++r) {
        if (r > 1 && grid.Cell(kBuildNameCol, r).empty()) break;
        files.push_back(FileOfRow(grid, r));
    }
    std::optional<std::string> difference;
    try {
        for (BuiltFile& f : files) f.content = ReadWholeFile(grid.Cell(kBuildPathCol, f.row));
        DumpReader back(assembly::BuildFilePath(form, folder));
        difference = ReadBackDifference(back, files, form.FirmwareCombo, folder);
    } catch (const Error& e) {
        difference = e.what();
    }
    host.SetStatus(0, difference ? "Проверка не пройдена: " + *difference : CheckedText(static_cast<int>(files.size())));
}

}  // namespace vesk
