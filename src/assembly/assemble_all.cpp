// "Собрать всё": the whole build list into a new dump, kept only when it reads back; and the same
// check after the window's own "Собрать", reported rather than enforced.
#include <filesystem>
#include <map>

#include "assembly/build_file.h"
#include "assembly/build_rows.h"
#include "assembly/picture_replace.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "dump/layout.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

constexpr std::string_view kRefused = "Сборка отменена, файл сборки не изменён.\n";

std::string CheckedText(int files) { return "Проверено: " + std::to_string(files) + " файлов"; }

BuiltFile BuiltFileOf(const BuildRow& row) {
    BuiltFile f;
    f.row = row.row;
    f.name = row.name;
    f.size = row.size;
    f.address = row.address;
    f.group = row.group;
    f.number = row.number;
    return f;
}

// What "Собрать всё" refuses before it builds: a row without a name or a file, two rows of one
// address, more files than a list holds.
void CheckWholeBuild(const std::vector<BuildRow>& rows) {
    std::map<std::string, int> addresses;
    for (const BuildRow& row : rows) {
        const std::string head = "Строка " + std::to_string(row.row) + " («" + row.name + "»): ";
        if (row.name.empty()) Refuse(std::string(kRefused) + head + "нет имени файла.");
        if (!row.HasSource()) {
            Refuse(std::string(kRefused) + head + "нет файла; замените его («Заменить...») или удалите строку.");
        }
        // Unpacking gives a block to every file whose address is the block's tag.
        const auto [it, fresh] = addresses.emplace(row.address, row.row);
        if (!fresh) {
            Refuse(std::string(kRefused) + head + "адрес " + row.address + " уже у строки " + std::to_string(it->second) +
                   ", а по адресу распаковка отличает блоки одного файла от другого.");
        }
    }
    if (rows.empty()) Refuse(std::string(kRefused) + "Список сборки пуст.");
    if (rows.size() > static_cast<std::size_t>(layout::kEntriesPerList)) {
        Refuse(std::string(kRefused) + "В списке сборки " + std::to_string(rows.size()) + " файлов, а список дампа читается до " +
               std::to_string(layout::kEntriesPerList) + ".");
    }
}

// "Собрать" ends the list at the first row without a name; filled rows after it are not built,
// which the status text says rather than leave the user to count the dump's files.
std::string LeftOutText(const TextGrid& grid, const std::vector<BuildRow>& taken) {
    const int last = taken.empty() ? 0 : taken.back().row;
    int leftOut = 0;
    for (const BuildRow& row : FilledRows(grid)) leftOut += row.row > last ? 1 : 0;
    if (leftOut == 0) return {};
    return "; пропущено строк после пустой строки " + std::to_string(last + 1) + ": " + std::to_string(leftOut);
}

// Two names of one file: the same path, or one file (a link, another spelling) behind both.
bool SameFile(const std::string& a, const std::string& b) {
    if (std::filesystem::absolute(a).lexically_normal() == std::filesystem::absolute(b).lexically_normal()) return true;
    const auto x = IdentityOf(a);
    const auto y = IdentityOf(b);
    return x && y && x->device == y->device && x->inode == y->inode;
}

}  // namespace

int BuildChecked(std::vector<BuildRow> rows, const std::string& firmware, Host& host, const ProgramFolder& folder,
                 const std::string& target, const ImageFault& fault) {
    CheckWholeBuild(rows);
    std::vector<BuiltFile> files;
    for (const BuildRow& row : rows) files.push_back(BuiltFileOf(row));

    std::vector<std::uint8_t> image = BlankImage();
    FormatImage(image, FormatHeader(folder), host);
    host.SetProgressMax(static_cast<int>(rows.size()));
    // Each file is read once: what is built and what the read-back is compared with are the
    // same bytes.
    std::vector<std::vector<std::uint8_t>> contents = AssembleRows(std::move(rows), firmware, host, folder, image);
    for (std::size_t i = 0; i < files.size(); ++i) files[i].content = std::move(contents[i]);
    if (fault) fault(image);

    DumpReader back(image, target);
    if (const auto difference = ReadBackDifference(back, files, firmware, folder)) {
        Refuse(std::string(kRefused) + "Новый дамп не прочитался так, как собран: " + *difference);
    }
    // Only now, every check passed: the new dump replaces the target and the old one becomes its
    // backup, both or neither.
    FileOutput out = FileOutput::Create(target, Durability::Durable);
    out.Write(image);
    out.CommitKeepingBackup(target + ".bak");
    const int count = static_cast<int>(files.size());
    host.SetStatus(0, CheckedText(count));
    return count;
}

int AssembleChecked(Form& form, Host& host, const ProgramFolder& folder, const std::string& target, const ImageFault& fault) {
    // Another change of the target waits for this one, and this one for it.
    const FileLock lock = FileLock::Hold(target);
    // The list was taken from this very dump: one that another program changed since would lose
    // that change.
    if (form.TakenDump && SameFile(form.TakenDump->path, target)) {
        if (IdentityOf(target) != form.TakenDump->identity) {
            Refuse(std::string(kRefused) + "Дамп «" + target + "» изменён другой программой после «В сборку»: собранный "
                   "из его прежнего списка, новый дамп потерял бы это изменение. Возьмите список в сборку заново.");
        }
    }
    std::vector<BuildRow> rows = FilledRows(form.BuildGrid);
    const std::vector<std::string> changed = PictureChangeLines(rows, form.ReplacedPictures);
    const int count = BuildChecked(std::move(rows), form.FirmwareCombo, host, folder, target, fault);
    form.SaveDialogPath = target;
    // Built all the same: the user chose to keep these pictures, but the phone may not show them.
    // Said after every build, so that an earlier build's report does not stay.
    std::string text;
    for (const std::string& line : changed) text += (text.empty() ? "" : "; ") + line;
    host.SetStatus(1, text);
    return count;
}

void AssembleAll(Form& form, Host& host, const ProgramFolder& folder) {
    AssembleChecked(form, host, folder, assembly::BuildFilePath(form, folder));
}

void AssembleDumpAndCheck(Form& form, Host& host, const ProgramFolder& folder) {
    AssembleDump(form, host, folder);
    // The rows "Собрать" took: from row 1 to the first empty name after it, 101 at most.
    const std::vector<BuildRow> taken = AssembledRows(form.BuildGrid);
    std::vector<BuiltFile> files;
    std::optional<std::string> difference;
    try {
        for (const BuildRow& row : taken) {
            files.push_back(BuiltFileOf(row));
            files.back().content = ReadWholeFile(row.path);
        }
        DumpReader back(assembly::BuildFilePath(form, folder));
        difference = ReadBackDifference(back, files, form.FirmwareCombo, folder);
    } catch (const Error& e) {
        difference = e.what();
    }
    host.SetStatus(0, (difference ? "Проверка не пройдена: " + *difference : CheckedText(static_cast<int>(files.size()))) +
                          LeftOutText(form.BuildGrid, taken));
}

}  // namespace vesk
